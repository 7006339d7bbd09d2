#pragma once

// The qm7r_sorvane shader's parameters: the mental ray rows of the material
// table (model/materialTable.h), in declaration order. From them come the
// .mi declaration (made by the build), the parameter block
// (sorvaneParameters.h), the values the shading sees (EvaluatedParameters)
// and the shader's reads. Renderer-free, so the declaration's generator and
// the tests read it too.
//
// SORVANE_SHADER_PARAMETERS expands, for each parameter, whichever of these
// its user has defined before:
//
//   SORVANE_SHADER_COLOUR(name, default, description, read)
//   SORVANE_SHADER_SCALAR(name, default, soft min, soft max, description, read, {min}, {max})
//   SORVANE_SHADER_VECTOR(name, default, description, read)
//   SORVANE_SHADER_BOOLEAN(name, default, description, read)
//
// The array of lights that ends the declaration is not a row: the block
// ends with it whatever the table holds.

#include <cstddef>

#include "model/materialTable.h"

#define SORVANE_SHADER_ROW_COLOR(name, value, description, maya, mentalray) \
    SORVANE_ON_HOST(mentalray, SORVANE_SHADER_COLOR, name, value, description)
#define SORVANE_SHADER_ROW_SCALAR(name, value, softMin, softMax, description, maya, mentalray) \
    SORVANE_ON_HOST(mentalray, SORVANE_SHADER_SCALAR, name, value, softMin, softMax, description)
#define SORVANE_SHADER_ROW_VECTOR(name, value, description, maya, mentalray) \
    SORVANE_ON_HOST(mentalray, SORVANE_SHADER_VECTOR, name, value, description)
#define SORVANE_SHADER_ROW_BOOLEAN(name, value, description, maya, mentalray) \
    SORVANE_ON_HOST(mentalray, SORVANE_SHADER_BOOLEAN, name, value, description)
#define SORVANE_SHADER_PARAMETERS                                                                          \
    SORVANE_MATERIAL_TABLE(SORVANE_SHADER_ROW_COLOR, SORVANE_SHADER_ROW_SCALAR, SORVANE_SHADER_ROW_VECTOR, \
                           SORVANE_SHADER_ROW_BOOLEAN)

namespace sorvane::mrplugin {

struct ShaderParameter {
    enum class Type { color, scalar, vector, boolean };

    // A hard limit of a scalar, where it has one.
    struct Limit {
        constexpr Limit() = default;
        constexpr Limit(double limit) : present(true), value(limit) {}
        bool present = false;
        double value = 0.0;
    };

    const char* name;
    Type type;
    float defaultValue;  // every channel of a colour or vector alike; a colour's alpha is 1
    bool softRange;
    double softMin, softMax;
    Limit min, max;
    int read;  // its place in the shader's reads, or -1: read only when needed
    const char* description;
};

#define SORVANE_SHADER_COLOR(name, value, description, read) \
    ShaderParameter{#name, ShaderParameter::Type::color, value, false, 0.0, 0.0, {}, {}, read, description},
#define SORVANE_SHADER_SCALAR(name, value, softMin, softMax, description, read, min, max) \
    ShaderParameter{#name,                                                                \
                    ShaderParameter::Type::scalar,                                        \
                    value,                                                                \
                    true,                                                                 \
                    softMin,                                                              \
                    softMax,                                                              \
                    ShaderParameter::Limit min,                                           \
                    ShaderParameter::Limit max,                                           \
                    read,                                                                 \
                    description},
#define SORVANE_SHADER_VECTOR(name, value, description, read) \
    ShaderParameter{#name, ShaderParameter::Type::vector, value, false, 0.0, 0.0, {}, {}, read, description},
#define SORVANE_SHADER_BOOLEAN(name, value, description, read)                                            \
    ShaderParameter{                                                                                      \
        #name,      ShaderParameter::Type::boolean, (value) ? 1.0f : 0.0f, false, 0.0, 0.0, {}, {}, read, \
        description},

inline constexpr ShaderParameter kShaderParameters[] = {SORVANE_SHADER_PARAMETERS};

#undef SORVANE_SHADER_COLOR
#undef SORVANE_SHADER_SCALAR
#undef SORVANE_SHADER_VECTOR
#undef SORVANE_SHADER_BOOLEAN

inline constexpr std::size_t kShaderParameterCount = sizeof kShaderParameters / sizeof kShaderParameters[0];

// The parameters read before the lights, one after the other.
constexpr int readUpFrontCount() {
    int count = 0;
    for (const ShaderParameter& p : kShaderParameters) count += p.read >= 0 ? 1 : 0;
    return count;
}
inline constexpr int kReadUpFront = readUpFrontCount();

// Every place in the reads is taken by exactly one parameter.
constexpr bool readsAreAnOrder() {
    for (int place = 0; place < kReadUpFront; ++place) {
        int taken = 0;
        for (const ShaderParameter& p : kShaderParameters) taken += p.read == place ? 1 : 0;
        if (taken != 1) return false;
    }
    for (const ShaderParameter& p : kShaderParameters) {
        if (p.read < -1) return false;
    }
    return true;
}
static_assert(readsAreAnOrder(), "each parameter's read is -1 or a place from 0 that no other takes");

}  // namespace sorvane::mrplugin
