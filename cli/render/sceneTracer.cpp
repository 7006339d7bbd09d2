#include "cli/render/sceneTracer.h"

#include <embree3/rtcore.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "cli/render/sceneMesh.h"

namespace sorvane::render {

namespace {

constexpr float kPi = 3.14159265358979f;
// Far enough from a surface that a shadow ray does not find its own start.
constexpr float kEpsilon = 1e-4f;
// The least cosine between a mesh's shading normal and the way to the viewer.
constexpr float kFacing = 1e-3f;

// Where a mesh object puts its mesh: the mesh's axes, scaled, and its origin,
// in camera space. Rays are taken into the mesh's own space, their
// directions scaled with it so that distances along them stay as they were.
struct Placement {
    int object = 0;
    const mesh::TriangleMesh* triangles = nullptr;
    RTCScene accelerator = nullptr;
    Vec3 x, y, z;  // unit
    float scale = 1.0f;
    Vec3 origin;
    float reach = 0.0f;  // of the farthest vertex from the origin

    Vec3 direction(mesh::Float3 d) const { return x * d.x + y * d.y + z * d.z; }
    Vec3 localPoint(Vec3 p) const {
        const Vec3 d = p - origin;
        return Vec3{dot(d, x), dot(d, y), dot(d, z)} * (1.0f / scale);
    }
    Vec3 localDirection(Vec3 d) const { return Vec3{dot(d, x), dot(d, y), dot(d, z)} * (1.0f / scale); }
    // Whether the ray between tMin and tMax can meet the mesh at all: most
    // rays (the set's shadow rays, the backdrop's) pass it by, and are
    // answered here without a walk down the hierarchy.
    bool near(const Ray& ray, float tMin, float tMax) const {
        const Vec3 oc = ray.origin - origin;
        const float b = dot(oc, ray.direction);
        const float c = dot(oc, oc) - reach * reach;
        const float discriminant = b * b - c;
        if (discriminant < 0.0f) return false;
        const float root = std::sqrt(discriminant);
        return -b + root >= tMin && -b - root <= tMax;
    }
};

Vec3 vec(mesh::Float3 p) { return {p.x, p.y, p.z}; }

}  // namespace

struct SceneTracer::Meshes {
    std::vector<Placement> placements;
};

SceneTracer::SceneTracer(const Scene& cameraSpace)
    : scene_(cameraSpace), tanHalfHeight_(std::tan(cameraSpace.camera.fieldOfView * (kPi / 360.0f))) {
    for (std::size_t i = 0; i < cameraSpace.objects.size(); ++i) {
        const Object& object = cameraSpace.objects[i];
        if (object.type != ObjectType::mesh || !object.mesh) continue;
        if (!meshes_) meshes_ = std::make_unique<Meshes>();
        Placement p;
        p.object = static_cast<int>(i);
        p.triangles = &object.mesh->triangles();
        p.accelerator = object.mesh->accelerator();
        p.y = unitVector(object.axis);
        const Vec3 back = -object.tangent;
        p.z = unitVector(back - p.y * dot(back, p.y));
        if (length(p.z) == 0.0f) {
            const Vec3 helper = std::fabs(p.y.x) < 0.9f ? Vec3{1, 0, 0} : Vec3{0, 0, 1};
            p.z = unitVector(cross(helper, p.y));
        }
        p.x = cross(p.y, p.z);
        p.scale = object.radius;
        // Resting on the bottom of the ball's bounds.
        p.origin = object.center + p.y * (object.radius * (p.triangles->halfExtent.y - 1.0f));
        // A little wider than the farthest vertex, for the rounding of the test.
        p.reach = object.mesh->reach() * object.radius * (1.0f + 1e-4f) + 1e-6f;
        meshes_->placements.push_back(p);
    }
}

SceneTracer::~SceneTracer() = default;

Ray SceneTracer::cameraRay(float x, float y, int width, int height) const {
    const float aspect = static_cast<float>(width) / static_cast<float>(height);
    const float sx = (2.0f * x / static_cast<float>(width) - 1.0f) * tanHalfHeight_ * aspect;
    const float sy = (1.0f - 2.0f * y / static_cast<float>(height)) * tanHalfHeight_;
    return {{0.0f, 0.0f, 0.0f}, unitVector({sx, sy, -1.0f})};
}

bool SceneTracer::hitObject(const Object& object, const Ray& ray, float tMin, float tMax, float& t) const {
    if (object.type == ObjectType::mesh) return false;  // Embree's
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
    if (meshes_ && traceMeshes(ray, kEpsilon * std::fmax(1.0f, length(ray.origin)), nearest, hit))
        return true;
    if (found < 0) return false;
    const Object& object = scene_.objects[static_cast<std::size_t>(found)];
    hit.t = nearest;
    hit.object = found;
    hit.point = ray.origin + ray.direction * nearest;
    const Vec3 bitangent = cross(object.axis, object.tangent);
    if (object.type == ObjectType::sphere) {
        hit.normal = unitVector(hit.point - object.center);
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
    if (!meshes_) return false;
    const float tMin = kEpsilon * std::fmax(1.0f, length(from));
    const float tMax = distance - kEpsilon;
    if (!(tMax > tMin)) return false;
    for (const Placement& place : meshes_->placements) {
        if (!place.near(ray, tMin, tMax)) continue;
        const Vec3 origin = place.localPoint(from), direction = place.localDirection(ray.direction);
        RTCRay shadow{};
        shadow.org_x = origin.x;
        shadow.org_y = origin.y;
        shadow.org_z = origin.z;
        shadow.dir_x = direction.x;
        shadow.dir_y = direction.y;
        shadow.dir_z = direction.z;
        shadow.tnear = tMin;
        shadow.tfar = tMax;
        shadow.mask = 0xffffffffU;
        RTCIntersectContext context;
        rtcInitIntersectContext(&context);
        rtcOccluded1(place.accelerator, &context, &shadow);
        if (shadow.tfar < 0.0f) return true;  // Embree's mark of a hit
    }
    return false;
}

bool SceneTracer::traceMeshes(const Ray& ray, float tMin, float tMax, Hit& hit) const {
    const Placement* found = nullptr;
    RTCRayHit nearest{};
    for (const Placement& place : meshes_->placements) {
        if (!place.near(ray, tMin, tMax)) continue;
        const Vec3 origin = place.localPoint(ray.origin), direction = place.localDirection(ray.direction);
        RTCRayHit query{};
        query.ray.org_x = origin.x;
        query.ray.org_y = origin.y;
        query.ray.org_z = origin.z;
        query.ray.dir_x = direction.x;
        query.ray.dir_y = direction.y;
        query.ray.dir_z = direction.z;
        query.ray.tnear = tMin;
        query.ray.tfar = tMax;
        query.ray.mask = 0xffffffffU;
        query.hit.geomID = RTC_INVALID_GEOMETRY_ID;
        query.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
        RTCIntersectContext context;
        rtcInitIntersectContext(&context);
        rtcIntersect1(place.accelerator, &context, &query);
        if (query.hit.geomID == RTC_INVALID_GEOMETRY_ID) continue;
        tMax = query.ray.tfar;
        nearest = query;
        found = &place;
    }
    if (found == nullptr) return false;
    const Placement& place = *found;
    const RTCRayHit& query = nearest;
    const mesh::TriangleMesh& m = *place.triangles;
    const mesh::Triangle& triangle = m.triangles[query.hit.primID];
    const float b1 = query.hit.u, b2 = query.hit.v, b0 = 1.0f - b1 - b2;
    const auto blend = [&](mesh::Float3 a, mesh::Float3 b, mesh::Float3 c) {
        return vec(a) * b0 + vec(b) * b1 + vec(c) * b2;
    };
    const mesh::Float3& p0 = m.positions[triangle.position[0]];
    const mesh::Float3& p1 = m.positions[triangle.position[1]];
    const mesh::Float3& p2 = m.positions[triangle.position[2]];
    hit.t = query.ray.tfar;
    hit.object = place.object;
    hit.point = ray.origin + ray.direction * hit.t;

    // Both sides are shaded: the triangle's own normal faces the ray, the
    // smooth one its side, and bends no further from the viewer than a
    // little short of the outline.
    const Vec3 g = cross(vec(p1) - vec(p0), vec(p2) - vec(p0));
    Vec3 faceNormal = unitVector(place.direction({g.x, g.y, g.z}));
    if (dot(faceNormal, ray.direction) > 0.0f) faceNormal = -faceNormal;
    const Vec3 smooth =
        blend(m.normals[triangle.normal[0]], m.normals[triangle.normal[1]], m.normals[triangle.normal[2]]);
    Vec3 normal = unitVector(place.direction({smooth.x, smooth.y, smooth.z}));
    if (length(normal) == 0.0f) normal = faceNormal;
    if (dot(normal, faceNormal) < 0.0f) normal = -normal;
    const Vec3 towardsViewer = -ray.direction;
    const float facing = dot(normal, towardsViewer);
    if (facing < kFacing) normal = unitVector(normal + towardsViewer * (kFacing - facing));
    hit.normal = normal;

    if (triangle.uv[0] != mesh::kNone && triangle.uv[1] != mesh::kNone && triangle.uv[2] != mesh::kNone) {
        const auto& t0 = m.uvs[triangle.uv[0]];
        const auto& t1 = m.uvs[triangle.uv[1]];
        const auto& t2 = m.uvs[triangle.uv[2]];
        hit.u = t0[0] * b0 + t1[0] * b1 + t2[0] * b2;
        hit.v = t0[1] * b0 + t1[1] * b1 + t2[1] * b2;
    } else {
        // Without its own, the ball's mapping about the mesh's centre.
        const Vec3 d = unitVector(blend(p0, p1, p2));
        const float height = std::fmax(-1.0f, std::fmin(1.0f, d.y));
        hit.u = (std::atan2(-d.x, -d.z) / (2.0f * kPi) + 0.5f) * 2.0f;
        hit.v = std::acos(height) / kPi;
    }
    return true;
}

}  // namespace sorvane::render
