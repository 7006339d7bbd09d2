#pragma once

// The lights of our Maya host's software renderer: what it writes into one
// lightDataArray element for a shading point, per light type.
//
//   LightNode key;  key.type = LightNode::kSpot;  key.position = ...;
//   LightData element = lightDataAt(key, point, seed, shadows);
//   evaluation.setLight(lightDataArray, i, element);
//
// As Maya sets them: ambient lights contribute ambient only (no direction
// that matters, no shadows); directional, point and spot lights contribute
// diffuse and specular, not ambient. lightIntensity is after shadowing,
// preShadowIntensity the light's scalar intensity (decay and cone included)
// before it, lightShadowFraction the blocked part of the shadow rays.

#include <cstdint>

#include <maya/MFloatVector.h>

#include "host/maya/mayaHost.h"
#include "lighting/shadowQuery.h"

namespace sorvane::mayahost::preview {

// A light node of the scene (ambientLight, directionalLight, pointLight,
// spotLight) by the attributes the renderer reads from it.
struct LightNode {
    enum Type { kAmbient, kDirectional, kPoint, kSpot };
    Type type = kPoint;
    MFloatVector color{1.0f, 1.0f, 1.0f};
    float intensity = 1.0f;
    MFloatVector position;                      // point, spot
    MFloatVector direction{0.0f, 0.0f, -1.0f};  // where it shines: directional, spot
    int decayRate = 0;                          // 0 none, 1 linear, 2 quadratic
    float coneAngle = 40.0f;                    // degrees, full angle
    float penumbraAngle = 0.0f;                 // degrees beyond the cone (negative: inside)
    float dropoff = 0.0f;
    bool emitDiffuse = true;
    bool emitSpecular = true;
    bool useShadows = true;
    float lightRadius = 0.0f;  // soft shadows: shadow rays spread over a disc this wide
    int shadowRays = 1;
};

// The element for a shading point. `seed` decorrelates the shadow rays of
// neighbouring samples; the same seed gives the same element.
LightData lightDataAt(const LightNode& light, const MFloatVector& point, std::uint32_t seed,
                      const lighting::ShadowQuery& shadows);

// The scalar intensity of the light at `point` before shadowing, and the
// direction towards it (unit length).
float illumination(const LightNode& light, const MFloatVector& point, MFloatVector& towardsLight);

}  // namespace sorvane::mayahost::preview
