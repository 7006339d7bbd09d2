#pragma once

// How a light weakens before it reaches a point: with distance, and across a
// spot light's cone, as Maya's lights do.

#include <algorithm>
#include <cmath>

namespace sorvane::lighting {

// The factor at `distance` for a decay rate of 0 (none), 1 (linear) or
// 2 (quadratic); any other rate is none.
inline float decay(int rate, float distance) {
    if (rate == 1) return 1.0f / distance;
    if (rate == 2) return 1.0f / (distance * distance);
    return 1.0f;
}

struct SpotCone {
    float coneAngle = 40.0f;     // degrees, full angle
    float penumbraAngle = 0.0f;  // degrees: positive fades out beyond the cone's edge, negative inside it
    float dropoff = 0.0f;        // exponent of the cosine to the axis
};

// The factor for a point seen from the light at an angle whose cosine to the
// spot's axis is `cosine`.
inline float spotFactor(const SpotCone& spot, float cosine) {
    constexpr float kDegreesPerRadian = 180.0f / 3.14159265358979f;
    cosine = std::clamp(cosine, -1.0f, 1.0f);
    const float angle = std::acos(cosine) * kDegreesPerRadian;
    const float edge = spot.coneAngle * 0.5f;
    float factor;
    if (spot.penumbraAngle > 0.0f) {
        factor = std::clamp((edge + spot.penumbraAngle - angle) / spot.penumbraAngle, 0.0f, 1.0f);
    } else if (spot.penumbraAngle < 0.0f) {
        factor = std::clamp((edge - angle) / -spot.penumbraAngle, 0.0f, 1.0f);
    } else {
        factor = angle <= edge ? 1.0f : 0.0f;
    }
    // Smooth the penumbra's edges, as Maya's does.
    factor = factor * factor * (3.0f - 2.0f * factor);
    if (spot.dropoff > 0.0f && factor > 0.0f) factor *= std::pow(std::max(cosine, 0.0f), spot.dropoff);
    return factor;
}

}  // namespace sorvane::lighting
