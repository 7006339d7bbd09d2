#pragma once

// Where an area light's samples sit on its rectangle: stratified, so that a
// few samples cover it evenly, and jittered within their cells, so that
// neighbouring shading points see different samples and soft shadows blur
// instead of banding.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "host/lighting/sampleHash.h"

namespace sorvane::lighting {

// Along the rectangle's width (u) and height (v), from its centre.
struct RectangleOffset {
    float u = 0.0f;
    float v = 0.0f;
};

// Sample `index` of `count` over a width x height rectangle, each in its own
// cell of a grid about as many cells wide as high; `seed` places it in the cell.
inline RectangleOffset rectangleSample(int index, int count, std::uint32_t seed, float width, float height) {
    const int columns = std::max(1, static_cast<int>(std::lround(std::sqrt(static_cast<float>(count)))));
    const int rows = (count + columns - 1) / columns;
    return {((static_cast<float>(index % columns) + unitFloat(seed)) / columns - 0.5f) * width,
            ((static_cast<float>(index / columns) + unitFloat(seed ^ 0x5bd1e995U)) / rows - 0.5f) * height};
}

}  // namespace sorvane::lighting
