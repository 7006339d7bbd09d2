#pragma once

// The preview's environment: a sky over a ground, linear in the height, or
// an image (environmentMap.h). Along
// a unit direction d its radiance is ground + (sky - ground) (1 + d.up) / 2,
// so its irradiance about a normal has a closed form. One definition for the
// backdrop the command's renderer draws and the irradiance mental ray's
// gathers, in plain floats so that each reads it in its own types.

#include <array>
#include <memory>

#include "lighting/environmentMap.h"

namespace sorvane::lighting {

struct Environment {
    // Linear RGB. The default is a dark studio backdrop, nearly even, so
    // nothing behind the ball competes with it.
    std::array<float, 3> sky{0.008f, 0.008f, 0.0085f};
    std::array<float, 3> ground{0.008f, 0.008f, 0.0085f};
    // An image, when one is given: it takes the place of sky and ground.
    std::shared_ptr<const EnvironmentMap> map;
    float intensity = 1.0f;  // scales the image's radiance
    // Rows of the rotation from the shading space to the map's frame.
    std::array<Direction, 3> toMap{Direction{1.0f, 0.0f, 0.0f}, Direction{0.0f, 1.0f, 0.0f},
                                   Direction{0.0f, 0.0f, 1.0f}};
};

// A direction of the shading space in the map's frame.
inline Direction inMapFrame(const Environment& environment, float x, float y, float z) {
    const auto& m = environment.toMap;
    return {m[0][0] * x + m[0][1] * y + m[0][2] * z, m[1][0] * x + m[1][1] * y + m[1][2] * z,
            m[2][0] * x + m[2][1] * y + m[2][2] * z};
}

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
