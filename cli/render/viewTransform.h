#pragma once

// How a linear render becomes a picture to look at: an exposure in stops,
// then a soft shoulder that rolls highlights off towards white instead of
// clipping them, then the sRGB curve, in 8 bits. EXR files stay linear and
// never pass through here.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/render/image.h"

namespace sorvane::render {

// A view transform from elsewhere (an OpenColorIO display and view, see
// ocioDisplay.h): linear RGB in, display code values from 0 to 1 out, its
// own encoding included, in place of the shoulder and the sRGB curve.
class DisplayTransform {
public:
    virtual ~DisplayTransform() = default;
    virtual void apply(float* rgb, std::size_t pixels) const = 0;
    // What it is, for the picture's metadata.
    virtual std::string describe() const = 0;
};

struct ViewTransform {
    float exposure = 0.0f;  // stops: +1 doubles the light
    bool shoulder = true;
    std::shared_ptr<const DisplayTransform> display;  // none: the shoulder, then sRGB
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
    // The file may say it is sRGB; another display's encoding it cannot name.
    bool srgb = true;
};

// 8 bits are too few for a slow gradient (a floor fading into the
// backdrop): each value is dithered before it is rounded, the same for the
// same pixel, so no run of one code shows as a band.
DisplayImage toDisplay(const Image& image, const ViewTransform& view);
// One display value (viewValue's) at pixel (x, y) as a dithered 8-bit sRGB code.
unsigned char ditheredSrgb8(float display, std::uint32_t x, std::uint32_t y, std::uint32_t channel);
// A code value already encoded (0 to 1) as a dithered 8-bit code.
unsigned char dithered8(float code, std::uint32_t x, std::uint32_t y, std::uint32_t channel);

}  // namespace sorvane::render
