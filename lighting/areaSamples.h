#pragma once

// Where an area light's samples sit on its rectangle: stratified, so that a
// few samples cover it evenly, and jittered within their cells, so that
// neighbouring shading points see different samples and soft shadows blur
// instead of banding.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "lighting/sampleHash.h"

namespace sorvane::lighting {

// Along the rectangle's width (u) and height (v), from its centre.
struct RectangleOffset {
    float u = 0.0f;
    float v = 0.0f;
};

// The grid `count` samples are spread over: about as many cells wide as high.
struct RectangleGrid {
    int columns = 1;
    int rows = 1;
};

inline RectangleGrid rectangleGrid(int count) {
    const int columns = std::max(1, static_cast<int>(std::lround(std::sqrt(static_cast<float>(count)))));
    return {columns, (count + columns - 1) / columns};
}

// Sample `index` on `grid` over a width x height rectangle, each in its own
// cell; `seed` places it in the cell. A light keeps its grid, so that each
// sample does not work it out again.
inline RectangleOffset rectangleSample(int index, RectangleGrid grid, std::uint32_t seed, float width,
                                       float height) {
    return {((static_cast<float>(index % grid.columns) + unitFloat(seed)) / grid.columns - 0.5f) * width,
            ((static_cast<float>(index / grid.columns) + unitFloat(seed ^ 0x5bd1e995U)) / grid.rows - 0.5f) *
                height};
}

// Where in its cell sample `index` of an area light falls for the
// `sampleIndex`th sample of a pixel: the pixel's samples take the points of
// a low-discrepancy sequence (R2), so together they cover each cell evenly,
// each cell starting at a point of its own. The same in every pixel: light
// that varies from pixel to pixel is grain. Both coordinates in [0, 1).
struct CellOffset {
    float u = 0.5f;
    float v = 0.5f;
};

inline CellOffset cellOffset(int index, int sampleIndex) {
    const double i = static_cast<double>(sampleIndex + 3 * index);
    const double u = 0.5 + i * 0.7548776662466927;
    const double v = 0.5 + i * 0.5698402909980532;
    return {static_cast<float>(u - std::floor(u)), static_cast<float>(v - std::floor(v))};
}

// Sample `index` on `grid`, placed in its cell at `at`.
inline RectangleOffset rectangleSample(int index, RectangleGrid grid, CellOffset at, float width,
                                       float height) {
    return {((static_cast<float>(index % grid.columns) + at.u) / grid.columns - 0.5f) * width,
            ((static_cast<float>(index / grid.columns) + at.v) / grid.rows - 0.5f) * height};
}

// Sample `index` of `count` over a width x height rectangle.
inline RectangleOffset rectangleSample(int index, int count, std::uint32_t seed, float width, float height) {
    return rectangleSample(index, rectangleGrid(count), seed, width, height);
}

}  // namespace sorvane::lighting
