#include "host/mentalray/declaration.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace sorvane::mrhost {

namespace {

struct Token {
    enum Kind { Word, Quoted, Punct, End } kind = End;
    std::string text;
    int line = 0;
};

class Tokens {
public:
    Tokens(const std::string& text, std::string sourceName) : source_(std::move(sourceName)) {
        int line = 1;
        std::size_t i = 0;
        while (i < text.size()) {
            const char c = text[i];
            if (c == '\n') {
                ++line;
                ++i;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++i;
            } else if (c == '#') {
                // Comments, and the Maya additions written as "#:" comments.
                while (i < text.size() && text[i] != '\n') ++i;
            } else if (c == '"') {
                const std::size_t close = text.find_first_of("\"\n", i + 1);
                if (close == std::string::npos || text[close] != '"') {
                    fail(line, "a quoted name is not closed on its line");
                }
                tokens_.push_back({Token::Quoted, text.substr(i + 1, close - i - 1), line});
                i = close + 1;
            } else if (c == '(' || c == ')' || c == ',' || c == '{' || c == '}') {
                tokens_.push_back({Token::Punct, std::string(1, c), line});
                ++i;
            } else {
                std::size_t end = i;
                while (end < text.size() &&
                       std::string(" \t\r\n\f\v#\"(),{}").find(text[end]) == std::string::npos) {
                    ++end;
                }
                tokens_.push_back({Token::Word, text.substr(i, end - i), line});
                i = end;
            }
        }
        end_ = {Token::End, "", line};
    }

    const Token& peek() const { return next_ < tokens_.size() ? tokens_[next_] : end_; }
    Token take() {
        const Token t = peek();
        if (next_ < tokens_.size()) ++next_;
        return t;
    }
    bool atEnd() const { return next_ >= tokens_.size(); }
    bool peekWord(const char* word) const { return peek().kind == Token::Word && peek().text == word; }
    bool peekPunct(const char* p) const { return peek().kind == Token::Punct && peek().text == p; }

    [[noreturn]] void fail(int line, const std::string& message) const {
        throw DeclarationError(source_ + ":" + std::to_string(line) + ": " + message);
    }
    [[noreturn]] void failAt(const Token& t, const std::string& message) const {
        fail(t.line, message + ", got " + describe(t));
    }
    static std::string describe(const Token& t) {
        switch (t.kind) {
            case Token::End:
                return "the end of the file";
            case Token::Quoted:
                return "\"" + t.text + "\"";
            default:
                return "'" + t.text + "'";
        }
    }

    void expectWord(const char* word, const std::string& where) {
        if (!peekWord(word)) failAt(peek(), "expected '" + std::string(word) + "' " + where);
        take();
    }
    void expectPunct(const char* p, const std::string& where) {
        if (!peekPunct(p)) failAt(peek(), "expected '" + std::string(p) + "' " + where);
        take();
    }

private:
    std::string source_;
    std::vector<Token> tokens_;
    Token end_;
    std::size_t next_ = 0;
};

struct TypeSpec {
    ValueKind kind;
    std::string name;
};

const char* const kTagTypes[] = {"light", "shader", "material", "geometry", "data", "lightprofile", "string"};

bool isTypeWord(const Tokens& in) {
    if (in.peek().kind != Token::Word) return false;
    static const char* const plain[] = {"boolean",   "integer", "scalar", "vector",  "color",
                                        "transform", "array",   "struct", "spectrum"};
    for (const char* word : plain) {
        if (in.peek().text == word) return true;
    }
    for (const char* word : kTagTypes) {
        if (in.peek().text == word) return true;
    }
    return false;
}

TypeSpec readSimpleType(Tokens& in) {
    const Token t = in.take();
    if (t.kind == Token::Word) {
        const std::string& w = t.text;
        if (w == "boolean") return {ValueKind::Boolean, w};
        if (w == "integer") return {ValueKind::Integer, w};
        if (w == "transform") return {ValueKind::Transform, w};
        if (w == "scalar" || w == "vector" || w == "color") {
            if (in.peekWord("texture")) {
                in.take();
                return {ValueKind::Tag, w + " texture"};
            }
            if (w == "scalar") return {ValueKind::Scalar, w};
            if (w == "vector") return {ValueKind::Vector, w};
            return {ValueKind::Color, w};
        }
        for (const char* tag : kTagTypes) {
            if (w == tag) return {ValueKind::Tag, w};
        }
        if (w == "struct" || w == "spectrum" || w == "array") {
            in.fail(t.line, "the type '" + w + "' is not supported here");
        }
    }
    in.failAt(t, "expected a parameter type");
}

double readNumber(Tokens& in, const Parameter& p) {
    const Token t = in.take();
    if (t.kind == Token::Word && !t.text.empty()) {
        errno = 0;
        char* end = nullptr;
        const double value = std::strtod(t.text.c_str(), &end);
        if (end == t.text.c_str() + t.text.size() && std::isfinite(value) && errno != ERANGE) {
            return value;
        }
    }
    in.failAt(t, "expected a number in the default of \"" + p.name + "\"");
}

void readDefault(Tokens& in, Parameter& p) {
    const Token at = in.take();  // "default"
    if (p.isArray) in.fail(at.line, "the array \"" + p.name + "\" cannot have a default");
    p.hasDefault = true;
    switch (p.kind) {
        case ValueKind::Boolean: {
            const Token t = in.take();
            if (t.kind == Token::Word && (t.text == "on" || t.text == "true")) {
                p.defaultValue = {1.0};
            } else if (t.kind == Token::Word && (t.text == "off" || t.text == "false")) {
                p.defaultValue = {0.0};
            } else {
                in.failAt(t, "expected on, off, true or false as the default of \"" + p.name + "\"");
            }
            return;
        }
        case ValueKind::Integer: {
            const Token t = in.take();
            errno = 0;
            char* end = nullptr;
            const long long value = t.kind == Token::Word ? std::strtoll(t.text.c_str(), &end, 10) : 0;
            if (t.kind != Token::Word || t.text.empty() || end != t.text.c_str() + t.text.size() ||
                errno == ERANGE || value < INT_MIN || value > INT_MAX) {
                in.failAt(t, "expected a 32-bit integer as the default of \"" + p.name + "\"");
            }
            p.defaultValue = {static_cast<double>(value)};
            return;
        }
        case ValueKind::Tag:
            in.fail(at.line, "a default for the " + p.typeName + " \"" + p.name + "\" is not supported");
        default:
            break;
    }
    const int count = valueCount(p.kind);
    for (int i = 0; i < count; ++i) {
        // A colour's alpha may be left out; it is then 0.
        if (p.kind == ValueKind::Color && i == 3 &&
            (in.peekPunct(",") || in.peekPunct(")") || in.peek().kind != Token::Word)) {
            p.defaultValue.push_back(0.0);
            break;
        }
        p.defaultValue.push_back(readNumber(in, p));
    }
}

Parameter readParameter(Tokens& in) {
    Parameter p;
    if (in.peekWord("array")) {
        in.take();
        p.isArray = true;
        if (in.peekWord("array")) in.fail(in.peek().line, "arrays of arrays are not supported");
    }
    const TypeSpec type = readSimpleType(in);
    p.kind = type.kind;
    p.typeName = type.name;
    const Token name = in.take();
    if (name.kind != Token::Quoted && name.kind != Token::Word) {
        in.failAt(name, "expected the name of a " + typeText(p) + " parameter");
    }
    if (name.text.empty()) in.fail(name.line, "a parameter name is empty");
    p.name = name.text;
    if (in.peekWord("default")) readDefault(in, p);
    return p;
}

Declaration readDeclaration(Tokens& in) {
    Declaration d;
    const Token declare = in.take();
    d.line = declare.line;
    const bool newForm = in.peekWord("shader");
    if (newForm) in.take();
    if (in.peek().kind == Token::Word && isTypeWord(in)) {
        if (in.peekWord("struct")) in.fail(in.peek().line, "a struct result type is not supported");
        d.returns = readSimpleType(in).name;
    }
    const Token name = in.take();
    if (name.kind != Token::Quoted && name.kind != Token::Word) in.failAt(name, "expected the shader's name");
    d.name = name.text;
    in.expectPunct("(", "after the name of shader \"" + d.name + "\"");
    if (!in.peekPunct(")")) {
        for (;;) {
            Parameter p = readParameter(in);
            for (const Parameter& other : d.parameters) {
                if (other.name == p.name)
                    in.fail(in.peek().line, "the parameter \"" + p.name + "\" is declared twice");
            }
            d.parameters.push_back(std::move(p));
            if (in.peekPunct(",")) {
                in.take();
                continue;
            }
            if (!in.peekPunct(")")) {
                in.failAt(in.peek(),
                          "expected ',' or ')' after the parameter \"" + d.parameters.back().name + "\"");
            }
            break;
        }
    }
    in.take();  // ")"
    while (newForm && (in.peekWord("version") || in.peekWord("apply"))) {
        const Token clause = in.take();
        if (clause.text == "version") {
            const Token v = in.take();
            char* end = nullptr;
            errno = 0;
            const long long value = v.kind == Token::Word ? std::strtoll(v.text.c_str(), &end, 10) : 0;
            if (v.kind != Token::Word || v.text.empty() || end != v.text.c_str() + v.text.size() ||
                errno == ERANGE || value < INT_MIN || value > INT_MAX) {
                in.failAt(v, "expected an integer version of shader \"" + d.name + "\"");
            }
            d.version = static_cast<int>(value);
        } else {
            do {
                if (in.peekPunct(",")) in.take();
                const Token kind = in.take();
                if (kind.kind != Token::Word) in.failAt(kind, "expected a shader type after 'apply'");
                d.apply.push_back(kind.text);
            } while (in.peekPunct(","));
        }
    }
    in.expectWord("end", "to close the declaration of shader \"" + d.name + "\"");
    in.expectWord("declare", "after 'end'");
    return d;
}

}  // namespace

std::vector<Declaration> parseDeclarations(const std::string& text, const std::string& sourceName) {
    Tokens in(text, sourceName);
    std::vector<Declaration> out;
    while (!in.atEnd()) {
        if (!in.peekWord("declare")) in.failAt(in.peek(), "expected 'declare'");
        out.push_back(readDeclaration(in));
    }
    return out;
}

std::vector<Declaration> readDeclarations(const std::string& path) {
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw DeclarationError("cannot open the declaration " + path +
                               (errno ? ": " + std::string(std::strerror(errno)) : ""));
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) throw DeclarationError(path + ": cannot be read");
    return parseDeclarations(text.str(), path);
}

int valueCount(ValueKind kind) {
    switch (kind) {
        case ValueKind::Vector:
            return 3;
        case ValueKind::Color:
            return 4;
        case ValueKind::Transform:
            return 16;
        default:
            return 1;
    }
}

int valueSize(ValueKind kind) { return 4 * valueCount(kind); }

std::string typeText(const Parameter& parameter) {
    return parameter.isArray ? "array " + parameter.typeName : parameter.typeName;
}

BlockLayout::BlockLayout(Declaration declaration) : declaration_(std::move(declaration)) {
    int offset = 0;
    for (const Parameter& p : declaration_.parameters) {
        parameters_.push_back({&p, offset});
        offset += (p.isArray ? 8 : 0) + valueSize(p.kind);
    }
    size_ = offset;
}

const ParameterLayout* BlockLayout::find(const std::string& name) const {
    for (const ParameterLayout& p : parameters_) {
        if (p.parameter->name == name) return &p;
    }
    return nullptr;
}

std::vector<int> BlockLayout::fieldOffsets() const {
    std::vector<int> out;
    for (const ParameterLayout& p : parameters_) {
        out.push_back(p.offset);
        if (p.parameter->isArray) {
            out.push_back(p.offset + 4);
            out.push_back(p.offset + 8);
        }
    }
    return out;
}

}  // namespace sorvane::mrhost
