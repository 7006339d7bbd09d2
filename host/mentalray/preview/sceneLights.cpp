#include "host/mentalray/preview/sceneLights.h"

#include <algorithm>
#include <cmath>

#include "lighting/areaSamples.h"

namespace sorvane::mrhost::preview {

namespace {

constexpr float kFar = 1.0e4f;

float dot(const miVector& a, const miVector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
miVector add(const miVector& a, const miVector& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
miVector sub(const miVector& a, const miVector& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
miVector scale(const miVector& v, float s) { return {v.x * s, v.y * s, v.z * s}; }
miVector cross(const miVector& a, const miVector& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
miVector unit(const miVector& v) {
    const float l = std::sqrt(dot(v, v));
    return l > 0.0f ? scale(v, 1.0f / l) : v;
}

const SampleContext* contextOf(const miState& state) {
    if (state.user != nullptr && state.user_size >= static_cast<int>(sizeof(SampleContext))) {
        return static_cast<const SampleContext*>(state.user);
    }
    return nullptr;
}

}  // namespace

ShapedLight::ShapedLight(const LightShape& shape, const lighting::ShadowQuery& shadows)
    : shape_(shape), shadows_(shadows) {
    shape_.direction = unit(shape_.direction);
    const miVector spotAxis = unit(shape_.direction);
    placed_ = {shape_.intensity,
               shape_.decayRate,
               shape_.type == LightShape::kSpot,
               {shape_.coneAngle, shape_.penumbraAngle, shape_.dropoff},
               {spotAxis.x, spotAxis.y, spotAxis.z}};
    const miVector helper = std::fabs(shape_.direction.y) < 0.9f ? miVector{0, 1, 0} : miVector{1, 0, 0};
    axisU_ = unit(cross(helper, shape_.direction));
    axisV_ = cross(shape_.direction, axisU_);
    grid_ = lighting::rectangleGrid(samplesPerPoint());
}

int ShapedLight::samplesPerPoint() const {
    return shape_.type == LightShape::kArea ? std::max(1, shape_.samples) : 1;
}

bool ShapedLight::sample(const miState& state, int index, LightSample& out) const {
    if (index < 0 || index >= samplesPerPoint()) return false;
    miVector from = state.point;
    miVector target;
    miVector shadowTarget{};
    bool ownShadowTarget = false;
    float value = shape_.intensity;
    if (shape_.type == LightShape::kInfinite) {
        out.direction = scale(shape_.direction, -1.0f);
        target = add(from, scale(out.direction, kFar));
    } else {
        target = shape_.position;
        if (shape_.type == LightShape::kArea) {
            // Behind the emitting side there is no light at all.
            if (dot(sub(from, shape_.position), shape_.direction) <= 0.0f) return false;
            // The shadow ray ends anywhere in the sample's cell, by the
            // sample's own seed, so soft shadows blur rather than band.
            const SampleContext* context = contextOf(state);
            const std::uint32_t seed =
                (context != nullptr ? context->seed : 0U) * 0x9e3779b9U + static_cast<std::uint32_t>(index);
            const lighting::RectangleOffset jittered =
                lighting::rectangleSample(index, grid_, seed, shape_.width, shape_.height);
            shadowTarget = add(shape_.position, add(scale(axisU_, jittered.u), scale(axisV_, jittered.v)));
            // The light's direction and strength come from the pixel's share
            // of the cell (stratified over the pixel's samples, the same in
            // every pixel): light that varies from pixel to pixel is grain.
            if (context != nullptr && context->sampleIndex >= 0) {
                const lighting::RectangleOffset at =
                    lighting::rectangleSample(index, grid_, lighting::cellOffset(index, context->sampleIndex),
                                              shape_.width, shape_.height);
                target = add(shape_.position, add(scale(axisU_, at.u), scale(axisV_, at.v)));
                ownShadowTarget = true;
            } else {
                target = shadowTarget;
            }
        }
        const std::optional<lighting::Arrival> arrival =
            lighting::arrivalFrom(placed_, {target.x, target.y, target.z}, {from.x, from.y, from.z});
        if (!arrival) return false;
        out.direction = {arrival->towards.x, arrival->towards.y, arrival->towards.z};
        // Outside a spot light's cone there is no sample at all.
        if (arrival->cone <= 0.0f) return false;
        value = arrival->strength;
    }
    const miVector& blocker = ownShadowTarget ? shadowTarget : target;
    if (shape_.shadows && shadows_.blocked({from.x, from.y, from.z}, {blocker.x, blocker.y, blocker.z}))
        value = 0.0f;
    out.color = {shape_.color.r * value, shape_.color.g * value, shape_.color.b * value, 1.0f};
    return true;
}

IrradianceProvider environmentIrradiance(const lighting::Environment& environment, miVector up) {
    if (environment.map != nullptr) {
        // The image's irradiance, gathered once when it was read.
        return [e = environment](const miState& state, miColor& out) {
            const miVector n = unit(state.normal);
            const lighting::Color3 c = e.map->irradiance(lighting::inMapFrame(e, n.x, n.y, n.z));
            out = {c[0] * e.intensity, c[1] * e.intensity, c[2] * e.intensity, 1.0f};
        };
    }
    return [e = environment, up = unit(up)](const miState& state, miColor& out) {
        const float h = dot(unit(state.normal), up);
        out = {lighting::skyIrradiance(e.sky[0], e.ground[0], h),
               lighting::skyIrradiance(e.sky[1], e.ground[1], h),
               lighting::skyIrradiance(e.sky[2], e.ground[2], h), 1.0f};
    };
}

}  // namespace sorvane::mrhost::preview
