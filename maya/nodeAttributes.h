#pragma once

// The sorvane node's attributes, one row each: the one list that initialize
// runs, that the Attribute Editor template is made from, and that the
// preset, the .mi declaration and the documentation tables are checked
// against. Maya-free, so the build's generator and the tests read it too.
//
// SORVANE_NODE_ATTRIBUTES(COLOUR, SCALAR, VECTOR) holds the material, output
// and sample-input groups in creation order; each user says what a row
// becomes (a static MObject, a NodeAttribute, a handle binding):
//
//   COLOUR(name, short name, R G B short names, default, group, affects, section, mental ray, description)
//   SCALAR(name, short name, default, soft min, soft max, section, mental ray, description)
//   VECTOR(name, short name, X Y Z short names, default, wiring slot, channel order, section, mental ray,
//          description)
//
// section: the Attribute Editor layout that shows it (nullptr: not shown).
// mental ray: the qm7r_sorvane parameter of the same role (nullptr: none).
// The light data (lightDataArray and its children) is not a row: initialize
// writes that group out, so its status reports keep their own lines.
//
// Adding a material attribute is a row here plus its use in the shading.

#include <cstddef>

// clang-format off
#define SORVANE_NODE_ATTRIBUTES(COLOUR, SCALAR, VECTOR)                                                     \
    COLOUR(color, "c", "cr", "cg", "cb", 0.5f, material, outColor,                                         \
           "Common Material Attributes", "color", "surface colour")                                      \
    COLOUR(transparency, "it", "itr", "itg", "itb", 0.0f, material, outColorAndTransparency,               \
           "Common Material Attributes", nullptr, "darkens all but the highlight")                         \
    COLOUR(ambientColor, "ambC", "ambCR", "ambCG", "ambCB", 0.0f, material, outColor,                      \
           "Common Material Attributes", "ambientColor", "ambient light, times color")                     \
    COLOUR(incandescence, "ic", "ir", "ig", "ib", 0.0f, material, outColor,                                \
           "Common Material Attributes", "incandescence", "self-illumination")                             \
    SCALAR(diffuse, "dfl", 0.8f, 0.0, 1.0, "Common Material Attributes", "diffuse", "diffuse weight")      \
    COLOUR(scatteringColor, "sc", "scr", "scg", "scb", 0.5f, material, outColor,                           \
           "Scattering", "scatteringColor", "colour of the scattering terms")                              \
    SCALAR(scattering, "sctr", 0.3f, 0.0, 1.0, "Scattering", "scattering", "their weight")                  \
    SCALAR(anisotropy, "ani", 0.65f, -1.0, 1.0, "Scattering", "anisotropy",                                 \
           "phase factor: back (<0) or forward (>0)")                                                      \
    SCALAR(depth, "dpth", 0.3f, 0.0, 1.0, "Scattering", "depth", "depth of the scattering layer")           \
    COLOUR(oppositionColor, "opc", "opcr", "opcg", "opcb", 0.6f, material, outColor,                       \
           "Opposition", "oppositionColor", "view-dependent opposition effect")                            \
    SCALAR(opposition, "oppt", 0.25f, 0.0, 1.0, "Opposition", "opposition", "its falloff strength")         \
    COLOUR(backlightColor, "bc", "bcr", "bcg", "bcb", 0.4f, material, outColor,                            \
           "Backlight", "backlightColor", "light through the surface's edge")                              \
    SCALAR(backlight, "bcl", 0.3f, 0.0, 1.0, "Backlight", "backlight", "its falloff strength")              \
    SCALAR(eccentricity, "et", 0.2f, 0.0, 1.0, "Specular Shading", "eccentricity",                          \
           "highlight size: exponent 6 / eccentricity")                                                    \
    SCALAR(specularRollOff, "sro", 0.3f, 0.0, 1.0, "Specular Shading", "specularRollOff", "highlight weight") \
    COLOUR(specularColor, "spc", "spcr", "spcg", "spcb", 0.5f, material, outColor,                         \
           "Specular Shading", "specularColor", "highlight colour")                                        \
    COLOUR(outColor, "oc", "ocr", "ocg", "ocb", 0.0f, output, none,                                        \
           nullptr, nullptr, "the shaded colour")                                                          \
    COLOUR(outTransparency, "ot", "otr", "otg", "otb", 0.0f, output, none,                                 \
           nullptr, nullptr, "a copy of transparency")                                                     \
    VECTOR(normalCamera, "n", "nx", "ny", "nz", 1.0f, 2, channelsFirst,                                    \
           "Bump Mapping", "normalCamera", "shading normal; a bump node connects here")                    \
    VECTOR(rayDirection, "rad", "rdx", "rdy", "rdz", 1.0f, 0, channelsFirst,                               \
           nullptr, nullptr, "camera towards the shaded point")                                            \
    VECTOR(pointCamera, "pc", "px", "py", "pz", 1.0f, 1, compoundFirst,                                    \
           nullptr, nullptr, "the shaded point")
// clang-format on

namespace shading {

struct NodeAttribute {
    // Colours and vectors are compounds of three float channels.
    enum class Kind { colour, vector, scalar };
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
    const char* mentalray;
    const char* description;

    constexpr bool compound() const { return kind != Kind::scalar; }

    // What the group's setters leave on the attribute (a compound's channels
    // take them too, except used as colour).
    constexpr Flags flags() const {
        switch (group) {
            case Group::material:
                return {true, true, false, true, true, kind == Kind::colour};
            case Group::output:
                return {false, true, false, true, false, false};
            case Group::sampleInput:
                break;
        }
        return {false, false, true, true, true, false};
    }
};

#define SORVANE_NODE_ATTRIBUTE_COLOUR(name, shortName, r, g, b, value, group, affects, section, mentalray, \
                                      description)                                                         \
    NodeAttribute{#name,                                                                                   \
                  shortName,                                                                               \
                  NodeAttribute::Kind::colour,                                                             \
                  NodeAttribute::Group::group,                                                             \
                  {{#name "R", r}, {#name "G", g}, {#name "B", b}},                                        \
                  value,                                                                                   \
                  false,                                                                                   \
                  0.0,                                                                                     \
                  0.0,                                                                                     \
                  NodeAttribute::Affects::affects,                                                         \
                  0,                                                                                       \
                  NodeAttribute::ChannelOrder::channelsFirst,                                              \
                  section,                                                                                 \
                  mentalray,                                                                               \
                  description},
#define SORVANE_NODE_ATTRIBUTE_SCALAR(name, shortName, value, softMin, softMax, section, mentalray, \
                                      description)                                                  \
    NodeAttribute{#name,                                                                            \
                  shortName,                                                                        \
                  NodeAttribute::Kind::scalar,                                                      \
                  NodeAttribute::Group::material,                                                   \
                  {},                                                                               \
                  value,                                                                            \
                  true,                                                                             \
                  softMin,                                                                          \
                  softMax,                                                                          \
                  NodeAttribute::Affects::outColor,                                                 \
                  0,                                                                                \
                  NodeAttribute::ChannelOrder::channelsFirst,                                       \
                  section,                                                                          \
                  mentalray,                                                                        \
                  description},
#define SORVANE_NODE_ATTRIBUTE_VECTOR(name, shortName, x, y, z, value, slot, order, section, mentalray, \
                                      description)                                                      \
    NodeAttribute{#name,                                                                                \
                  shortName,                                                                            \
                  NodeAttribute::Kind::vector,                                                          \
                  NodeAttribute::Group::sampleInput,                                                    \
                  {{#name "X", x}, {#name "Y", y}, {#name "Z", z}},                                     \
                  value,                                                                                \
                  false,                                                                                \
                  0.0,                                                                                  \
                  0.0,                                                                                  \
                  NodeAttribute::Affects::outColor,                                                     \
                  slot,                                                                                 \
                  NodeAttribute::ChannelOrder::order,                                                   \
                  section,                                                                              \
                  mentalray,                                                                            \
                  description},

inline constexpr NodeAttribute kNodeAttributes[] = {SORVANE_NODE_ATTRIBUTES(
    SORVANE_NODE_ATTRIBUTE_COLOUR, SORVANE_NODE_ATTRIBUTE_SCALAR, SORVANE_NODE_ATTRIBUTE_VECTOR)};

#undef SORVANE_NODE_ATTRIBUTE_COLOUR
#undef SORVANE_NODE_ATTRIBUTE_SCALAR
#undef SORVANE_NODE_ATTRIBUTE_VECTOR

inline constexpr std::size_t kNodeAttributeCount = sizeof kNodeAttributes / sizeof kNodeAttributes[0];

// The light data, as the renderer fills it: the array, then its children in
// the order MFnLightDataAttribute takes them. initialize writes this group
// out; the Attribute Editor hides it.
inline constexpr const char* kLightDataArray = "lightDataArray";
inline constexpr const char* kLightDataChildren[] = {
    "lightDirection", "lightIntensity",      "lightAmbient",       "lightDiffuse",
    "lightSpecular",  "lightShadowFraction", "preShadowIntensity", "lightBlindData"};

}  // namespace shading
