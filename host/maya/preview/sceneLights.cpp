#include "host/maya/preview/sceneLights.h"

#include <algorithm>
#include <cmath>

#include "lighting/lightArrival.h"
#include "lighting/sampleHash.h"

namespace sorvane::mayahost::preview {

namespace {

constexpr float kPi = 3.14159265358979f;
// Directional shadow rays end this far away: beyond any preview scene.
constexpr float kFar = 1.0e4f;

float dot(const MFloatVector& a, const MFloatVector& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
float length(const MFloatVector& v) { return std::sqrt(dot(v, v)); }
MFloatVector unit(const MFloatVector& v) {
    const float l = length(v);
    return l > 0.0f ? v * (1.0f / l) : v;
}
MFloatVector cross(const MFloatVector& a, const MFloatVector& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Point i of n on the unit disc: a sunflower spiral, turned by the seed.
void discPoint(int i, int n, std::uint32_t seed, float& a, float& b) {
    const float turn = lighting::unitFloat(seed);
    const float r = std::sqrt((static_cast<float>(i) + 0.5f) / static_cast<float>(n));
    const float angle = 2.0f * kPi * (static_cast<float>(i) * 0.618034f + turn);
    a = r * std::cos(angle);
    b = r * std::sin(angle);
}

lighting::Point toPoint(const MFloatVector& v) { return {v.x, v.y, v.z}; }

// The blocked part of the shadow rays from `point` to the light.
float shadowFraction(const LightNode& light, const MFloatVector& point, const MFloatVector& towardsLight,
                     std::uint32_t seed, const lighting::ShadowQuery& shadows) {
    const MFloatVector centre =
        light.type == LightNode::kDirectional ? point + towardsLight * kFar : light.position;
    const int rays = light.lightRadius > 0.0f ? std::max(1, light.shadowRays) : 1;
    if (rays == 1) return shadows.blocked(toPoint(point), toPoint(centre)) ? 1.0f : 0.0f;
    // Spread the ray ends over a disc facing the point.
    const MFloatVector helper =
        std::fabs(towardsLight.x) < 0.9f ? MFloatVector(1, 0, 0) : MFloatVector(0, 1, 0);
    const MFloatVector u = unit(cross(towardsLight, helper));
    const MFloatVector v = cross(towardsLight, u);
    const float radius = light.type == LightNode::kDirectional ? light.lightRadius * kFar : light.lightRadius;
    int blocked = 0;
    for (int i = 0; i < rays; ++i) {
        float a, b;
        discPoint(i, rays, seed, a, b);
        if (shadows.blocked(toPoint(point), toPoint(centre + u * (a * radius) + v * (b * radius)))) ++blocked;
    }
    return static_cast<float>(blocked) / static_cast<float>(rays);
}

}  // namespace

float illumination(const LightNode& light, const MFloatVector& point, MFloatVector& towardsLight) {
    switch (light.type) {
        case LightNode::kAmbient:
            towardsLight = unit(light.position - point);
            return light.intensity;
        case LightNode::kDirectional:
            towardsLight = -unit(light.direction);
            return light.intensity;
        case LightNode::kPoint:
        case LightNode::kSpot: {
            const lighting::PlacedLight placed{light.intensity,
                                               light.decayRate,
                                               light.type == LightNode::kSpot,
                                               {light.coneAngle, light.penumbraAngle, light.dropoff},
                                               toPoint(unit(light.direction))};
            const std::optional<lighting::Arrival> arrival =
                lighting::arrivalFrom(placed, toPoint(light.position), toPoint(point));
            if (!arrival) {
                towardsLight = MFloatVector(0.0f, 0.0f, 0.0f);
                return 0.0f;
            }
            towardsLight = MFloatVector(arrival->towards.x, arrival->towards.y, arrival->towards.z);
            return arrival->strength;
        }
    }
    return 0.0f;
}

LightData lightDataAt(const LightNode& light, const MFloatVector& point, std::uint32_t seed,
                      const lighting::ShadowQuery& shadows) {
    LightData data;
    MFloatVector towards;
    const float intensity = illumination(light, point, towards);
    data.direction = towards;
    data.preShadowIntensity = intensity;
    data.blindData = nullptr;
    if (light.type == LightNode::kAmbient) {
        data.ambient = true;
        data.diffuse = false;
        data.specular = false;
        data.shadowFraction = 0.0f;
    } else {
        data.ambient = false;
        data.diffuse = light.emitDiffuse;
        data.specular = light.emitSpecular;
        data.shadowFraction = light.useShadows && intensity > 0.0f
                                  ? shadowFraction(light, point, towards, seed, shadows)
                                  : 0.0f;
    }
    data.intensity = light.color * (intensity * (1.0f - data.shadowFraction));
    return data;
}

}  // namespace sorvane::mayahost::preview
