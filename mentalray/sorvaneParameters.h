#pragma once

// The parameter block of qm7r_sorvane, one field per row of
// shaderParameters.h. The renderer lays it out from the .mi declaration that
// the build makes from the same rows, so the two list the same parameters in
// the same order with the same types. The offsets below are the released
// library's: scenes and shaders built against it read the block there.

#include <cstddef>

#include <shader.h>

#include "mentalray/shaderParameters.h"

struct SorvaneParameters {
#include "mentalray/shaderParameterFields.inc"
    // array light "lights": start index, count, first element; the renderer
    // stores the elements contiguously from lights[0] on.
    miInteger i_lights;
    miInteger n_lights;
    miTag lights[1];
};

// The block as released.
static_assert(offsetof(SorvaneParameters, color) == 0);
static_assert(offsetof(SorvaneParameters, ambientColor) == 16);
static_assert(offsetof(SorvaneParameters, incandescence) == 32);
static_assert(offsetof(SorvaneParameters, normalCamera) == 48);
static_assert(offsetof(SorvaneParameters, diffuse) == 60);
static_assert(offsetof(SorvaneParameters, scatteringColor) == 64);
static_assert(offsetof(SorvaneParameters, scattering) == 80);
static_assert(offsetof(SorvaneParameters, anisotropy) == 84);
static_assert(offsetof(SorvaneParameters, depth) == 88);
static_assert(offsetof(SorvaneParameters, oppositionColor) == 92);
static_assert(offsetof(SorvaneParameters, opposition) == 108);
static_assert(offsetof(SorvaneParameters, backlightColor) == 112);
static_assert(offsetof(SorvaneParameters, backlight) == 128);
static_assert(offsetof(SorvaneParameters, subsurfaceIntensity) == 132);
static_assert(offsetof(SorvaneParameters, eccentricity) == 136);
static_assert(offsetof(SorvaneParameters, specularRollOff) == 140);
static_assert(offsetof(SorvaneParameters, specularColor) == 144);
static_assert(offsetof(SorvaneParameters, useIrradiance) == 160);
static_assert(offsetof(SorvaneParameters, irradianceColor) == 164);

// Every field lies where the one before it ends, as the renderer lays them
// out, and the array follows the last: a new parameter moves only the array.
namespace sorvane_parameters_layout {
#define SORVANE_SHADER_COLOR(...) +sizeof(miColor)
#define SORVANE_SHADER_SCALAR(...) +sizeof(miScalar)
#define SORVANE_SHADER_VECTOR(...) +sizeof(miVector)
#define SORVANE_SHADER_BOOLEAN(...) +sizeof(miBoolean)
inline constexpr std::size_t kParameterBytes = 0 SORVANE_SHADER_PARAMETERS;
#undef SORVANE_SHADER_COLOR
#undef SORVANE_SHADER_SCALAR
#undef SORVANE_SHADER_VECTOR
#undef SORVANE_SHADER_BOOLEAN
}  // namespace sorvane_parameters_layout
static_assert(offsetof(SorvaneParameters, i_lights) == sorvane_parameters_layout::kParameterBytes);
static_assert(offsetof(SorvaneParameters, n_lights) == offsetof(SorvaneParameters, i_lights) + 4);
static_assert(offsetof(SorvaneParameters, lights) == offsetof(SorvaneParameters, i_lights) + 8);
static_assert(sizeof(SorvaneParameters) == offsetof(SorvaneParameters, lights) + sizeof(miTag));
