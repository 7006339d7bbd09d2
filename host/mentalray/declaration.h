#pragma once

// Shader declarations as the renderer reads them from .mi files:
//   declare shader [type] "name" ( type "param" [default v...], ... )
//       [version N] [apply kind, ...]
//   end declare
// and the parameter block the renderer lays out from one, by C struct rules:
// 4-byte fields in declaration order, an array as start index, count and
// first element.

#include <stdexcept>
#include <string>
#include <vector>

namespace sorvane::mrhost {

// A declaration that cannot be read; what() names the file, the line and what was wrong.
class DeclarationError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class ValueKind { Boolean, Integer, Scalar, Vector, Color, Transform, Tag };

struct Parameter {
    std::string name;
    ValueKind kind = ValueKind::Scalar;
    std::string typeName;  // as declared: "color", "light", "color texture", ...
    bool isArray = false;
    bool hasDefault = false;
    // Booleans as 0 or 1; a colour always has four (alpha 0 when not given).
    std::vector<double> defaultValue;
};

struct Declaration {
    std::string name;
    std::string returns;  // "color", or "" when not declared
    int version = 0;      // no version clause counts as 0
    std::vector<std::string> apply;
    std::vector<Parameter> parameters;
    int line = 0;  // where `declare` stands
};

// `sourceName` names the text in messages.
std::vector<Declaration> parseDeclarations(const std::string& text, const std::string& sourceName);
std::vector<Declaration> readDeclarations(const std::string& path);

// Bytes a single value of the kind takes in a parameter block.
int valueSize(ValueKind kind);
int valueCount(ValueKind kind);  // floats or words

// The type as a user reads it: "color", "array light".
std::string typeText(const Parameter& parameter);

struct ParameterLayout {
    const Parameter* parameter = nullptr;
    int offset = 0;  // for an array: its start index; count at +4, first element at +8
};

class BlockLayout {
public:
    explicit BlockLayout(Declaration declaration);
    BlockLayout(const BlockLayout&) = delete;
    BlockLayout& operator=(const BlockLayout&) = delete;

    const Declaration& declaration() const { return declaration_; }
    const std::vector<ParameterLayout>& parameters() const { return parameters_; }
    // Null when the declaration has no such parameter.
    const ParameterLayout* find(const std::string& name) const;
    // The fixed part, with room for one element of each array.
    int size() const { return size_; }
    // Every 4-byte-aligned field start: a plain parameter, or an array's three.
    std::vector<int> fieldOffsets() const;

private:
    Declaration declaration_;
    std::vector<ParameterLayout> parameters_;
    int size_ = 0;
};

}  // namespace sorvane::mrhost
