#include "cli/render/imageCompare.h"

#include <algorithm>
#include <cmath>
#include <sstream>

namespace sorvane::render {

CompareResult compareImages(const Image& actual, const Image& reference,
                            const CompareThresholds& thresholds) {
    CompareResult result;
    std::ostringstream summary;
    if (actual.width() != reference.width() || actual.height() != reference.height()) {
        summary << "size " << actual.width() << "x" << actual.height() << " differs from the reference's "
                << reference.width() << "x" << reference.height();
        result.summary = summary.str();
        return result;
    }
    for (std::size_t i = 0; i < actual.pixels().size(); ++i) {
        const Rgb& a = actual.pixels()[i];
        const Rgb& r = reference.pixels()[i];
        for (const float d : {a.r - r.r, a.g - r.g, a.b - r.b}) {
            // A NaN on either side counts as the largest difference there is.
            const float difference = std::isnan(d) ? INFINITY : std::fabs(d);
            ++result.values;
            if (difference > thresholds.fail) ++result.failing;
            result.largest = std::max(result.largest, difference);
        }
    }
    const double fraction = result.values ? static_cast<double>(result.failing) / result.values : 0.0;
    const bool hard = result.largest > thresholds.hardFail;
    // As a count, so that a fraction like 1% allows exactly 12 of 1200 despite float rounding.
    const auto allowed =
        static_cast<std::size_t>(static_cast<double>(thresholds.failFraction) * result.values + 1e-6);
    result.match = !hard && result.failing <= allowed;
    summary << result.failing << " of " << result.values << " values differ by more than " << thresholds.fail
            << " (" << fraction * 100.0 << "%, allowed " << thresholds.failFraction * 100.0 << "%); largest "
            << result.largest << (hard ? " is over the hard limit " : ", hard limit ") << thresholds.hardFail;
    result.summary = summary.str();
    return result;
}

Image differenceImage(const Image& actual, const Image& reference, float gain) {
    const int width = std::min(actual.width(), reference.width());
    const int height = std::min(actual.height(), reference.height());
    Image out(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb& a = actual.at(x, y);
            const Rgb& r = reference.at(x, y);
            out.at(x, y) = {std::fabs(a.r - r.r) * gain, std::fabs(a.g - r.g) * gain,
                            std::fabs(a.b - r.b) * gain};
        }
    }
    return out;
}

}  // namespace sorvane::render
