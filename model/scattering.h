#pragma once

// The scattering model shared by both deliverables: the phase factor, the
// reflection and transmission scattering terms and the falloff curve of the
// opposition and backlight effects.
//
// Every formula keeps the grouping and the literal constants of the shipped
// shaders (3.14159 is not pi): scenes rendered with them must render the same.
// The steps between the math calls are written once for a float and for a
// vector of lanes (T), so the Maya node's light batches
// (maya/lightBatchLanes.h) compute them as the scalar path does.
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

// The phase factor in three steps, so that a batch of lights can make its
// power calls together: the guard, the power's base, and the factor from
// the power pow(base, 1.5).
template <class Flavour>
bool phaseGuarded(float h) {
    // -0.0f compares equal to 0 and is guarded too; NaN is not.
    return Flavour::kZeroGuard && h == 0.0f;
}

// Not a limit of the formula: the guarded value is 1 + g^2 / 0.00001.
inline float guardedPhase(float g) { return 1.0f - (g * g) / -0.00001f; }

template <class T>
T phaseBase(T h, float g) {
    const float q = g * g;
    return q + 1.0f - h * (g * 2.0f);
}

template <class T>
T phaseFromPower(T power, float g) {
    const float q = g * g;
    return 1.0f - power * ((q * 0.25f) * 3.14159f);
}

template <class Flavour>
float scatterPhase(Vec3 N, Vec3 L, float g) {
    const float h = dot(N, L);
    if (phaseGuarded<Flavour>(h)) return guardedPhase(g);
    return phaseFromPower(Flavour::pow(phaseBase(h, g), 1.5f), g);
}

// What the two scattering terms share for one view direction and depth, the
// same for every light of a shading sample: worked out once per sample, it
// leaves each light only the calls that depend on the light.
struct ViewTerms {
    float c1 = 0.0f;         // cos(dot(V, N))
    float e1 = 0.0f;         // exp(-(d / c1))
    float inverseC1 = 0.0f;  // 1 / c1
};

// The dot products enter cos as angles in radians, so c1 and c2 are even in V.
template <class Flavour>
ViewTerms viewTerms(Vec3 V, Vec3 N, float d) {
    ViewTerms v;
    v.c1 = Flavour::cos(dot(V, N));
    v.e1 = Flavour::exp(-(d / v.c1));
    v.inverseC1 = 1.0f / v.c1;
    return v;
}

struct Scattering {
    float reflection = 0.0f;
    float transmission = 0.0f;
    float phase = 0.0f;
};

// The arguments of the light's two exponentials, e2 and e, from its
// cosine term c2 = cos(dot(N, L)).
template <class T>
T reflectionExponent(T c2, float d) {
    return -(d / c2);
}
template <class T>
T transmissionExponent(const ViewTerms& view, T c2, float d) {
    return -d - (view.inverseC1 - 1.0f / c2);
}

// The terms' shared weight, then each term, from the light's math-call results.
template <class T>
T scatteringWeight(const ViewTerms& view, T c2, T phase, float s) {
    return phase * s * 0.25f * (view.c1 + c2);
}
template <class T>
T reflectionFrom(const ViewTerms& view, T weight, T e2) {
    return weight * (view.e1 / e2);
}
template <class T>
T transmissionFrom(T weight, T e) {
    return weight * (1.0f - e);
}

// Both terms from the light's math-call results.
inline Scattering scatteringFrom(const ViewTerms& view, float c2, float phase, float e2, float e, float s) {
    Scattering out;
    out.phase = phase;
    const float weight = scatteringWeight(view, c2, out.phase, s);
    out.reflection = reflectionFrom(view, weight, e2);
    out.transmission = transmissionFrom(weight, e);
    return out;
}

// Reflection and transmission for one light from one phase factor and one
// light cosine, each value as scatterReflection and scatterTransmission give it.
template <class Flavour>
Scattering scatterBoth(const ViewTerms& view, Vec3 N, Vec3 L, float s, float g, float d) {
    const float c2 = Flavour::cos(dot(N, L));
    const float phase = scatterPhase<Flavour>(N, L, g);
    const float e2 = Flavour::exp(reflectionExponent(c2, d));
    const float e = Flavour::exp(transmissionExponent(view, c2, d));
    return scatteringFrom(view, c2, phase, e2, e, s);
}

template <class Flavour>
float scatterReflection(Vec3 V, Vec3 N, Vec3 L, float s, float g, float d) {
    return scatterBoth<Flavour>(viewTerms<Flavour>(V, N, d), N, L, s, g, d).reflection;
}

template <class Flavour>
float scatterTransmission(Vec3 V, Vec3 N, Vec3 L, float s, float g, float d) {
    return scatterBoth<Flavour>(viewTerms<Flavour>(V, N, d), N, L, s, g, d).transmission;
}

// The falloff curve's scale 1 / m, which depends on the strength k alone.
// k = 1 makes m infinite and the curve 1; k = 0 and k > 1 are left to IEEE.
template <class Flavour>
float falloffScale(float k) {
    const float m = Flavour::log(1.0f - k) * -0.375f;
    return 1.0f / m;
}

// The curve's two calls: t = tan(tangentArgument(x)), then
// pow(powerBase(t, scale), -1).
template <class T>
T falloffTangentArgument(T x) {
    return x * 0.5f;
}
template <class T>
T falloffPowerBase(T t, float scale) {
    return t * scale + 1.0f;
}

template <class Flavour>
float falloffCurveScaled(float x, float scale) {
    const float t = Flavour::tan(falloffTangentArgument(x));
    return Flavour::pow(falloffPowerBase(t, scale), -1.0f);
}

template <class Flavour>
float falloffCurve(float x, float k) {
    return falloffCurveScaled<Flavour>(x, falloffScale<Flavour>(k));
}

template <class Flavour>
float oppositionFalloff(Vec3 U, Vec3 N, float k) {
    return falloffCurve<Flavour>(dot(U, N), k);
}

// The curve takes the exponential of the negated cosine, not the cosine.
template <class T>
T backlightExponent(T ux, T uy, T uz, Vec3 N) {
    return -dot(ux, uy, uz, N);
}
inline float backlightExponent(Vec3 U, Vec3 N) { return backlightExponent(U.x, U.y, U.z, N); }

template <class Flavour>
float backlightFalloffScaled(Vec3 U, Vec3 N, float scale) {
    return falloffCurveScaled<Flavour>(Flavour::exp(backlightExponent(U, N)), scale);
}

template <class Flavour>
float backlightFalloff(Vec3 U, Vec3 N, float k) {
    return backlightFalloffScaled<Flavour>(U, N, falloffScale<Flavour>(k));
}

}  // namespace sorvane::model
