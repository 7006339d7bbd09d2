#include "cli/render/viewTransform.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "cli/render/imageFiles.h"
#include "host/lighting/sampleHash.h"

namespace sorvane::render {

float viewValue(float linear, const ViewTransform& view) {
    if (!(linear > 0.0f)) return 0.0f;  // NaN goes black rather than anywhere
    const float exposed = linear * std::exp2(view.exposure);
    if (!view.shoulder) return std::fmin(exposed, 1.0f);
    if (exposed <= kShoulderStart) return exposed;
    // Continuous in value and slope at the start, and never reaching 1, so
    // a highlight twice as bright still reads brighter.
    const float room = 1.0f - kShoulderStart;
    return kShoulderStart + room * (1.0f - std::exp(-(exposed - kShoulderStart) / room));
}

unsigned char ditheredSrgb8(float display, std::uint32_t x, std::uint32_t y, std::uint32_t channel) {
    // Triangular noise of up to one code either way, from the pixel's place:
    // its mean is the value itself, and it hides the steps between codes.
    const std::uint32_t at = (y * 0x9e3779b9U + x) * 3U + channel;
    const float noise = lighting::unitFloat(at) + lighting::unitFloat(at ^ 0x68e31da4U) - 1.0f;
    const float code = linearToSrgb(display) * 255.0f + noise;
    return static_cast<unsigned char>(std::lround(std::clamp(code, 0.0f, 255.0f)));
}

DisplayImage toDisplay(const Image& image, const ViewTransform& view) {
    DisplayImage out;
    out.width = image.width();
    out.height = image.height();
    out.rgb.reserve(image.pixels().size() * 3);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const Rgb& c = image.at(x, y);
            const auto px = static_cast<std::uint32_t>(x), py = static_cast<std::uint32_t>(y);
            out.rgb.push_back(ditheredSrgb8(viewValue(c.r, view), px, py, 0));
            out.rgb.push_back(ditheredSrgb8(viewValue(c.g, view), px, py, 1));
            out.rgb.push_back(ditheredSrgb8(viewValue(c.b, view), px, py, 2));
        }
    }
    return out;
}

}  // namespace sorvane::render
