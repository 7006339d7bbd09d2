#pragma once

// A mesh as the tracer draws it: the triangles, and Embree's bounding volume
// hierarchy over them in the mesh's own space, built on first use and then
// shared by every tracer and thread that draws the mesh, each placing it
// where it will. Meshes go by the name the user gives: a shape made
// here, made once per process, or an OBJ file.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cli/mesh/triangleMesh.h"
#include "cli/render/scene.h"

struct RTCDeviceTy;
struct RTCSceneTy;

namespace sorvane::render {

class SceneMesh {
public:
    explicit SceneMesh(mesh::TriangleMesh triangles);
    ~SceneMesh();
    SceneMesh(const SceneMesh&) = delete;
    SceneMesh& operator=(const SceneMesh&) = delete;

    const mesh::TriangleMesh& triangles() const { return triangles_; }
    // The distance of its farthest vertex from its centre (at most the
    // square root of 3, for a mesh fitted to the cube).
    float reach() const { return reach_; }
    // Built on the first call, whichever thread makes it; throws
    // std::runtime_error when Embree cannot build it (out of memory).
    RTCSceneTy* accelerator() const;

private:
    mesh::TriangleMesh triangles_;
    float reach_ = 0.0f;
    mutable std::once_flag built_;
    mutable RTCSceneTy* scene_ = nullptr;
};

// The one Embree device of the process.
RTCDeviceTy* embreeDevice();

// Whether `text` names a shape made here rather than a file: a word, with
// neither a dot nor a slash.
bool isShapeName(const std::string& text);
// The names --mesh and the studio take besides files: "sphere" (the ball
// itself), then the shapes made here.
std::vector<std::string> meshNames();
// A shape made here, or an OBJ file; nullptr for "sphere". Throws
// InputError naming the file (and line) or the unknown name.
std::shared_ptr<const SceneMesh> findMesh(const std::string& nameOrFile);

// Gives every ball that wears the previewed material the mesh in its place
// (a sphere where `mesh` is null). Throws InputError, naming `option`, for a
// scene with no such ball.
void placeMesh(Scene& scene, const std::shared_ptr<const SceneMesh>& mesh, const std::string& option);

}  // namespace sorvane::render
