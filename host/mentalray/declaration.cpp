#include "host/mentalray/declaration.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <unordered_set>

#include "host/errors/fileKind.h"

namespace sorvane::mrhost {

const char* const kReaderVersion = "3.6.0";

namespace {

namespace fs = std::filesystem;

// Deep enough for any real file; a guard against runaway input.
constexpr int kMaxIncludeDepth = 32;
constexpr int kMaxStructDepth = 32;

struct Token {
    enum Kind { Word, Quoted, Punct, End } kind = End;
    std::string text;
    int line = 0;
    int file = 0;  // index into the reader's file names
};

// One file's tokens. `#` starts a comment to the end of the line, which also
// covers the "#:" hints that Maya's node factory reads.
std::vector<Token> tokenize(const std::string& text, int file, const std::string& name, int& lastLine) {
    std::vector<Token> tokens;
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
            while (i < text.size() && text[i] != '\n') ++i;
        } else if (c == '"') {
            const std::size_t close = text.find_first_of("\"\n", i + 1);
            if (close == std::string::npos || text[close] != '"') {
                throw HostError(name + ":" + std::to_string(line) +
                                ": a quoted name is not closed on its line");
            }
            tokens.push_back({Token::Quoted, text.substr(i + 1, close - i - 1), line, file});
            i = close + 1;
        } else if (c == '(' || c == ')' || c == ',' || c == '{' || c == '}') {
            tokens.push_back({Token::Punct, std::string(1, c), line, file});
            ++i;
        } else {
            std::size_t end = i;
            // strchr finds a NUL byte at the end of its own string: a NUL is
            // part of the word, or the word would be empty and never end.
            while (end < text.size() &&
                   (text[end] == '\0' || std::strchr(" \t\r\n\f\v#\"(),{}", text[end]) == nullptr)) {
                ++end;
            }
            tokens.push_back({Token::Word, text.substr(i, end - i), line, file});
            i = end;
        }
    }
    lastLine = line;
    return tokens;
}

std::string readText(const std::string& path, const std::string& what) {
    // A FIFO would block the read and a device never end it.
    if (const std::string why = notARegularFile(path); !why.empty()) {
        throw HostError("cannot open the " + what + " " + path + ": " + why);
    }
    // Nor may one grow without bound in memory.
    constexpr std::uintmax_t kLimit = std::uintmax_t{64} << 20;
    std::error_code sizeError;
    if (fs::file_size(path, sizeError) > kLimit && !sizeError) {
        throw HostError("the " + what + " " + path + " is larger than 64 MiB");
    }
    errno = 0;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw HostError("cannot open the " + what + " " + path +
                        (errno ? ": " + std::string(std::strerror(errno)) : ""));
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (file.bad()) throw HostError(path + ": cannot be read");
    return text.str();
}

fs::path canonical(const std::string& path) {
    std::error_code error;
    fs::path out = fs::weakly_canonical(fs::absolute(path, error), error);
    return error ? fs::path(path) : out;
}

// The tokens of a file and of what it includes, with the preprocessing
// directives applied as they are reached: `set` takes effect before the
// next `$ifdef` is looked at, as the renderer reads a file top to bottom.
//   $ifdef "v" / $ifndef "v" ... [$else ...] $endif   on whether `set` has defined v;
//       they nest and must close in the file that opens them.
//   $include "file"   reads the file in place, relative to the including
//       file's folder; a file that is already being read is refused (a cycle),
//       while one read before and finished may be read again (its guard then
//       skips it).
class Reader {
public:
    explicit Reader(DeclarationFile& out) : out_(out) {}

    void open(const std::string& text, const std::string& name, fs::path path) {
        pushFile(text, name, std::move(path));
    }

    const Token& peek() {
        settle();
        if (frames_.size() == 1 && frames_.back().next >= frames_.back().tokens.size()) return end_;
        return frames_.back().tokens[frames_.back().next];
    }
    Token take() {
        Token t = peek();
        if (t.kind != Token::End) ++frames_.back().next;
        return t;
    }
    bool atEnd() { return peek().kind == Token::End; }
    const std::string& fileName(const Token& t) const { return fileNames_[static_cast<std::size_t>(t.file)]; }
    bool peekWord(const char* word) { return peek().kind == Token::Word && peek().text == word; }
    bool peekPunct(const char* p) { return peek().kind == Token::Punct && peek().text == p; }

    [[noreturn]] void fail(const Token& at, const std::string& message) const {
        throw HostError(fileName(at) + ":" + std::to_string(at.line) + ": " + message);
    }
    [[noreturn]] void failAt(const Token& t, const std::string& message) const {
        fail(t, message + ", got " + describe(t));
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
    struct Conditional {
        Token at;
        bool taking = true;
        bool sawElse = false;
    };
    struct Frame {
        std::vector<Token> tokens;
        std::size_t next = 0;
        std::vector<Conditional> conditions;
        fs::path path;
    };

    void pushFile(const std::string& text, const std::string& name, fs::path path) {
        const int file = static_cast<int>(fileNames_.size());
        fileNames_.push_back(name);
        out_.files.push_back(name);
        int lastLine = 1;
        Frame frame;
        frame.tokens = tokenize(text, file, name, lastLine);
        frame.path = std::move(path);
        if (frames_.empty()) end_ = {Token::End, "", lastLine, file};
        frames_.push_back(std::move(frame));
    }

    // The next token of the current file, whatever it is.
    Token raw(const Token& after, const std::string& what) {
        Frame& f = frames_.back();
        if (f.next >= f.tokens.size()) fail(after, "expected " + what + " after '" + after.text + "'");
        return f.tokens[f.next++];
    }

    void settle() {
        for (;;) {
            Frame& f = frames_.back();
            if (f.next >= f.tokens.size()) {
                if (!f.conditions.empty()) {
                    const Token& open = f.conditions.back().at;
                    fail(open, "'" + open.text + "' is not closed by '$endif' in this file");
                }
                if (frames_.size() == 1) return;
                frames_.pop_back();
                continue;
            }
            const Token& t = f.tokens[f.next];
            if (t.kind != Token::Word || t.text.empty() || t.text[0] != '$') return;
            const Token directive = t;
            ++f.next;
            if (directive.text == "$ifdef" || directive.text == "$ifndef") {
                const Token name = raw(directive, "a variable name");
                if (name.kind != Token::Quoted && name.kind != Token::Word) {
                    failAt(name, "expected a variable name after '" + directive.text + "'");
                }
                const bool defined = out_.variables.count(name.text) != 0;
                f.conditions.push_back({directive, directive.text == "$ifdef" ? defined : !defined, false});
                if (!f.conditions.back().taking) skipBranch(f, true);
            } else if (directive.text == "$else") {
                if (f.conditions.empty()) fail(directive, "'$else' without '$ifdef' or '$ifndef'");
                Conditional& c = f.conditions.back();
                if (c.sawElse)
                    fail(directive,
                         "a second '$else' for the '" + c.at.text + "' of line " + std::to_string(c.at.line));
                c.sawElse = true;
                c.taking = !c.taking;
                if (!c.taking) skipBranch(f, false);
            } else if (directive.text == "$endif") {
                if (f.conditions.empty()) fail(directive, "'$endif' without '$ifdef' or '$ifndef'");
                f.conditions.pop_back();
            } else if (directive.text == "$include") {
                include(directive);
            } else {
                fail(directive, "unknown directive '" + directive.text + "'");
            }
        }
    }

    // Skips to the `$else` (when it may follow) or `$endif` that closes the
    // innermost conditional, leaving that directive to be read.
    void skipBranch(Frame& f, bool elseMayFollow) {
        int depth = 0;
        for (; f.next < f.tokens.size(); ++f.next) {
            const Token& t = f.tokens[f.next];
            if (t.kind != Token::Word) continue;
            if (t.text == "$ifdef" || t.text == "$ifndef") {
                ++depth;
            } else if (t.text == "$endif") {
                if (depth == 0) return;
                --depth;
            } else if (t.text == "$else" && depth == 0) {
                if (elseMayFollow) return;
                fail(t, "a second '$else' for the '" + f.conditions.back().at.text + "' of line " +
                            std::to_string(f.conditions.back().at.line));
            }
        }
        const Token& open = f.conditions.back().at;
        fail(open, "'" + open.text + "' is not closed by '$endif' in this file");
    }

    void include(const Token& directive) {
        const Token name = raw(directive, "a file name");
        if (name.kind != Token::Quoted || name.text.empty()) {
            failAt(name, "expected a quoted file name after '$include'");
        }
        fs::path path(name.text);
        // A rooted name ("/tmp/x.mi") keeps its root; on Windows it is relative to the drive only.
        if (path.is_relative() && !path.has_root_directory()) path = frames_.back().path.parent_path() / path;
        const fs::path resolved = canonical(path.string());
        for (const Frame& open : frames_) {
            if (open.path == resolved) {
                fail(directive, "\"" + name.text + "\" is being read already: an $include cycle");
            }
        }
        if (static_cast<int>(frames_.size()) > kMaxIncludeDepth) {
            fail(directive, "$include nested deeper than " + std::to_string(kMaxIncludeDepth) + " files");
        }
        std::string text;
        try {
            text = readText(path.string(), "included file");
        } catch (const HostError& error) {
            fail(directive, error.what());
        }
        pushFile(text, path.string(), resolved);
    }

    DeclarationFile& out_;
    std::vector<Frame> frames_;
    std::vector<std::string> fileNames_;
    Token end_;
};

struct TypeSpec {
    ParameterType kind;
    std::string name;
};

const char* const kTagTypes[] = {"light", "shader", "material", "geometry",
                                 "data",  "string", "spectrum", "lightprofile"};

bool isTypeWord(Reader& in) {
    if (in.peek().kind != Token::Word) return false;
    static const char* const plain[] = {"boolean", "integer",   "scalar", "vector",
                                        "color",   "transform", "array",  "struct"};
    for (const char* word : plain) {
        if (in.peek().text == word) return true;
    }
    for (const char* word : kTagTypes) {
        if (in.peek().text == word) return true;
    }
    return false;
}

// A type other than struct and array.
TypeSpec readSimpleType(Reader& in) {
    const Token t = in.take();
    if (t.kind == Token::Word) {
        const std::string& w = t.text;
        if (w == "boolean") return {ParameterType::Boolean, w};
        if (w == "integer") return {ParameterType::Integer, w};
        if (w == "transform") return {ParameterType::Transform, w};
        if (w == "scalar" || w == "vector" || w == "color") {
            if (in.peekWord("texture")) {
                in.take();
                return {ParameterType::Tag, w + " texture"};
            }
            if (w == "scalar") return {ParameterType::Scalar, w};
            if (w == "vector") return {ParameterType::Vector, w};
            return {ParameterType::Color, w};
        }
        for (const char* tag : kTagTypes) {
            if (w == tag) return {ParameterType::Tag, w};
        }
        if (w == "array") in.fail(t, "the type 'array' is not supported here");
    }
    in.failAt(t, "expected a parameter type");
}

double readNumber(Reader& in, const Parameter& p) {
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

void readDefault(Reader& in, Parameter& p) {
    const Token at = in.take();  // "default"
    if (p.isArray) in.fail(at, "the array \"" + p.name + "\" cannot have a default");
    p.hasDefault = true;
    switch (p.kind) {
        case ParameterType::Boolean: {
            const Token t = in.take();
            if (t.kind == Token::Word && (t.text == "on" || t.text == "true" || t.text == "1")) {
                p.defaultValue = {1.0};
            } else if (t.kind == Token::Word && (t.text == "off" || t.text == "false" || t.text == "0")) {
                p.defaultValue = {0.0};
            } else {
                in.failAt(t, "expected on, off, true, false, 1 or 0 as the default of \"" + p.name + "\"");
            }
            return;
        }
        case ParameterType::Integer: {
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
        case ParameterType::Tag:
            in.fail(at, "a default for the " + p.typeName + " \"" + p.name + "\" is not supported");
        case ParameterType::Struct:
            in.fail(at, "the struct \"" + p.name + "\" takes defaults on its members, not as a whole");
        default:
            break;
    }
    const int count = valueCount(p.kind);
    for (int i = 0; i < count; ++i) {
        // A colour's alpha may be left out; it is then 0.
        if (p.kind == ParameterType::Color && i == 3 &&
            (in.peekPunct(",") || in.peekPunct(")") || in.peekPunct("}") || in.peek().kind != Token::Word)) {
            p.defaultValue.push_back(0.0);
            break;
        }
        p.defaultValue.push_back(readNumber(in, p));
    }
}

std::string readName(Reader& in, const std::string& what) {
    const Token name = in.take();
    if (name.kind != Token::Quoted && name.kind != Token::Word)
        in.failAt(name, "expected the name of " + what);
    if (name.text.empty()) in.fail(name, "a parameter name is empty");
    return name.text;
}

std::vector<Parameter> readParameterList(Reader& in, const char* close, const std::string& owner, int depth);

// `{ members }` of a struct; `owner` names it in messages.
std::vector<Parameter> readMembers(Reader& in, const std::string& owner, int depth) {
    in.expectPunct("{", "to open the members of " + owner);
    if (in.peekPunct("}")) in.fail(in.peek(), owner + " has no members");
    std::vector<Parameter> members = readParameterList(in, "}", owner, depth + 1);
    in.take();  // "}"
    return members;
}

Parameter readParameter(Reader& in, int depth) {
    Parameter p;
    p.line = in.peek().line;
    if (in.peekWord("array")) {
        in.take();
        p.isArray = true;
        if (in.peekWord("array")) in.fail(in.peek(), "arrays of arrays are not supported");
    }
    if (in.peekWord("struct")) {
        const Token at = in.take();
        if (depth >= kMaxStructDepth) {
            in.fail(at, "structs nested deeper than " + std::to_string(kMaxStructDepth));
        }
        p.kind = ParameterType::Struct;
        p.typeName = "struct";
        // Both orders occur: struct "name" { ... } and struct { ... } "name".
        if (in.peekPunct("{")) {
            p.members = readMembers(in, "a struct", depth);
            p.name = readName(in, "a struct parameter");
        } else {
            p.name = readName(in, "a struct parameter");
            p.members = readMembers(in, "the struct \"" + p.name + "\"", depth);
        }
    } else {
        const TypeSpec type = readSimpleType(in);
        p.kind = type.kind;
        p.typeName = type.name;
        p.name = readName(in, "a " + typeText(p) + " parameter");
    }
    if (in.peekWord("default")) readDefault(in, p);
    return p;
}

// Parameters separated by commas, up to (not taking) `close`.
std::vector<Parameter> readParameterList(Reader& in, const char* close, const std::string& owner, int depth) {
    std::vector<Parameter> list;
    std::unordered_set<std::string> names;  // a list may be long: 100,000 parameters must not take minutes
    for (;;) {
        Parameter p = readParameter(in, depth);
        if (!names.insert(p.name).second) {
            in.fail(in.peek(), "the " + std::string(depth > 0 ? "member" : "parameter") + " \"" + p.name +
                                   "\" is declared twice" + (depth > 0 ? " in " + owner : ""));
        }
        list.push_back(std::move(p));
        if (in.peekPunct(",")) {
            in.take();
            // Shipped files end a list with a comma as often as not.
            if (in.peekPunct(close)) return list;
            continue;
        }
        if (!in.peekPunct(close)) {
            in.failAt(in.peek(), "expected ',' or '" + std::string(close) + "' after the " +
                                     (depth > 0 ? "member" : "parameter") + " \"" + list.back().name + "\"");
        }
        return list;
    }
}

int readInteger(Reader& in, const std::string& what) {
    const Token v = in.take();
    char* end = nullptr;
    errno = 0;
    const long long value = v.kind == Token::Word ? std::strtoll(v.text.c_str(), &end, 10) : 0;
    if (v.kind != Token::Word || v.text.empty() || end != v.text.c_str() + v.text.size() || errno == ERANGE ||
        value < INT_MIN || value > INT_MAX) {
        in.failAt(v, "expected " + what);
    }
    return static_cast<int>(value);
}

bool isClauseWord(const Token& t) {
    return t.kind == Token::Word && !t.text.empty() &&
           (std::isalpha(static_cast<unsigned char>(t.text[0])) != 0 || t.text[0] == '_');
}

// "2.0.20" as numbers; refuses what is not one to four dot-separated numbers.
std::vector<long> readVersionText(Reader& in, const Token& t) {
    std::vector<long> parts;
    std::size_t at = 0;
    const std::string& s = t.text;
    while ((t.kind == Token::Quoted || t.kind == Token::Word) && at < s.size() && parts.size() < 4) {
        std::size_t end = at;
        while (end < s.size() && std::isdigit(static_cast<unsigned char>(s[end])) != 0) ++end;
        if (end == at || end - at > 6) break;
        parts.push_back(std::stol(s.substr(at, end - at)));
        if (end == s.size()) return parts;
        if (s[end] != '.') break;
        at = end + 1;
    }
    in.failAt(t, "expected a version such as \"3.6.99\"");
}

int compareVersions(std::vector<long> a, std::vector<long> b) {
    a.resize(4, 0);
    b.resize(4, 0);
    return a < b ? -1 : (a == b ? 0 : 1);
}

// The renderer versions a declaration is for: the `min version` and `max
// version` in force where it stands, and its own.
struct VersionRange {
    std::string min, max;  // as written; empty when not bounded
    std::string minAt, maxAt;
};

// Reads the rest of `min version "x"` or `max version "x"` into `range`.
void readVersionBound(Reader& in, const Token& bound, VersionRange& range) {
    in.expectWord("version", "after '" + bound.text + "'");
    const Token t = in.take();
    readVersionText(in, t);
    const std::string at = in.fileName(t) + ":" + std::to_string(t.line);
    if (bound.text == "min") {
        range.min = t.text;
        range.minAt = at;
    } else {
        range.max = t.text;
        range.maxAt = at;
    }
}

// Why this host's version is outside `range`, or "" when it is inside.
std::string versionExclusion(Reader& in, const VersionRange& range) {
    const Token self{Token::Quoted, kReaderVersion, 0, 0};
    const std::vector<long> ours = readVersionText(in, self);
    if (!range.min.empty() &&
        compareVersions(ours, readVersionText(in, {Token::Quoted, range.min, 0, 0})) < 0) {
        return "it needs renderer version " + range.min + " or later (min version at " + range.minAt +
               "); this host reads as " + kReaderVersion;
    }
    if (!range.max.empty() &&
        compareVersions(ours, readVersionText(in, {Token::Quoted, range.max, 0, 0})) > 0) {
        return "it is for renderer versions up to " + range.max + " (max version at " + range.maxAt +
               "); this host reads as " + kReaderVersion;
    }
    return {};
}

// The requirement lines a declaration may carry: `scanline off`,
// `derivative 1 2`, ... The renderer's own business; kept as written.
bool isOptionWord(const std::string& word) {
    static const char* const kOptions[] = {"scanline", "trace", "shadow", "face", "derivative", "object"};
    return std::any_of(std::begin(kOptions), std::end(kOptions), [&](const char* o) { return word == o; });
}

// Skips `{ ... }`, nested braces and all: a gui block, for user interfaces only.
void skipBraces(Reader& in, const Token& owner) {
    in.expectPunct("{", "to open the " + owner.text + " block");
    for (int depth = 1; depth > 0;) {
        const Token t = in.take();
        if (t.kind == Token::End) in.fail(owner, "the '" + owner.text + "' block is not closed by '}'");
        if (t.kind == Token::Punct && t.text == "{") ++depth;
        if (t.kind == Token::Punct && t.text == "}") --depth;
    }
}

// Reads past what is left of a declaration, up to and with its `end declare`.
void skipToEndDeclare(Reader& in, const Token& declare, const std::string& name) {
    for (;;) {
        const Token t = in.take();
        if (t.kind == Token::End) {
            in.fail(declare, "the declaration of \"" + name + "\" is not closed by 'end declare'");
        }
        if (t.kind == Token::Word && t.text == "end" && in.peekWord("declare")) {
            in.take();
            return;
        }
    }
}

void readApply(Reader& in, Declaration& d) {
    do {
        if (in.peekPunct(",")) in.take();
        const Token kind = in.take();
        if (kind.kind != Token::Word) in.failAt(kind, "expected a shader type after 'apply'");
        d.apply.push_back(kind.text);
    } while (in.peekPunct(","));
}

// A phenomenon's body: the shaders, materials, lights and outputs it is made
// of, with their own parenthesised lists and `=` references. Only its
// version and apply clauses are the interface's; the rest is skipped.
void skipPhenomenonBody(Reader& in, const Token& declare, Declaration& d) {
    int depth = 0;
    for (;;) {
        const Token& t = in.peek();
        if (t.kind == Token::End) {
            in.fail(declare, "the phenomenon \"" + d.name + "\" is not closed by 'end declare'");
        }
        if (depth == 0 && t.kind == Token::Word && t.text == "end") {
            in.take();
            if (in.peekWord("declare")) {
                in.take();
                return;
            }
        } else if (depth == 0 && t.kind == Token::Word && t.text == "version") {
            in.take();
            d.version = readInteger(in, "an integer version of phenomenon \"" + d.name + "\"");
            d.versioned = true;
        } else if (depth == 0 && t.kind == Token::Word && t.text == "apply") {
            in.take();
            readApply(in, d);
        } else {
            if (t.kind == Token::Punct && (t.text == "(" || t.text == "{")) ++depth;
            if (t.kind == Token::Punct && (t.text == ")" || t.text == "}")) {
                if (depth == 0)
                    in.fail(t, "a '" + t.text + "' that closes nothing in the phenomenon \"" + d.name + "\"");
                --depth;
            }
            in.take();
        }
    }
}

// A declaration, and why it is to be left out ("" when it is not).
struct ReadDeclaration {
    Declaration declaration;
    std::string leaveOut;
};

ReadDeclaration readDeclaration(Reader& in, const VersionRange& fileRange) {
    ReadDeclaration out;
    Declaration& d = out.declaration;
    VersionRange range = fileRange;
    const Token declare = in.take();
    d.line = declare.line;
    d.source = in.fileName(declare);
    if (in.peekWord("phenomenon")) {
        in.take();
        d.phenomenon = true;
    }
    const bool newForm = d.phenomenon || in.peekWord("shader");
    if (in.peekWord("shader") && !d.phenomenon) in.take();
    if (in.peek().kind == Token::Word && isTypeWord(in)) {
        if (in.peekWord("struct")) {
            in.take();
            d.returns = "struct";
            d.resultMembers = readMembers(in, "the result struct", 0);
        } else {
            d.returns = readSimpleType(in).name;
        }
    }
    const char* const what = d.phenomenon ? "phenomenon" : "shader";
    const Token name = in.take();
    if (name.kind != Token::Quoted && name.kind != Token::Word) {
        in.failAt(name, "expected the " + std::string(what) + "'s name");
    }
    d.name = name.text;
    const std::string owner = std::string(what) + " \"" + d.name + "\"";
    in.expectPunct("(", "after the name of " + owner);
    if (!in.peekPunct(")")) d.parameters = readParameterList(in, ")", owner, 0);
    in.take();  // ")"
    if (d.phenomenon) {
        skipPhenomenonBody(in, declare, d);
        out.leaveOut = versionExclusion(in, range);
        return out;
    }
    while (newForm && isClauseWord(in.peek()) && !in.peekWord("end")) {
        const Token clause = in.take();
        if (clause.text == "version") {
            d.version = readInteger(in, "an integer version of shader \"" + d.name + "\"");
            d.versioned = true;
        } else if (clause.text == "apply") {
            readApply(in, d);
        } else if ((clause.text == "min" || clause.text == "max") && in.peekWord("version")) {
            readVersionBound(in, clause, range);
        } else if (clause.text == "gui") {
            if (in.peek().kind == Token::Quoted || in.peek().kind == Token::Word) in.take();  // its name
            skipBraces(in, clause);
        } else if (clause.text == "declare") {
            in.fail(clause, "expected 'end declare' to close the declaration of shader \"" + d.name +
                                "\" before the next 'declare'");
        } else if (isOptionWord(clause.text)) {
            std::string text = clause.text;
            while (in.peek().line == clause.line && in.peek().file == clause.file &&
                   (in.peek().kind == Token::Word || in.peek().kind == Token::Quoted) &&
                   !in.peekWord("end")) {
                text += " " + in.take().text;
            }
            d.options.push_back(text);
        } else {
            out.leaveOut = "unknown statement '" + clause.text + "' at " + in.fileName(clause) + ":" +
                           std::to_string(clause.line);
            skipToEndDeclare(in, declare, d.name);
            return out;
        }
    }
    in.expectWord("end", "to close the declaration of shader \"" + d.name + "\"");
    in.expectWord("declare", "after 'end'");
    out.leaveOut = versionExclusion(in, range);
    return out;
}

DeclarationFile parse(const std::string& text, const std::string& sourceName) {
    DeclarationFile out;
    Reader in(out);
    in.open(text, sourceName, canonical(sourceName));
    // A version range holds from its statement to the end of its file.
    std::map<int, VersionRange> ranges;
    while (!in.atEnd()) {
        if (in.peekWord("declare")) {
            ReadDeclaration read = readDeclaration(in, ranges[in.peek().file]);
            Declaration& d = read.declaration;
            if (read.leaveOut.empty()) {
                out.declarations.push_back(std::move(d));
                continue;
            }
            out.notes.push_back(d.source + ":" + std::to_string(d.line) + ": " +
                                (d.phenomenon ? "phenomenon" : "shader") + " \"" + d.name +
                                "\" left out: " + read.leaveOut);
            out.leftOut.push_back({d.name, d.source, d.line, std::move(read.leaveOut)});
        } else if (in.peekWord("set")) {
            in.take();  // set
            const Token name = in.take();
            if (name.kind != Token::Quoted || name.text.empty()) {
                in.failAt(name, "expected a quoted variable name after 'set'");
            }
            const Token value = in.take();
            if (value.kind != Token::Quoted && value.kind != Token::Word) {
                in.failAt(value, "expected the value of the variable \"" + name.text + "\"");
            }
            out.variables[name.text] = value.text;
        } else if (in.peekWord("min") || in.peekWord("max")) {
            const Token bound = in.take();
            readVersionBound(in, bound, ranges[bound.file]);
        } else if (in.peekWord("link")) {
            in.take();  // link
            const Token file = in.take();
            if (file.kind != Token::Quoted || file.text.empty()) {
                in.failAt(file, "expected a quoted library name after 'link'");
            }
            out.links.push_back(file.text);
        } else {
            in.failAt(in.peek(), "expected 'declare'");
        }
    }
    return out;
}

}  // namespace

DeclarationFile parseDeclarationFile(const std::string& text, const std::string& sourceName) {
    return parse(text, sourceName);
}

DeclarationFile readDeclarationFile(const std::string& path) {
    return parse(readText(path, "declaration"), path);
}

std::vector<Declaration> parseDeclarations(const std::string& text, const std::string& sourceName) {
    return parse(text, sourceName).declarations;
}

std::vector<Declaration> readDeclarations(const std::string& path) {
    return readDeclarationFile(path).declarations;
}

int valueCount(ParameterType kind) {
    switch (kind) {
        case ParameterType::Vector:
            return 3;
        case ParameterType::Color:
            return 4;
        case ParameterType::Transform:
            return 16;
        case ParameterType::Struct:
            return 0;
        default:
            return 1;
    }
}

int valueSize(ParameterType kind) { return 4 * valueCount(kind); }

std::string typeText(const Parameter& parameter) {
    return parameter.isArray ? "array " + parameter.typeName : parameter.typeName;
}

namespace {

int alignUp(int offset, int alignment) { return (offset + alignment - 1) / alignment * alignment; }

// Every value the renderer stores is made of 4-byte words (floats, integers,
// tags), so 4 is the widest alignment a member can have; it is still worked
// out as C does, from the members.
struct Laid {
    std::vector<ParameterLayout> fields;
    int size = 0;
    int alignment = 4;
};

Laid layOut(const std::vector<Parameter>& list, int base);

// One value of the parameter's type (an array's element) at `offset`.
ParameterLayout layValue(const Parameter& p, int offset, int& size, int& alignment) {
    ParameterLayout out;
    out.parameter = &p;
    if (p.kind == ParameterType::Struct) {
        Laid inner = layOut(p.members, 0);
        alignment = inner.alignment;
        offset = alignUp(offset, alignment);
        inner = layOut(p.members, offset);
        out.members = std::move(inner.fields);
        size = inner.size;
    } else {
        alignment = 4;
        offset = alignUp(offset, alignment);
        size = valueSize(p.kind);
    }
    out.offset = out.elementOffset = offset;
    out.size = size;
    return out;
}

// C struct rules from `base` on: each member at its alignment, the whole
// rounded up to the widest; an array is `int i_name; int n_name; T name[1];`.
Laid layOut(const std::vector<Parameter>& list, int base) {
    Laid laid;
    int offset = base;
    for (const Parameter& p : list) {
        int size = 0;
        int alignment = 4;
        if (p.isArray) {
            const int start = alignUp(offset, 4);
            ParameterLayout element = layValue(p, start + 8, size, alignment);
            element.offset = start;
            offset = element.elementOffset + size;
            laid.fields.push_back(std::move(element));
            alignment = std::max(alignment, 4);
        } else {
            ParameterLayout value = layValue(p, offset, size, alignment);
            offset = value.offset + size;
            laid.fields.push_back(std::move(value));
        }
        laid.alignment = std::max(laid.alignment, alignment);
    }
    laid.size = alignUp(offset - base, laid.alignment);
    return laid;
}

}  // namespace

BlockLayout::BlockLayout(Declaration declaration) : declaration_(std::move(declaration)) {
    Laid laid = layOut(declaration_.parameters, 0);
    parameters_ = std::move(laid.fields);
    size_ = laid.size;
    if (declaration_.returns == "struct") {
        resultSize_ = layOut(declaration_.resultMembers, 0).size;
    } else if (declaration_.returns.empty()) {
        resultSize_ = valueSize(ParameterType::Color);
    } else {
        Parameter result;
        result.typeName = declaration_.returns;
        result.kind = declaration_.returns == "boolean"     ? ParameterType::Boolean
                      : declaration_.returns == "integer"   ? ParameterType::Integer
                      : declaration_.returns == "scalar"    ? ParameterType::Scalar
                      : declaration_.returns == "vector"    ? ParameterType::Vector
                      : declaration_.returns == "color"     ? ParameterType::Color
                      : declaration_.returns == "transform" ? ParameterType::Transform
                                                            : ParameterType::Tag;
        resultSize_ = valueSize(result.kind);
    }
}

const ParameterLayout* BlockLayout::find(const std::string& name) const {
    const std::vector<ParameterLayout>* level = &parameters_;
    const ParameterLayout* found = nullptr;
    std::size_t at = 0;
    for (;;) {
        const std::size_t dot = name.find('.', at);
        const std::string part = name.substr(at, dot == std::string::npos ? std::string::npos : dot - at);
        found = nullptr;
        for (const ParameterLayout& p : *level) {
            if (p.parameter->name == part) found = &p;
        }
        if (found == nullptr || dot == std::string::npos) return found;
        level = &found->members;
        at = dot + 1;
    }
}

std::vector<int> BlockLayout::fieldOffsets() const {
    std::vector<int> out;
    for (const ParameterLayout& p : parameters_) {
        out.push_back(p.offset);
        if (p.parameter->isArray) {
            out.push_back(p.offset + 4);
            out.push_back(p.elementOffset);
        }
    }
    return out;
}

}  // namespace sorvane::mrhost
