#pragma once

// Tokens of the text formats a material is read from: words (commands,
// flags, numbers, keywords), quoted strings and the punctuation ; ( ) , [ ] { } =,
// each with its line. Comments are skipped: // and /* */ in MEL and Maya
// ASCII, # in mental ray scenes.

#include <string>
#include <string_view>

#include "cli/material/materialFiles.h"

namespace sorvane::material {

struct Token {
    enum Kind { word, string, symbol, end };
    Kind kind = end;
    std::string text;  // a string's text without its quotes, escapes undone
    int line = 0;

    bool is(char c) const { return kind == symbol && text.size() == 1 && text[0] == c; }
    bool isWord(std::string_view w) const { return kind == word && text == w; }
};

class TextScanner {
public:
    enum class Comments { mel, mentalray };
    TextScanner(std::string_view text, Comments comments, std::string file);

    Token next();
    const Token& peek();

    const std::string& file() const { return file_; }
    int line() const { return line_; }
    // "FILE:LINE: message".
    [[noreturn]] void fail(int line, const std::string& message) const;

private:
    Token scan();

    std::string_view text_;
    Comments comments_;
    std::string file_;
    std::size_t at_ = 0;
    int line_ = 1;
    bool peeked_ = false;
    Token lookahead_;
};

// A number as the formats write one (decimal, optional sign and exponent),
// finite and within a float; anything else fails naming `what`.
float parseNumber(const TextScanner& scanner, const Token& token, const std::string& what);

// The value `tokens` give an attribute of `spec`'s kind ("on", "yes", "true"
// or 1 for a boolean), checked: the right count (a colour takes 4 where
// `alpha`), whole numbers for an integer.
std::vector<float> parseValue(const TextScanner& scanner, const std::vector<Token>& tokens,
                              const AttributeSpec& spec, bool alpha, const std::string& what);

// The shortest text that reads back as the same float.
std::string floatText(float value);

}  // namespace sorvane::material
