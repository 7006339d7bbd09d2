#include "cli/render/stageShader.h"

#include <algorithm>
#include <cmath>

#include "lighting/areaSamples.h"
#include "lighting/lightArrival.h"
#include "lighting/sampleHash.h"

namespace sorvane::render {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kFar = 1.0e4f;

using lighting::sampleHash;
using lighting::unitFloat;

lighting::Point toPoint(Vec3 v) { return {v.x, v.y, v.z}; }

// Two unit vectors across `axis`.
void frame(Vec3 axis, Vec3& u, Vec3& v) {
    const Vec3 helper = std::fabs(axis.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0};
    u = unitVector(cross(helper, axis));
    v = cross(axis, u);
}

}  // namespace

StageShader::StageShader(const Scene& cameraSpace, const SceneTracer& tracer)
    : scene_(cameraSpace), tracer_(tracer) {
    // The previewed object, else the first the hosts shade, else what the
    // camera looks at: a scene whose objects are all the set's still shows it.
    float distance = 0.0f;
    for (const int pass : {0, 1}) {
        for (const Object& object : cameraSpace.objects) {
            const bool stage = cameraSpace.materials[static_cast<std::size_t>(object.material)].stage;
            if (distance == 0.0f && (pass == 0 ? object.material == 0 : !stage))
                distance = length(object.center);
        }
    }
    if (distance == 0.0f) distance = cameraSpace.focusDistance;
    objectDistance_ = std::max(distance, 1e-3f);
}

Rgb StageShader::lightAt(const Light& light, Vec3 point, Vec3 normal, std::uint32_t seed) const {
    if (light.type == LightType::ambient) return light.color * light.intensity;
    // Where the light's samples sit: one, or spread over its area or disc.
    const bool area = light.type == LightType::area;
    const bool disc = !area && light.lightRadius > 0.0f;
    const int count = (area || disc) ? std::max(1, light.samples) : 1;
    Vec3 u, v;
    frame(light.type == LightType::point ? unitVector(point - light.position) : light.direction, u, v);
    const lighting::PlacedLight placed{light.intensity,
                                       light.decayRate,
                                       light.type == LightType::spot,
                                       {light.coneAngle, light.penumbraAngle, light.dropoff},
                                       toPoint(unitVector(light.direction))};
    float sum = 0.0f;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t s = sampleHash(seed * 0x9e3779b9U + static_cast<std::uint32_t>(i) * 0x85ebca6bU);
        Vec3 target;
        Vec3 towards;
        float value = light.intensity;
        if (light.type == LightType::directional) {
            towards = -unitVector(light.direction);
            Vec3 du, dv;
            frame(towards, du, dv);
            const float r = light.lightRadius * kFar;
            const float a = (unitFloat(s) - 0.5f) * r, b = (unitFloat(s ^ 0x5bd1e995U) - 0.5f) * r;
            target = point + towards * kFar + du * a + dv * b;
        } else {
            target = light.position;
            if (area) {
                const lighting::RectangleOffset at =
                    lighting::rectangleSample(i, count, s, light.width, light.height);
                target = target + u * at.u + v * at.v;
            } else if (disc) {
                // As the hosts do: the light's strength and direction from its
                // centre, only the shadow rays spread over the disc.
                const float r = light.lightRadius * std::sqrt((static_cast<float>(i) + unitFloat(s)) / count);
                const float angle =
                    2.0f * kPi * (static_cast<float>(i) * 0.618034f + unitFloat(s ^ 0x27d4eb2fU));
                target = target + u * (r * std::cos(angle)) + v * (r * std::sin(angle));
            }
            const std::optional<lighting::Arrival> arrival =
                lighting::arrivalFrom(placed, toPoint(disc ? light.position : target), toPoint(point));
            if (!arrival) continue;
            towards = {arrival->towards.x, arrival->towards.y, arrival->towards.z};
            // Behind an area light's emitting side there is no light.
            if (area && dot(towards, light.direction) >= 0.0f) continue;
            value = arrival->strength;
        }
        const float cosine = dot(towards, normal);
        if (!(cosine > 0.0f) || !(value > 0.0f)) continue;
        if (light.shadows && tracer_.occluded(point, target)) continue;
        sum += value * cosine;
    }
    return light.color * (sum / static_cast<float>(count));
}

Rgb StageShader::irradiance(Vec3 point, Vec3 normal, std::uint32_t seed) const {
    Rgb total;
    std::uint32_t s = seed;
    for (const Light& light : scene_.lights) {
        total = total + lightAt(light, point, normal, s);
        s = sampleHash(s + 0x632be5abU);
    }
    return total;
}

Rgb StageShader::shade(Vec3 point, Vec3 normal, Vec3 rayDirection, Rgb reflectance,
                       std::uint32_t seed) const {
    const float d = length(point) / objectDistance_;
    float fade = std::clamp((d - kStageFadeStart) / (kStageFadeEnd - kStageFadeStart), 0.0f, 1.0f);
    fade = fade * fade * (3.0f - 2.0f * fade);
    const Rgb backdrop = environmentRadiance(scene_.environment, scene_.worldUp, rayDirection);
    if (fade >= 1.0f) return backdrop;
    const Rgb e = irradiance(point, normal, seed);
    const Rgb lit{e.r * reflectance.r, e.g * reflectance.g, e.b * reflectance.b};
    return lit * (1.0f - fade) + backdrop * fade;
}

}  // namespace sorvane::render
