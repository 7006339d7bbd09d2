#pragma once

// A triangle mesh as the preview draws it, whatever it was made from: an OBJ
// file or one of the shapes made in code. buildMesh() checks what it is
// given, leaves out triangles of no area, smooths the normals a triangle's
// source left out, and fits the whole into the cube [-1, 1]^3 (its bounding
// box centred on the origin, its longest side 2 long), the bounds of the
// unit ball whose place it takes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sorvane::mesh {

struct Float3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

// A corner without texture coordinates.
constexpr std::uint32_t kNone = 0xffffffffU;

struct Triangle {
    std::array<std::uint32_t, 3> position{};
    std::array<std::uint32_t, 3> normal{};                 // always set: the source's or a smoothed one
    std::array<std::uint32_t, 3> uv{kNone, kNone, kNone};  // kNone where the source has none
};

struct TriangleMesh {
    std::string name;  // the file, or the shape's name
    std::vector<Float3> positions;
    std::vector<Float3> normals;  // unit length
    std::vector<std::array<float, 2>> uvs;
    std::vector<Triangle> triangles;
    Float3 halfExtent;  // of the fitted bounding box: its largest is 1
    // For the user: what was left out, one line each.
    std::vector<std::string> notes;
};

// What a reader or a shape maker hands buildMesh(): values as read, indices
// from 0 into them, and where each triangle came from (a line of the file,
// or 0) for the notes.
struct MeshSource {
    struct Corner {
        std::uint32_t position = 0;
        std::uint32_t normal = kNone;
        std::uint32_t uv = kNone;
    };
    std::vector<double> positions;  // x, y, z each
    std::vector<double> normals;    // x, y, z each, any length
    std::vector<double> uvs;        // u, v each
    std::vector<std::array<Corner, 3>> triangles;
    std::vector<std::size_t> lines;  // one per triangle, or empty
};

// Throws cli::InputError naming `name` (and the line, where known) for a
// value that is not finite, an index out of range, or no triangle with area.
TriangleMesh buildMesh(const MeshSource& source, const std::string& name);

}  // namespace sorvane::mesh
