#pragma once

// How a linear render becomes a picture to look at: an exposure in stops,
// then a soft shoulder that rolls highlights off towards white instead of
// clipping them, then the sRGB curve, in 8 bits. EXR files stay linear and
// never pass through here.

#include <cstdint>
#include <vector>

#include "cli/render/image.h"

namespace sorvane::render {

struct ViewTransform {
    float exposure = 0.0f;  // stops: +1 doubles the light
    bool shoulder = true;
};

// Linear values up to here pass unchanged; above it they approach 1.
constexpr float kShoulderStart = 0.8f;

// The display value in [0, 1] before the sRGB curve: exposure, then shoulder.
float viewValue(float linear, const ViewTransform& view);

struct Rgb8 {
    unsigned char r = 0, g = 0, b = 0;
};

struct DisplayImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // 8-bit sRGB, row by row
};

// 8 bits are too few for a slow gradient (a floor fading into the
// backdrop): each value is dithered before it is rounded, the same for the
// same pixel, so no run of one code shows as a band.
DisplayImage toDisplay(const Image& image, const ViewTransform& view);
// One display value (viewValue's) at pixel (x, y) as a dithered 8-bit sRGB code.
unsigned char ditheredSrgb8(float display, std::uint32_t x, std::uint32_t y, std::uint32_t channel);

}  // namespace sorvane::render
