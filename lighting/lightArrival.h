#pragma once

// What reaches a point from a light that has a place (a point or spot light,
// or a place on an area light): the way towards it and its strength before
// shadows. The one copy of that per-type arithmetic for the stage and both
// hosts' renderers; what stays with each is its own rule for lights without a
// place (ambient, directional) and for an area light's back.

#include <cmath>
#include <optional>

#include "lighting/lightFalloff.h"
#include "lighting/shadowQuery.h"

namespace sorvane::lighting {

struct PlacedLight {
    float intensity = 0.0f;
    int decayRate = 0;  // as decay() takes it
    bool spot = false;
    SpotCone cone;   // a spot light's
    Point spotAxis;  // unit: the way a spot light shines
};

struct Arrival {
    Point towards;          // unit, from the lit point towards the light
    float distance = 0.0f;  // to the light
    float cone = 1.0f;      // a spot light's factor at this angle; 1 for any other light
    float strength = 0.0f;  // the intensity after the distance and the cone
};

// The light leaving `from` (the light, or a place on it) for `at`; none where
// the two coincide, since there is no way towards the light.
inline std::optional<Arrival> arrivalFrom(const PlacedLight& light, Point from, Point at) {
    const Point offset{from.x - at.x, from.y - at.y, from.z - at.z};
    const float distance = std::sqrt(offset.x * offset.x + offset.y * offset.y + offset.z * offset.z);
    if (!(distance > 0.0f)) return std::nullopt;
    const float inverse = 1.0f / distance;
    Arrival out;
    out.towards = {offset.x * inverse, offset.y * inverse, offset.z * inverse};
    out.distance = distance;
    out.strength = light.intensity * decay(light.decayRate, distance);
    if (light.spot) {
        const Point away{-out.towards.x, -out.towards.y, -out.towards.z};
        const Point& axis = light.spotAxis;
        out.cone = spotFactor(light.cone, axis.x * away.x + axis.y * away.y + axis.z * away.z);
        out.strength *= out.cone;
    }
    return out;
}

}  // namespace sorvane::lighting
