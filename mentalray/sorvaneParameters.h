#pragma once

// The parameter block of qm7r_sorvane. The renderer lays it out from
// qm7r_sorvane.mi, so the two must list the same parameters in the same order
// with the same types; the offsets below are what that layout gives.

#include <cstddef>

#include <shader.h>

struct SorvaneParameters {
    miColor color;
    miColor ambientColor;
    miColor incandescence;
    miVector normalCamera;
    miScalar diffuse;
    miColor scatteringColor;
    miScalar scattering;
    miScalar anisotropy;
    miScalar depth;
    miColor oppositionColor;
    miScalar opposition;
    miColor backlightColor;
    miScalar backlight;
    miScalar subsurfaceIntensity;
    miScalar eccentricity;
    miScalar specularRollOff;
    miColor specularColor;
    miBoolean useIrradiance;
    miColor irradianceColor;
    // array light "lights": start index, count, first element; the renderer
    // stores the elements contiguously from lights[0] on.
    miInteger i_lights;
    miInteger n_lights;
    miTag lights[1];
};

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
static_assert(offsetof(SorvaneParameters, i_lights) == 180);
static_assert(offsetof(SorvaneParameters, n_lights) == 184);
static_assert(offsetof(SorvaneParameters, lights) == 188);
static_assert(sizeof(SorvaneParameters) == 192);
