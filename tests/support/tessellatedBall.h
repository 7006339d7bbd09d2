#pragma once

// The unit ball as a triangle mesh (latitude rings and longitude segments,
// a fan at each pole; no texture coordinates): where the analytic ball is, a
// fitted mesh of it covers the same pixels, so what differs between the two
// is the tracing. 2 * segments * (rings - 1) triangles.

#include <cmath>

#include "cli/mesh/triangleMesh.h"

namespace sorvane::testing {

inline mesh::TriangleMesh tessellatedBall(int segments, int rings, bool normals = true) {
    mesh::MeshSource source;
    const auto point = [&](double x, double y, double z) {
        source.positions.insert(source.positions.end(), {x, y, z});
        if (normals) source.normals.insert(source.normals.end(), {x, y, z});
    };
    const double pi = 3.14159265358979323846;
    point(0, 1, 0);
    for (int r = 1; r < rings; ++r) {
        const double theta = pi * r / rings;
        for (int s = 0; s < segments; ++s) {
            const double phi = 2.0 * pi * s / segments;
            point(std::sin(theta) * std::cos(phi), std::cos(theta), std::sin(theta) * std::sin(phi));
        }
    }
    point(0, -1, 0);
    const auto south = static_cast<std::uint32_t>(source.positions.size() / 3 - 1);
    const auto at = [&](int r, int s) {  // ring r from 1, segment s wrapping round
        const auto i = static_cast<std::uint32_t>(1 + (r - 1) * segments + (s % segments));
        return mesh::MeshSource::Corner{i, normals ? i : mesh::kNone, mesh::kNone};
    };
    const mesh::MeshSource::Corner north{0, normals ? 0 : mesh::kNone, mesh::kNone};
    const mesh::MeshSource::Corner bottom{south, normals ? south : mesh::kNone, mesh::kNone};
    for (int s = 0; s < segments; ++s) {
        source.triangles.push_back({north, at(1, s + 1), at(1, s)});
        for (int r = 1; r + 1 < rings; ++r) {
            source.triangles.push_back({at(r, s), at(r, s + 1), at(r + 1, s)});
            source.triangles.push_back({at(r, s + 1), at(r + 1, s + 1), at(r + 1, s)});
        }
        source.triangles.push_back({bottom, at(rings - 1, s), at(rings - 1, s + 1)});
    }
    return mesh::buildMesh(source, "ball");
}

}  // namespace sorvane::testing
