#pragma once

// Camera rays and the nearest hit among the scene's spheres, planes and
// meshes, in camera space, and the shadow test the hosts' lights use.
// Spheres and planes are intersected here; meshes by Embree, each ray taken
// into a mesh's own space to walk its shared hierarchy (sceneMesh.h). Safe
// to call from many threads at once.

#include <memory>

#include "cli/render/scene.h"
#include "lighting/shadowQuery.h"

namespace sorvane::render {

struct Ray {
    Vec3 origin;
    Vec3 direction;  // unit length
};

struct Hit {
    float t = 0.0f;
    Vec3 point;
    Vec3 normal;  // unit length, facing the ray
    float u = 0.0f;
    float v = 0.0f;
    int object = -1;
};

class SceneTracer {
public:
    // Throws std::runtime_error when Embree cannot take a mesh.
    explicit SceneTracer(const Scene& cameraSpace);
    ~SceneTracer();

    // The ray through (x, y) in pixels from the image's top left corner.
    Ray cameraRay(float x, float y, int width, int height) const;
    bool trace(const Ray& ray, Hit& hit) const;
    // Whether anything lies strictly between the two points.
    bool occluded(Vec3 from, Vec3 to) const;

    const Scene& scene() const { return scene_; }

private:
    bool hitObject(const Object& object, const Ray& ray, float tMin, float tMax, float& t) const;
    // The nearest mesh hit between tMin and tMax, if any.
    bool traceMeshes(const Ray& ray, float tMin, float tMax, Hit& hit) const;

    struct Meshes;

    const Scene& scene_;
    float tanHalfHeight_;
    std::unique_ptr<Meshes> meshes_;  // none in a scene without meshes
};

// The shadow question the hosts' lights ask, answered by the tracer.
class TracerShadows : public lighting::ShadowQuery {
public:
    explicit TracerShadows(const SceneTracer& tracer) : tracer_(tracer) {}
    bool blocked(lighting::Point from, lighting::Point to) const override {
        return tracer_.occluded({from.x, from.y, from.z}, {to.x, to.y, to.z});
    }

private:
    const SceneTracer& tracer_;
};

}  // namespace sorvane::render
