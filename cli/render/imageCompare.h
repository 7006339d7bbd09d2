#pragma once

// Compares a render with its reference the way image-diff tools do: a value
// (one channel of one pixel) fails when it differs by more than `fail`; the
// images match while no value differs by more than `hardFail` and at most
// `failFraction` of the values fail.

#include <cstddef>
#include <string>

#include "cli/render/image.h"

namespace sorvane::render {

struct CompareThresholds {
    float fail;
    float failFraction;
    float hardFail;
};

// The one set the reference renders are held to. Renders are deterministic,
// so these only absorb the last bits a compiler or math library may change.
inline constexpr CompareThresholds kReferenceThresholds{0.004f, 0.0005f, 0.03f};

struct CompareResult {
    bool match = false;
    std::size_t values = 0;
    std::size_t failing = 0;
    float largest = 0.0f;  // largest difference of any value
    std::string summary;   // one line, for a test's message
};

CompareResult compareImages(const Image& actual, const Image& reference, const CompareThresholds& thresholds);

// |actual - reference| per value, times `gain`, so small differences show.
Image differenceImage(const Image& actual, const Image& reference, float gain);

}  // namespace sorvane::render
