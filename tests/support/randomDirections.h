#pragma once

// Seeded directions for the shading tests and benchmarks alike.

#include <cmath>
#include <random>

#include "model/vector.h"

namespace sorvane::testing {

// A unit vector uniform over the sphere, drawn again until its z, over its
// length, exceeds `minZ` (a normal facing the camera, a light above the horizon).
inline model::Vec3 unitFrom(std::mt19937& rng, float minZ) {
    std::normal_distribution<float> n(0.0f, 1.0f);
    for (;;) {
        const model::Vec3 v{n(rng), n(rng), n(rng)};
        const float l = std::sqrt(model::dot(v, v));
        if (l > 0.0f && v.z / l > minZ) return {v.x / l, v.y / l, v.z / l};
    }
}

}  // namespace sorvane::testing
