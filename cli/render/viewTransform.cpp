#include "cli/render/viewTransform.h"

#include <cmath>

#include "cli/render/imageFiles.h"

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

DisplayImage toDisplay(const Image& image, const ViewTransform& view) {
    DisplayImage out;
    out.width = image.width();
    out.height = image.height();
    out.rgb.reserve(image.pixels().size() * 3);
    for (const Rgb& c : image.pixels()) {
        out.rgb.push_back(toSrgb8(viewValue(c.r, view)));
        out.rgb.push_back(toSrgb8(viewValue(c.g, view)));
        out.rgb.push_back(toSrgb8(viewValue(c.b, view)));
    }
    return out;
}

}  // namespace sorvane::render
