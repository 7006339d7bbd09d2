#pragma once

// The material's parameters, one row each, for both plug-ins: the Maya
// node's attributes (maya/nodeAttributes.h) and the mental ray shader's
// parameters (mentalray/shaderParameters.h) are made from these rows, and
// so, through them, are the node's handles, the .mi declaration, the
// parameter block, its reads and the documentation tables. Free of both
// platforms, so the build's generators and the tests read it too.
//
//   COLOUR(name, default, description, maya, mentalray)
//   SCALAR(name, default, soft min, soft max, description, maya, mentalray)
//   VECTOR(name, default, description, maya, mentalray)
//   BOOLEAN(name, default, description, maya, mentalray)
//
// A compound's default is every channel's. The last two columns say what the
// row is on each host, or NONE where the host has no such value:
//
//   maya       COLOUR  MAYA(short name, R G B short names, group, affects, section)
//              SCALAR  MAYA(short name, section)
//              VECTOR  MAYA(short name, X Y Z short names, wiring slot, channel order, section)
//   mentalray  MENTALRAY(read)                     colours, vectors and booleans
//              MENTALRAY(read, {min}, {max})       scalars; {} where there is no limit
//
// Each host takes its rows in the table's order: that is the node's creation
// order, and the declaration's and the parameter block's, which are the
// library's binary interface, so a new parameter of the shader goes after
// the last one. `read` is the parameter's place in the order in which the
// shader reads its parameters (0 first), -1 for one it reads only when it
// needs it. section: the Attribute Editor layout that shows the attribute
// (nullptr: not shown). A name on both hosts is one value of the material.
// normalCamera is two rows: the node's renderer-filled normal and the
// shader's bump offset, with their own defaults.

// SORVANE_ON_HOST(column, MACRO, arguments...) is MACRO(arguments..., the
// column's values) for a MAYA(...) or MENTALRAY(...) column, and nothing for
// NONE: what a row becomes on a host it is not on.
#define SORVANE_ON_HOST(column, macro, ...) \
    SORVANE_ON_HOST_SPLIT(macro, (__VA_ARGS__), SORVANE_ON_HOST_COLUMN_##column)
#define SORVANE_ON_HOST_COLUMN_MAYA(...) 1, (__VA_ARGS__)
#define SORVANE_ON_HOST_COLUMN_MENTALRAY(...) 1, (__VA_ARGS__)
#define SORVANE_ON_HOST_COLUMN_NONE 0, ()
#define SORVANE_ON_HOST_SPLIT(macro, arguments, ...) SORVANE_ON_HOST_SELECT(macro, arguments, __VA_ARGS__)
#define SORVANE_ON_HOST_SELECT(macro, arguments, present, values) \
    SORVANE_ON_HOST_##present(macro, arguments, values)
#define SORVANE_ON_HOST_0(macro, arguments, values)
#define SORVANE_ON_HOST_1(macro, arguments, values) \
    SORVANE_ON_HOST_CALL(macro, (SORVANE_ON_HOST_UNPAREN arguments, SORVANE_ON_HOST_UNPAREN values))
#define SORVANE_ON_HOST_UNPAREN(...) __VA_ARGS__
#define SORVANE_ON_HOST_CALL(macro, arguments) macro arguments

// clang-format off
#define SORVANE_MATERIAL_TABLE(COLOR, SCALAR, VECTOR, BOOLEAN)                                          \
    COLOR(color, 0.5f, "surface colour",                                                              \
           MAYA("c", "cr", "cg", "cb", material, outColor, "Common Material Attributes"), MENTALRAY(0))  \
    COLOR(transparency, 0.0f, "darkens all but the highlight",                                        \
           MAYA("it", "itr", "itg", "itb", material, outColorAndTransparency,                          \
                "Common Material Attributes"), NONE)                                                   \
    COLOR(ambientColor, 0.0f, "ambient light, times color",                                           \
           MAYA("ambC", "ambCR", "ambCG", "ambCB", material, outColor, "Common Material Attributes"),   \
           MENTALRAY(1))                                                                               \
    COLOR(incandescence, 0.0f, "self-illumination",                                                   \
           MAYA("ic", "ir", "ig", "ib", material, outColor, "Common Material Attributes"), MENTALRAY(2)) \
    VECTOR(normalCamera, 0.0f, "added to the state's normal before normalising", NONE, MENTALRAY(9))    \
    SCALAR(diffuse, 0.8f, 0.0, 1.0, "diffuse weight",                                                  \
           MAYA("dfl", "Common Material Attributes"), MENTALRAY(11, {0.0}, {}))                        \
    COLOR(scatteringColor, 0.5f, "colour of the scattering terms",                                    \
           MAYA("sc", "scr", "scg", "scb", material, outColor, "Scattering"), MENTALRAY(3))             \
    SCALAR(scattering, 0.3f, 0.0, 1.0, "their weight",                                                 \
           MAYA("sctr", "Scattering"), MENTALRAY(12, {0.0}, {}))                                        \
    SCALAR(anisotropy, 0.65f, -1.0, 1.0, "phase factor: back (<0) or forward (>0)",                    \
           MAYA("ani", "Scattering"), MENTALRAY(13, {-1.0}, {1.0}))                                     \
    SCALAR(depth, 0.3f, 0.0, 1.0, "depth of the scattering layer",                                     \
           MAYA("dpth", "Scattering"), MENTALRAY(14, {0.0}, {}))                                        \
    COLOR(oppositionColor, 0.6f, "view-dependent opposition effect",                                  \
           MAYA("opc", "opcr", "opcg", "opcb", material, outColor, "Opposition"), MENTALRAY(4))         \
    SCALAR(opposition, 0.25f, 0.0, 1.0, "its falloff strength",                                        \
           MAYA("oppt", "Opposition"), MENTALRAY(15, {0.0}, {1.0}))                                     \
    COLOR(backlightColor, 0.4f, "light through the surface's edge",                                   \
           MAYA("bc", "bcr", "bcg", "bcb", material, outColor, "Backlight"), MENTALRAY(5))              \
    SCALAR(backlight, 0.3f, 0.0, 1.0, "its falloff strength",                                          \
           MAYA("bcl", "Backlight"), MENTALRAY(16, {0.0}, {1.0}))                                       \
    SCALAR(subsurfaceIntensity, 0.22f, 0.0, 1.0, "factor of each light sample's translucency group",   \
           NONE, MENTALRAY(17, {0.0}, {}))                                                             \
    SCALAR(eccentricity, 0.2f, 0.0, 1.0, "highlight size: exponent 6 / eccentricity",                  \
           MAYA("et", "Specular Shading"), MENTALRAY(7, {0.001}, {}))                                   \
    SCALAR(specularRollOff, 0.3f, 0.0, 1.0, "highlight weight",                                        \
           MAYA("sro", "Specular Shading"), MENTALRAY(8, {0.0}, {}))                                    \
    COLOR(specularColor, 0.5f, "highlight colour",                                                    \
           MAYA("spc", "spcr", "spcg", "spcb", material, outColor, "Specular Shading"), MENTALRAY(6))   \
    BOOLEAN(useIrradiance, false, "adds the gathered irradiance", NONE, MENTALRAY(10))                 \
    COLOR(irradianceColor, 1.0f, "the irradiance term's weight", NONE, MENTALRAY(-1))                 \
    COLOR(outColor, 0.0f, "the shaded colour",                                                        \
           MAYA("oc", "ocr", "ocg", "ocb", output, none, nullptr), NONE)                               \
    COLOR(outTransparency, 0.0f, "a copy of transparency",                                            \
           MAYA("ot", "otr", "otg", "otb", output, none, nullptr), NONE)                               \
    VECTOR(normalCamera, 1.0f, "shading normal; a bump node connects here",                            \
           MAYA("n", "nx", "ny", "nz", 2, channelsFirst, "Bump Mapping"), NONE)                        \
    VECTOR(rayDirection, 1.0f, "camera towards the shaded point",                                      \
           MAYA("rad", "rdx", "rdy", "rdz", 0, channelsFirst, nullptr), NONE)                          \
    VECTOR(pointCamera, 1.0f, "the shaded point",                                                      \
           MAYA("pc", "px", "py", "pz", 1, compoundFirst, nullptr), NONE)
// clang-format on
