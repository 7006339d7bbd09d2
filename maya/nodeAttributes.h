#pragma once

// The sorvane node's attributes: the Maya rows of the material table
// (model/materialTable.h), the one list that initialize runs, that the
// Attribute Editor template and the documentation tables are made from, and
// that the presets are checked against. Maya-free, so the build's
// generators and the tests read it too.
//
// SORVANE_NODE_ATTRIBUTES expands, for each Maya row in creation order
// (materials, outputs, sample inputs), whichever of these its user has
// defined before (a static MObject, a NodeAttribute, a handle binding):
//
//   SORVANE_NODE_COLOUR(name, default, description, short name, R G B short names, group, affects, section)
//   SORVANE_NODE_SCALAR(name, default, soft min, soft max, description, short name, section)
//   SORVANE_NODE_VECTOR(name, default, description, short name, X Y Z short names, wiring slot,
//                       channel order, section)
//
// The light data (lightDataArray and its children) is not a row: initialize
// writes that group out, so its status reports keep their own lines.
//
// Adding a material attribute (the Maya node only, or both hosts):
//   1. a row in model/materialTable.h: MAYA(...) for the node, MENTALRAY(...)
//      for the shader (after its last parameter, with the next read place),
//      or both;
//   2. its use in the shading: on the node, a field of the same name in
//      ShadingSample (maya/shadingEvaluation.h) initialised to the row's
//      default, which compute fills from the row, and the formula that uses
//      it; on the shader, the formula in shadingEvaluation.cpp, which reads it
//      from EvaluatedParameters (made from the table);
//   3. in presets/presets.json, only the presets whose value should differ
//      from the row's default (the build fills in the rest);
//   4. rewrite what holds the table's text or the registered schema, and
//      review the difference: SORVANE_UPDATE_REFERENCES=1
//      build/tests/maya_attribute_table_tests (the README's table, the
//      comment of sorvaneNode.h), and the expected output of the
//      registration cases (tests/cli/maya-registration/stdout,
//      tests/cli/mentalray-registration/stdout: `sorvane inspect --host ...`);
//   5. a shader parameter also changes the figures of the library's block
//      that tests keep by hand: the read order in
//      tests/host/mentalray/declaration_test.cpp, the field count and the
//      lights' offsets in tests/host/mentalray/layoutProbe_test.cpp and
//      tests/cli/declarationMismatch.cmake.
// The .mi declaration, the parameter block and its reads, the Attribute
// Editor template, the attribute presets and the other tests' counts follow
// from the table.

#include <cstddef>

#include "model/materialTable.h"

#define SORVANE_NODE_ROW_COLOR(name, value, description, maya, mentalray) \
    SORVANE_ON_HOST(maya, SORVANE_NODE_COLOR, name, value, description)
#define SORVANE_NODE_ROW_SCALAR(name, value, softMin, softMax, description, maya, mentalray) \
    SORVANE_ON_HOST(maya, SORVANE_NODE_SCALAR, name, value, softMin, softMax, description)
#define SORVANE_NODE_ROW_VECTOR(name, value, description, maya, mentalray) \
    SORVANE_ON_HOST(maya, SORVANE_NODE_VECTOR, name, value, description)
#define SORVANE_NODE_ROW_BOOLEAN(name, value, description, maya, mentalray) \
    SORVANE_ON_HOST(maya, SORVANE_NODE_BOOLEAN, name, value, description)
#define SORVANE_NODE_ATTRIBUTES                                                                      \
    SORVANE_MATERIAL_TABLE(SORVANE_NODE_ROW_COLOR, SORVANE_NODE_ROW_SCALAR, SORVANE_NODE_ROW_VECTOR, \
                           SORVANE_NODE_ROW_BOOLEAN)

namespace sorvane::mayaplugin {

struct NodeAttribute {
    // Colours and vectors are compounds of three float channels.
    enum class Kind { color, vector, scalar };
    // Each group has its own flags and its own order of setter calls.
    enum class Group { material, output, sampleInput };
    // Which outputs a material input makes dirty.
    enum class Affects { none, outColor, outColorAndTransparency };
    // Whether a compound's dependencies are declared before its channels'.
    enum class ChannelOrder { channelsFirst, compoundFirst };

    struct Channel {
        const char* longName;
        const char* shortName;
    };

    struct Flags {
        bool keyable, storable, hidden, readable, writable, usedAsColor;
    };

    const char* longName;
    const char* shortName;
    Kind kind;
    Group group;
    Channel channels[3];  // compounds only
    float defaultValue;   // every channel of a compound alike
    bool softRange;
    double softMin, softMax;
    Affects affects;
    // Sample inputs are added and wired in the renderer's order (rayDirection,
    // pointCamera, normalCamera), not in their creation order.
    int wiringSlot;
    ChannelOrder channelOrder;
    const char* section;
    const char* mentalray;  // the shader's parameter of the same name, or nullptr
    const char* description;

    constexpr bool compound() const { return kind != Kind::scalar; }

    // What the group's setters leave on the attribute (a compound's channels
    // take them too, except used as colour).
    constexpr Flags flags() const {
        switch (group) {
            case Group::material:
                return {true, true, false, true, true, kind == Kind::color};
            case Group::output:
                return {false, true, false, true, false, false};
            case Group::sampleInput:
                break;
        }
        return {false, false, true, true, true, false};
    }
};

namespace detail {

// The shader's parameters by name: a node attribute's counterpart is the
// parameter of the same name.
#define SORVANE_NODE_COUNTERPART(name, ...) #name,
#define SORVANE_NODE_COUNTERPART_COLOR(name, value, description, maya, mentalray) \
    SORVANE_ON_HOST(mentalray, SORVANE_NODE_COUNTERPART, name)
#define SORVANE_NODE_COUNTERPART_SCALAR(name, value, softMin, softMax, description, maya, mentalray) \
    SORVANE_ON_HOST(mentalray, SORVANE_NODE_COUNTERPART, name)
inline constexpr const char* kShaderParameterNames[] = {
    SORVANE_MATERIAL_TABLE(SORVANE_NODE_COUNTERPART_COLOR, SORVANE_NODE_COUNTERPART_SCALAR,
                           SORVANE_NODE_COUNTERPART_COLOR, SORVANE_NODE_COUNTERPART_COLOR)};
#undef SORVANE_NODE_COUNTERPART
#undef SORVANE_NODE_COUNTERPART_COLOR
#undef SORVANE_NODE_COUNTERPART_SCALAR

constexpr bool sameName(const char* a, const char* b) {
    while (*a != '\0' && *a == *b) ++a, ++b;
    return *a == *b;
}

constexpr const char* counterpart(const char* name) {
    for (const char* parameter : kShaderParameterNames) {
        if (sameName(parameter, name)) return parameter;
    }
    return nullptr;
}

}  // namespace detail

#define SORVANE_NODE_COLOR(name, value, description, shortName, r, g, b, group, affects, section) \
    NodeAttribute{#name,                                                                          \
                  shortName,                                                                      \
                  NodeAttribute::Kind::color,                                                     \
                  NodeAttribute::Group::group,                                                    \
                  {{#name "R", r}, {#name "G", g}, {#name "B", b}},                               \
                  value,                                                                          \
                  false,                                                                          \
                  0.0,                                                                            \
                  0.0,                                                                            \
                  NodeAttribute::Affects::affects,                                                \
                  0,                                                                              \
                  NodeAttribute::ChannelOrder::channelsFirst,                                     \
                  section,                                                                        \
                  detail::counterpart(#name),                                                     \
                  description},
#define SORVANE_NODE_SCALAR(name, value, softMin, softMax, description, shortName, section) \
    NodeAttribute{#name,                                                                    \
                  shortName,                                                                \
                  NodeAttribute::Kind::scalar,                                              \
                  NodeAttribute::Group::material,                                           \
                  {},                                                                       \
                  value,                                                                    \
                  true,                                                                     \
                  softMin,                                                                  \
                  softMax,                                                                  \
                  NodeAttribute::Affects::outColor,                                         \
                  0,                                                                        \
                  NodeAttribute::ChannelOrder::channelsFirst,                               \
                  section,                                                                  \
                  detail::counterpart(#name),                                               \
                  description},
#define SORVANE_NODE_VECTOR(name, value, description, shortName, x, y, z, slot, order, section) \
    NodeAttribute{#name,                                                                        \
                  shortName,                                                                    \
                  NodeAttribute::Kind::vector,                                                  \
                  NodeAttribute::Group::sampleInput,                                            \
                  {{#name "X", x}, {#name "Y", y}, {#name "Z", z}},                             \
                  value,                                                                        \
                  false,                                                                        \
                  0.0,                                                                          \
                  0.0,                                                                          \
                  NodeAttribute::Affects::outColor,                                             \
                  slot,                                                                         \
                  NodeAttribute::ChannelOrder::order,                                           \
                  section,                                                                      \
                  detail::counterpart(#name),                                                   \
                  description},

inline constexpr NodeAttribute kNodeAttributes[] = {SORVANE_NODE_ATTRIBUTES};

#undef SORVANE_NODE_COLOR
#undef SORVANE_NODE_SCALAR
#undef SORVANE_NODE_VECTOR

inline constexpr std::size_t kNodeAttributeCount = sizeof kNodeAttributes / sizeof kNodeAttributes[0];

// The light data, as the renderer fills it: the array, then its children in
// the order MFnLightDataAttribute takes them. initialize writes this group
// out; the Attribute Editor hides it.
inline constexpr const char* kLightDataArray = "lightDataArray";
inline constexpr const char* kLightDataChildren[] = {
    "lightDirection", "lightIntensity",      "lightAmbient",       "lightDiffuse",
    "lightSpecular",  "lightShadowFraction", "preShadowIntensity", "lightBlindData"};

}  // namespace sorvane::mayaplugin
