#pragma once

// The lights and the environment of our mental ray host's renderer, as
// mi_sample_light and mi_compute_irradiance answer from them.
//
//   preview::LightShape key;  key.type = preview::LightShape::kArea;  ...
//   miTag tag = scene.addLight(std::make_shared<preview::ShapedLight>(key, shadows));
//   scene.setIrradianceProvider(preview::environmentIrradiance(environment, up));
//   preview::SampleContext context{seed};  state.user = &context;  // per sample
//
// A point, spot or infinite light gives one sample; an area light gives
// `samples` of them, spread over its rectangle. A shadowed sample is still
// delivered, black; a point outside a spot's cone, or behind an area light,
// gets no sample at all.

#include <cstdint>

#include "host/mentalray/sceneDatabase.h"
#include "lighting/areaSamples.h"
#include "lighting/environment.h"
#include "lighting/lightArrival.h"
#include "lighting/shadowQuery.h"

namespace sorvane::mrhost::preview {

// What the renderer puts at state.user for the lights: a number that differs
// per pixel and sample, so neighbouring samples see different light samples.
struct SampleContext {
    std::uint32_t seed = 0;
    // This sample's place among its pixel's samples (-1: not known): a
    // pixel's samples then share out an area light's cells between them.
    int sampleIndex = -1;
};

struct LightShape {
    enum Type { kPoint, kSpot, kInfinite, kArea };
    Type type = kPoint;
    miColor color{1.0f, 1.0f, 1.0f, 1.0f};
    float intensity = 1.0f;
    miVector position{0.0f, 0.0f, 0.0f};
    miVector direction{0.0f, 0.0f, -1.0f};  // where it shines: spot, infinite, area normal
    int decayRate = 0;                      // 0 none, 1 linear, 2 quadratic
    float coneAngle = 40.0f;                // spot: degrees, full angle
    float penumbraAngle = 0.0f;             // spot: degrees beyond the cone (negative: inside)
    float dropoff = 0.0f;                   // spot
    float width = 1.0f;                     // area
    float height = 1.0f;                    // area
    int samples = 8;                        // area
    bool shadows = true;
};

// A light sampled from its shape as seen from the shaded point, shadowed by
// the scene.
class ShapedLight : public Light {
public:
    ShapedLight(const LightShape& shape, const lighting::ShadowQuery& shadows);
    bool sample(const miState& state, int index, LightSample& out) const override;
    int samplesPerPoint() const;

private:
    LightShape shape_;
    const lighting::ShadowQuery& shadows_;
    lighting::PlacedLight
        placed_;  // its spot axis is unit(direction) once more, as the cone has always been measured
    miVector axisU_{}, axisV_{};    // the area light's rectangle
    lighting::RectangleGrid grid_;  // its samples' cells
};

// What mi_compute_irradiance answers under `environment`, whose vertical is
// `up` in the shading points' space: its image's irradiance when it has one.
IrradianceProvider environmentIrradiance(const lighting::Environment& environment, miVector up);

}  // namespace sorvane::mrhost::preview
