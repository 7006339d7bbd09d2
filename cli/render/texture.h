#pragma once

#include <cmath>

#include "cli/render/scene.h"

namespace sorvane::render {

// The checker's factor at texture coordinates (u, v): 1 on light squares,
// `dark` on the others.
inline float checkerFactor(const TextureBinding& texture, float u, float v) {
    const float i = std::floor(u * texture.checks);
    const float j = std::floor(v * texture.checks);
    const bool light = std::fmod(std::fabs(i + j), 2.0f) < 0.5f;
    return light ? 1.0f : texture.dark;
}

}  // namespace sorvane::render
