#pragma once

// The evaluation's inputs as the Maya host holds them, for the tests and
// benchmarks that drive the node with what they hand the evaluation directly.

#include <maya/MFloatVector.h>

#include "host/maya/mayaHost.h"
#include "model/vector.h"

namespace sorvane::testing {

inline MFloatVector toMaya(model::Vec3 v) { return {v.x, v.y, v.z}; }

// Any colour with r, g and b.
template <class Color>
MFloatVector toMaya(const Color& c) {
    return {c.r, c.g, c.b};
}

// One of the evaluation's light data elements as the host's; what the
// element has no field for (shadow fraction, blind data) stays as in `base`.
template <class Light>
mayahost::LightData toLightData(const Light& l, mayahost::LightData base = {}) {
    base.direction = toMaya(l.lightDirection);
    base.intensity = toMaya(l.lightIntensity);
    base.ambient = l.lightAmbient;
    base.diffuse = l.lightDiffuse;
    base.specular = l.lightSpecular;
    base.preShadowIntensity = l.preShadowIntensity;
    return base;
}

}  // namespace sorvane::testing
