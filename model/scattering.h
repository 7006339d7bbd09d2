#pragma once

// The scattering model shared by both deliverables: the phase factor, the
// reflection and transmission scattering terms and the falloff curve of the
// opposition and backlight effects.
//
// Every formula keeps the grouping and the literal constants of the shipped
// shaders (3.14159 is not pi): scenes rendered with them must render the same.
// Each function is a template over a flavour:
//   MayaFlavour       single-precision math functions, no zero guard;
//   MentalRayFlavour  double-precision math functions applied to the float
//                     values, results stored as float; zero guard on.

#include <cmath>

#include "model/vector.h"

namespace sorvane::model {

struct MayaFlavour {
    static constexpr bool kZeroGuard = false;
    static float cos(float x) { return std::cos(x); }
    static float exp(float x) { return std::exp(x); }
    static float pow(float x, float y) { return std::pow(x, y); }
    static float log(float x) { return std::log(x); }
    static float tan(float x) { return std::tan(x); }
};

struct MentalRayFlavour {
    static constexpr bool kZeroGuard = true;
    static float cos(float x) { return static_cast<float>(std::cos(static_cast<double>(x))); }
    static float exp(float x) { return static_cast<float>(std::exp(static_cast<double>(x))); }
    static float pow(float x, float y) {
        return static_cast<float>(std::pow(static_cast<double>(x), static_cast<double>(y)));
    }
    static float log(float x) { return static_cast<float>(std::log(static_cast<double>(x))); }
    static float tan(float x) { return static_cast<float>(std::tan(static_cast<double>(x))); }
};

template <class Flavour>
float scatterPhase(Vec3 N, Vec3 L, float g) {
    const float h = dot(N, L);
    if constexpr (Flavour::kZeroGuard) {
        // Not a limit of the formula below: the guarded value is 1 + g^2 / 0.00001.
        // -0.0f compares equal to 0 and is guarded too; NaN is not.
        if (h == 0.0f) {
            return 1.0f - (g * g) / -0.00001f;
        }
    }
    const float q = g * g;
    const float base = q + 1.0f - h * (g * 2.0f);
    return 1.0f - Flavour::pow(base, 1.5f) * ((q * 0.25f) * 3.14159f);
}

// The dot products enter cos as angles in radians, so c1 and c2 are even in V.
template <class Flavour>
float scatterReflection(Vec3 V, Vec3 N, Vec3 L, float s, float g, float d) {
    const float c1 = Flavour::cos(dot(V, N));
    const float c2 = Flavour::cos(dot(N, L));
    const float P = scatterPhase<Flavour>(N, L, g);
    const float e1 = Flavour::exp(-(d / c1));
    const float e2 = Flavour::exp(-(d / c2));
    return P * s * 0.25f * (c1 + c2) * (e1 / e2);
}

template <class Flavour>
float scatterTransmission(Vec3 V, Vec3 N, Vec3 L, float s, float g, float d) {
    const float c1 = Flavour::cos(dot(V, N));
    const float c2 = Flavour::cos(dot(N, L));
    const float P = scatterPhase<Flavour>(N, L, g);
    const float e = Flavour::exp(-d - (1.0f / c1 - 1.0f / c2));
    return P * s * 0.25f * (c1 + c2) * (1.0f - e);
}

// k = 1 makes m infinite and the curve 1; k = 0 and k > 1 are left to IEEE.
template <class Flavour>
float falloffCurve(float x, float k) {
    const float m = Flavour::log(1.0f - k) * -0.375f;
    const float t = Flavour::tan(x * 0.5f);
    return Flavour::pow(t * (1.0f / m) + 1.0f, -1.0f);
}

template <class Flavour>
float oppositionFalloff(Vec3 U, Vec3 N, float k) {
    return falloffCurve<Flavour>(dot(U, N), k);
}

// The curve takes the exponential of the negated cosine, not the cosine.
template <class Flavour>
float backlightFalloff(Vec3 U, Vec3 N, float k) {
    return falloffCurve<Flavour>(Flavour::exp(-dot(U, N)), k);
}

}  // namespace sorvane::model
