#include "cli/render/sceneTracer.h"

#include <cmath>
#include <limits>

namespace sorvane::render {

namespace {

constexpr float kPi = 3.14159265358979f;
// Far enough from a surface that a shadow ray does not find its own start.
constexpr float kEpsilon = 1e-4f;

}  // namespace

SceneTracer::SceneTracer(const Scene& cameraSpace)
    : scene_(cameraSpace), tanHalfHeight_(std::tan(cameraSpace.camera.fieldOfView * (kPi / 360.0f))) {}

Ray SceneTracer::cameraRay(float x, float y, int width, int height) const {
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    const float sx = (2.0f * x / static_cast<float>(width) - 1.0f) * tanHalfHeight_ * aspect;
    const float sy = (1.0f - 2.0f * y / static_cast<float>(height)) * tanHalfHeight_;
    return {{0.0f, 0.0f, 0.0f}, normalized({sx, sy, -1.0f})};
}

bool SceneTracer::hitObject(const Object& object, const Ray& ray, float tMin, float tMax, float& t) const {
    if (object.type == ObjectType::sphere) {
        const Vec3 oc = ray.origin - object.center;
        const float b = dot(oc, ray.direction);
        const float c = dot(oc, oc) - object.radius * object.radius;
        const float discriminant = b * b - c;
        if (discriminant < 0.0f) return false;
        const float root = std::sqrt(discriminant);
        float candidate = -b - root;
        if (candidate <= tMin) candidate = -b + root;
        if (candidate <= tMin || candidate >= tMax) return false;
        t = candidate;
        return true;
    }
    const float denominator = dot(ray.direction, object.axis);
    if (std::fabs(denominator) < 1e-12f) return false;
    const float candidate = dot(object.center - ray.origin, object.axis) / denominator;
    if (candidate <= tMin || candidate >= tMax) return false;
    if (object.radius > 0.0f) {
        const Vec3 offset = ray.origin + ray.direction * candidate - object.center;
        if (dot(offset, offset) > object.radius * object.radius) return false;
    }
    t = candidate;
    return true;
}

bool SceneTracer::trace(const Ray& ray, Hit& hit) const {
    float nearest = std::numeric_limits<float>::infinity();
    int found = -1;
    for (std::size_t i = 0; i < scene_.objects.size(); ++i) {
        float t;
        if (hitObject(scene_.objects[i], ray, kEpsilon * std::fmax(1.0f, length(ray.origin)), nearest, t)) {
            nearest = t;
            found = static_cast<int>(i);
        }
    }
    if (found < 0) return false;
    const Object& object = scene_.objects[static_cast<std::size_t>(found)];
    hit.t = nearest;
    hit.object = found;
    hit.point = ray.origin + ray.direction * nearest;
    const Vec3 bitangent = cross(object.axis, object.tangent);
    if (object.type == ObjectType::sphere) {
        hit.normal = normalized(hit.point - object.center);
        const float height = std::fmax(-1.0f, std::fmin(1.0f, dot(hit.normal, object.axis)));
        const float around = std::atan2(dot(hit.normal, bitangent), dot(hit.normal, object.tangent));
        hit.u = (around / (2.0f * kPi) + 0.5f) * 2.0f;  // twice v's range: square checks
        hit.v = std::acos(height) / kPi;
    } else {
        hit.normal = object.axis;
        const Vec3 offset = hit.point - object.center;
        hit.u = dot(offset, object.tangent);
        hit.v = dot(offset, bitangent);
    }
    // Shade both sides: the normal faces the viewer, as the renderer hands it over.
    if (dot(hit.normal, ray.direction) > 0.0f) hit.normal = -hit.normal;
    return true;
}

bool SceneTracer::occluded(Vec3 from, Vec3 to) const {
    const Vec3 span = to - from;
    const float distance = length(span);
    if (distance <= 2.0f * kEpsilon) return false;
    const Ray ray{from, span * (1.0f / distance)};
    for (const Object& object : scene_.objects) {
        float t;
        if (hitObject(object, ray, kEpsilon * std::fmax(1.0f, length(from)), distance - kEpsilon, t))
            return true;
    }
    return false;
}

}  // namespace sorvane::render
