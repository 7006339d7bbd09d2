#include "cli/material/textScanner.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace sorvane::material {

namespace {

bool isSymbol(char c) {
    switch (c) {
        case ';':
        case '(':
        case ')':
        case ',':
        case '[':
        case ']':
        case '{':
        case '}':
        case '=':
            return true;
        default:
            return false;
    }
}

}  // namespace

TextScanner::TextScanner(std::string_view text, Comments comments, std::string file)
    : text_(text), comments_(comments), file_(std::move(file)) {}

void TextScanner::fail(int line, const std::string& message) const {
    throw InputError(file_ + ":" + std::to_string(line), message);
}

const Token& TextScanner::peek() {
    if (!peeked_) {
        lookahead_ = scan();
        peeked_ = true;
    }
    return lookahead_;
}

Token TextScanner::next() {
    if (peeked_) {
        peeked_ = false;
        return std::move(lookahead_);
    }
    return scan();
}

Token TextScanner::scan() {
    // Blanks and comments.
    for (;;) {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) {
            if (text_[at_] == '\n') ++line_;
            ++at_;
        }
        if (at_ >= text_.size()) return {Token::end, "", line_};
        const std::string_view rest = text_.substr(at_);
        if (comments_ == Comments::mentalray ? rest[0] == '#' : rest.substr(0, 2) == "//") {
            while (at_ < text_.size() && text_[at_] != '\n') ++at_;
            continue;
        }
        if (comments_ == Comments::mel && rest.substr(0, 2) == "/*") {
            const int start = line_;
            const std::size_t close = rest.find("*/", 2);
            if (close == std::string_view::npos) fail(start, "a comment opened here is never closed");
            for (std::size_t i = 0; i < close; ++i) line_ += rest[i] == '\n' ? 1 : 0;
            at_ += close + 2;
            continue;
        }
        break;
    }
    Token token;
    token.line = line_;
    const char c = text_[at_];
    if (c == '"') {
        token.kind = Token::string;
        ++at_;
        for (;;) {
            if (at_ >= text_.size() || text_[at_] == '\n') {
                fail(token.line, "a string opened here is never closed");
            }
            const char s = text_[at_++];
            if (s == '"') break;
            if (s == '\\' && at_ < text_.size()) {
                const char e = text_[at_++];
                token.text += e == 'n' ? '\n' : e == 't' ? '\t' : e;
            } else {
                token.text += s;
            }
        }
        return token;
    }
    if (isSymbol(c)) {
        token.kind = Token::symbol;
        token.text = std::string(1, c);
        ++at_;
        return token;
    }
    token.kind = Token::word;
    while (at_ < text_.size()) {
        const char w = text_[at_];
        if (std::isspace(static_cast<unsigned char>(w)) || w == '"' || isSymbol(w)) break;
        if (comments_ == Comments::mentalray && w == '#') break;
        token.text += w;
        ++at_;
    }
    return token;
}

float parseNumber(const TextScanner& scanner, const Token& token, const std::string& what) {
    const std::string& t = token.text;
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
        return i > start;
    };
    if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
    bool valid = digits();
    if (i < t.size() && t[i] == '.') {
        ++i;
        valid = digits() || valid;
    }
    if (valid && i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '-' || t[i] == '+')) ++i;
        valid = digits();
    }
    if (token.kind != Token::word || !valid || i != t.size()) {
        scanner.fail(token.line, what + ": \"" + t + "\" is not a number");
    }
    const double value = std::strtod(t.c_str(), nullptr);
    if (!(std::fabs(value) <= std::numeric_limits<float>::max())) {
        scanner.fail(token.line, what + ": " + t + " is out of the range of a float");
    }
    return static_cast<float>(value);
}

std::vector<float> parseValue(const TextScanner& scanner, const std::vector<Token>& tokens,
                              const AttributeSpec& spec, bool alpha, const std::string& what) {
    const int line = tokens.empty() ? scanner.line() : tokens.front().line;
    const auto count = tokens.size();
    std::vector<float> out;
    switch (spec.kind) {
        case ValueKind::boolean: {
            if (count != 1)
                scanner.fail(line, what + " takes on or off, not " + std::to_string(count) + " values");
            const std::string& t = tokens[0].text;
            if (t == "on" || t == "yes" || t == "true" || t == "1") return {1.0f};
            if (t == "off" || t == "no" || t == "false" || t == "0") return {0.0f};
            scanner.fail(line, what + " takes on or off, not \"" + t + "\"");
        }
        case ValueKind::scalar:
        case ValueKind::integer:
            if (count != 1) scanner.fail(line, what + " takes one number, not " + std::to_string(count));
            out.push_back(parseNumber(scanner, tokens[0], what));
            if (spec.kind == ValueKind::integer && out[0] != std::floor(out[0])) {
                scanner.fail(line, what + " takes a whole number, not " + tokens[0].text);
            }
            return out;
        case ValueKind::color:
        case ValueKind::vector:
            if (!(count == 3 || (alpha && spec.kind == ValueKind::color && count == 4))) {
                scanner.fail(line,
                             what + " takes " +
                                 (alpha && spec.kind == ValueKind::color ? "3 or 4" : std::string("3")) +
                                 " numbers, not " + std::to_string(count));
            }
            for (const Token& t : tokens) out.push_back(parseNumber(scanner, t, what));
            return out;
    }
    return out;
}

std::string floatText(float value) {
    char text[32];
    for (int precision = 1; precision <= 9; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) break;
    }
    return text;
}

}  // namespace sorvane::material
