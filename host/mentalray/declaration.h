#pragma once

// Shader declarations as the renderer reads them from .mi files:
//   declare shader [type] "name" ( type "param" [default v...], ... [,] )
//       [version N] [apply kind, ...] [min|max version "x.y"]
//       [scanline|trace|shadow|face|derivative|object ...] [gui "name" { ... }]
//   end declare
// and phenomena (`declare phenomenon`, whose interface is kept and whose body
// is skipped), with the directives that shipped declaration files wrap them
// in ($ifdef, $ifndef, $else, $endif, $include, set, min/max version, link),
// and the parameter block the renderer lays out from one, by C struct rules.

#include <map>
#include <string>
#include <vector>

#include "host/errors/hostError.h"

namespace sorvane::mrhost {

enum class ParameterType { Boolean, Integer, Scalar, Vector, Color, Transform, Tag, Struct };

struct Parameter {
    std::string name;
    ParameterType kind = ParameterType::Scalar;
    std::string typeName;  // as declared: "color", "light", "color texture", "struct", ...
    bool isArray = false;
    bool hasDefault = false;
    // Booleans as 0 or 1; a colour always has four (alpha 0 when not given).
    std::vector<double> defaultValue;
    std::vector<Parameter> members;  // a struct's (or an array of structs' element's), in order
    int line = 0;
};

struct Declaration {
    std::string name;
    bool phenomenon = false;               // `declare phenomenon`: an interface; its body is not kept
    std::string returns;                   // "color", "struct", ..., or "" when not declared
    std::vector<Parameter> resultMembers;  // when the result is a struct
    int version = 0;                       // no version clause counts as 0
    bool versioned = false;                // whether a version clause was given
    std::vector<std::string> apply;
    std::vector<std::string> options;  // further clauses before `end declare`, as written
    std::vector<Parameter> parameters;
    std::string source;  // the file it stands in
    int line = 0;        // where `declare` stands
};

// A declaration the reader read past: one for another renderer version, or
// one holding a statement the reader does not know.
struct LeftOut {
    std::string name;
    std::string source;
    int line = 0;
    std::string reason;
};

// What reading a declaration file yields. Included files add to the same
// record, in reading order.
struct DeclarationFile {
    std::vector<Declaration> declarations;
    std::vector<LeftOut> leftOut;
    // One line for each declaration left out, "file:line: ...", for standard error.
    std::vector<std::string> notes;
    // `link` names the libraries that a scene reading the file would attach.
    // They are recorded as written, not loaded: the host loads a library by
    // the path it is given.
    std::vector<std::string> links;
    std::map<std::string, std::string> variables;  // from `set`
    std::vector<std::string> files;                // every file read, the first one first
};

// The renderer version the reader stands for; a declaration under a `min
// version` or `max version` that excludes it is left out, with a note.
extern const char* const kReaderVersion;

// `sourceName` names the text in messages and is where `$include` paths are
// taken from: relative to its folder (or the working folder when it has
// none), absolute as given. A text that cannot be read throws HostError,
// whose what() names the file, the line and what was wrong.
DeclarationFile parseDeclarationFile(const std::string& text, const std::string& sourceName);
DeclarationFile readDeclarationFile(const std::string& path);
std::vector<Declaration> parseDeclarations(const std::string& text, const std::string& sourceName);
std::vector<Declaration> readDeclarations(const std::string& path);

// Bytes a single value of a non-struct kind takes in a parameter block (0 for a struct).
int valueSize(ParameterType kind);
int valueCount(ParameterType kind);  // floats or words; 0 for a struct

// The type as a user reads it: "color", "array light", "struct".
std::string typeText(const Parameter& parameter);

struct ParameterLayout {
    const Parameter* parameter = nullptr;
    int offset = 0;         // for an array: its start index; count at +4
    int elementOffset = 0;  // an array's first element; the value's offset otherwise
    int size = 0;           // one value, or one element of an array
    // A struct's members, at their offsets in the block (an array's: in its first element).
    std::vector<ParameterLayout> members;
};

class BlockLayout {
public:
    explicit BlockLayout(Declaration declaration);
    BlockLayout(const BlockLayout&) = delete;
    BlockLayout& operator=(const BlockLayout&) = delete;

    const Declaration& declaration() const { return declaration_; }
    const std::vector<ParameterLayout>& parameters() const { return parameters_; }
    // Null when the declaration has no such parameter. "s.m" names the member
    // m of the struct s (of its first element, for an array of structs).
    const ParameterLayout* find(const std::string& name) const;
    // The fixed part, with room for one element of each array.
    int size() const { return size_; }
    // Bytes of the shader's result: a colour unless declared otherwise.
    int resultSize() const { return resultSize_; }
    // Every field start of the top level: a parameter, or an array's three.
    std::vector<int> fieldOffsets() const;

private:
    Declaration declaration_;
    std::vector<ParameterLayout> parameters_;
    int size_ = 0;
    int resultSize_ = 0;
};

}  // namespace sorvane::mrhost
