#pragma once

// The preview's environment: a sky over a ground, linear in the height. Along
// a unit direction d its radiance is ground + (sky - ground) (1 + d.up) / 2,
// so its irradiance about a normal has a closed form. One definition for the
// backdrop the command's renderer draws and the irradiance mental ray's
// gathers, in plain floats so that each reads it in its own types.

#include <array>

namespace sorvane::lighting {

struct Environment {
    // Linear RGB. The default is a dark studio backdrop, nearly even, so
    // nothing behind the ball competes with it.
    std::array<float, 3> sky{0.008f, 0.008f, 0.0085f};
    std::array<float, 3> ground{0.008f, 0.008f, 0.0085f};
};

// One channel's radiance along a direction whose height (the cosine between
// the unit direction and the world's unit vertical) is `height`.
inline float skyRadiance(float sky, float ground, float height) {
    const float w = 0.5f * (1.0f + height);
    return ground * (1.0f - w) + sky * w;
}

// One channel's irradiance about a unit normal of height `height`: the
// cosine-weighted integral of a + b (d.up) over the hemisphere about it,
// pi a + (2 pi / 3) b height.
inline float skyIrradiance(float sky, float ground, float height) {
    constexpr float kPi = 3.14159265358979f;
    const float a = 0.5f * (sky + ground);
    const float b = 0.5f * (sky - ground);
    return kPi * a + (2.0f * kPi / 3.0f) * b * height;
}

}  // namespace sorvane::lighting
