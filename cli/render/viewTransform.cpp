#include "cli/render/viewTransform.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "cli/render/imageFiles.h"
#include "lighting/sampleHash.h"

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

unsigned char dithered8(float code, std::uint32_t x, std::uint32_t y, std::uint32_t channel) {
    // Triangular noise of up to one code either way, from the pixel's place:
    // its mean is the value itself, and it hides the steps between codes.
    const std::uint32_t at = (y * 0x9e3779b9U + x) * 3U + channel;
    const float noise = lighting::unitFloat(at) + lighting::unitFloat(at ^ 0x68e31da4U) - 1.0f;
    if (!(code > 0.0f)) code = 0.0f;  // NaN goes black rather than anywhere
    return static_cast<unsigned char>(std::lround(std::clamp(code * 255.0f + noise, 0.0f, 255.0f)));
}

unsigned char ditheredSrgb8(float display, std::uint32_t x, std::uint32_t y, std::uint32_t channel) {
    return dithered8(linearToSrgb(display), x, y, channel);
}

DisplayImage toDisplay(const Image& image, const ViewTransform& view) {
    DisplayImage out;
    out.width = image.width();
    out.height = image.height();
    out.rgb.reserve(image.pixels().size() * 3);
    if (view.display != nullptr) {
        // The exposure on the linear values, then the display's own transform.
        const float gain = std::exp2(view.exposure);
        std::vector<float> rgb;
        rgb.reserve(image.pixels().size() * 3);
        for (const Rgb& c : image.pixels()) rgb.insert(rgb.end(), {c.r * gain, c.g * gain, c.b * gain});
        view.display->apply(rgb.data(), image.pixels().size());
        for (std::size_t i = 0; i < rgb.size(); ++i) {
            const std::size_t pixel = i / 3;
            out.rgb.push_back(
                dithered8(rgb[i], static_cast<std::uint32_t>(pixel % static_cast<std::size_t>(out.width)),
                          static_cast<std::uint32_t>(pixel / static_cast<std::size_t>(out.width)),
                          static_cast<std::uint32_t>(i % 3)));
        }
        out.srgb = false;
        return out;
    }
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
