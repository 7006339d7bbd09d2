#include "cli/mesh/triangleMesh.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "cli/common/inputError.h"

namespace sorvane::mesh {

namespace {

using cli::InputError;

struct Double3 {
    double x = 0.0, y = 0.0, z = 0.0;
};

Double3 operator-(Double3 a, Double3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Double3 operator+(Double3 a, Double3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Double3 cross(Double3 a, Double3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(Double3 a, Double3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Double3 widened(Float3 p) { return {p.x, p.y, p.z}; }

// A unit vector, or false for one of no usable length.
bool unit(Double3 v, Float3& out) {
    const double length = std::sqrt(dot(v, v));
    if (!(length > 0.0) || !std::isfinite(length)) return false;
    out = {static_cast<float>(v.x / length), static_cast<float>(v.y / length),
           static_cast<float>(v.z / length)};
    return true;
}

// Sharper than this (the sine of its smallest angle, about) a triangle is a
// sliver whose own normal means nothing.
constexpr double kSliver = 1e-6;

}  // namespace

TriangleMesh buildMesh(const MeshSource& source, const std::string& name) {
    const auto where = [&](std::size_t triangle) {
        if (triangle < source.lines.size() && source.lines[triangle] > 0) {
            return name + ":" + std::to_string(source.lines[triangle]);
        }
        return name;
    };
    const std::size_t positionCount = source.positions.size() / 3;
    const std::size_t normalCount = source.normals.size() / 3;
    const std::size_t uvCount = source.uvs.size() / 2;
    for (const std::vector<double>* values : {&source.positions, &source.normals, &source.uvs}) {
        for (std::size_t i = 0; i < values->size(); ++i) {
            const double v = (*values)[i];
            if (!std::isfinite(v) || std::fabs(v) > std::numeric_limits<float>::max()) {
                throw InputError(name, "a coordinate is not a finite number a float holds");
            }
        }
    }
    if (source.triangles.empty()) throw InputError(name, "no faces: a mesh needs at least one triangle");

    // The bounding box of what the triangles use: a stray vertex elsewhere
    // does not move the mesh.
    std::vector<bool> used(positionCount, false);
    Double3 low{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
                std::numeric_limits<double>::max()};
    Double3 high{-low.x, -low.y, -low.z};
    for (std::size_t t = 0; t < source.triangles.size(); ++t) {
        for (const MeshSource::Corner& c : source.triangles[t]) {
            if (c.position >= positionCount) {
                throw InputError(where(t), "a face refers to vertex " + std::to_string(c.position + 1ULL) +
                                               " of " + std::to_string(positionCount));
            }
            if (c.normal != kNone && c.normal >= normalCount) {
                throw InputError(where(t), "a face refers to normal " + std::to_string(c.normal + 1ULL) +
                                               " of " + std::to_string(normalCount));
            }
            if (c.uv != kNone && c.uv >= uvCount) {
                throw InputError(where(t), "a face refers to texture coordinate " +
                                               std::to_string(c.uv + 1ULL) + " of " +
                                               std::to_string(uvCount));
            }
            used[c.position] = true;
            const double* p = &source.positions[3 * std::size_t{c.position}];
            low = {std::min(low.x, p[0]), std::min(low.y, p[1]), std::min(low.z, p[2])};
            high = {std::max(high.x, p[0]), std::max(high.y, p[1]), std::max(high.z, p[2])};
        }
    }
    // Halves first: a float's range at both ends still fits a double's.
    const Double3 centre{low.x / 2 + high.x / 2, low.y / 2 + high.y / 2, low.z / 2 + high.z / 2};
    const Double3 half{high.x / 2 - low.x / 2, high.y / 2 - low.y / 2, high.z / 2 - low.z / 2};
    const double scale = std::max({half.x, half.y, half.z});
    if (!(scale > 0.0)) throw InputError(name, "every vertex lies at one point: no triangle has any area");

    TriangleMesh mesh;
    mesh.name = name;
    mesh.halfExtent = {static_cast<float>(half.x / scale), static_cast<float>(half.y / scale),
                       static_cast<float>(half.z / scale)};
    mesh.positions.resize(positionCount);
    for (std::size_t i = 0; i < positionCount; ++i) {
        if (!used[i]) continue;
        const double* p = &source.positions[3 * i];
        mesh.positions[i] = {static_cast<float>((p[0] - centre.x) / scale),
                             static_cast<float>((p[1] - centre.y) / scale),
                             static_cast<float>((p[2] - centre.z) / scale)};
    }

    // Triangles of no area, as drawn: their own normal means nothing and
    // they cover nothing.
    std::vector<Double3> faceNormals;
    std::vector<std::size_t> kept;
    faceNormals.reserve(source.triangles.size());
    kept.reserve(source.triangles.size());
    std::size_t dropped = 0, firstDropped = 0;
    for (std::size_t t = 0; t < source.triangles.size(); ++t) {
        const auto& corners = source.triangles[t];
        const Double3 p0 = widened(mesh.positions[corners[0].position]);
        const Double3 p1 = widened(mesh.positions[corners[1].position]);
        const Double3 p2 = widened(mesh.positions[corners[2].position]);
        const Double3 n = cross(p1 - p0, p2 - p0);
        const double longest =
            std::max({dot(p1 - p0, p1 - p0), dot(p2 - p0, p2 - p0), dot(p2 - p1, p2 - p1)});
        if (!(dot(n, n) > kSliver * kSliver * longest * longest)) {
            if (dropped++ == 0) firstDropped = t;
            continue;
        }
        kept.push_back(t);
        faceNormals.push_back(n);
    }
    if (kept.empty()) {
        throw InputError(name, "no triangle has any area (" + std::to_string(source.triangles.size()) +
                                   " triangles, every one of them flat)");
    }
    if (dropped > 0) {
        mesh.notes.push_back(where(firstDropped) + ": " + std::to_string(dropped) +
                             (dropped == 1 ? " triangle" : " triangles") +
                             " of no area left out (the first here)");
    }

    // The source's normals where they are usable, then a smoothed one per
    // vertex: the mean of its triangles' normals, each weighted by its angle
    // at the vertex, so that a polygon weighs the same however it was cut.
    std::vector<bool> usable(normalCount, false);
    mesh.normals.reserve(normalCount + positionCount);
    for (std::size_t i = 0; i < normalCount; ++i) {
        Float3 n;
        usable[i] = unit({source.normals[3 * i], source.normals[3 * i + 1], source.normals[3 * i + 2]}, n);
        mesh.normals.push_back(n);
    }
    std::vector<Double3> sums;
    std::vector<std::uint32_t> smoothed;
    const auto smoothedNormal = [&](std::uint32_t position) -> std::uint32_t {
        if (sums.empty()) {
            sums.assign(positionCount, Double3{});
            for (std::size_t k = 0; k < kept.size(); ++k) {
                const auto& corners = source.triangles[kept[k]];
                const Double3 n = faceNormals[k];
                const double area = std::sqrt(dot(n, n));
                for (std::size_t i = 0; i < 3; ++i) {
                    const Double3 at = widened(mesh.positions[corners[i].position]);
                    const Double3 a = widened(mesh.positions[corners[(i + 1) % 3].position]) - at;
                    const Double3 b = widened(mesh.positions[corners[(i + 2) % 3].position]) - at;
                    const double angle = std::atan2(std::sqrt(dot(cross(a, b), cross(a, b))), dot(a, b));
                    const double weight = angle / area;
                    sums[corners[i].position] =
                        sums[corners[i].position] + Double3{n.x * weight, n.y * weight, n.z * weight};
                }
            }
            smoothed.assign(positionCount, kNone);
        }
        if (smoothed[position] == kNone) {
            Float3 n;
            if (!unit(sums[position], n)) return kNone;  // its triangles' normals cancel out
            smoothed[position] = static_cast<std::uint32_t>(mesh.normals.size());
            mesh.normals.push_back(n);
        }
        return smoothed[position];
    };

    mesh.uvs.reserve(uvCount);
    for (std::size_t i = 0; i < uvCount; ++i) {
        mesh.uvs.push_back(
            {static_cast<float>(source.uvs[2 * i]), static_cast<float>(source.uvs[2 * i + 1])});
    }
    mesh.triangles.reserve(kept.size());
    for (std::size_t k = 0; k < kept.size(); ++k) {
        const auto& corners = source.triangles[kept[k]];
        Triangle triangle;
        for (int i = 0; i < 3; ++i) {
            const MeshSource::Corner& c = corners[static_cast<std::size_t>(i)];
            triangle.position[static_cast<std::size_t>(i)] = c.position;
            triangle.uv[static_cast<std::size_t>(i)] = c.uv;
            std::uint32_t normal =
                c.normal != kNone && usable[c.normal] ? c.normal : smoothedNormal(c.position);
            if (normal == kNone) {
                // Flat, then: the triangle's own normal.
                Float3 n;
                unit(faceNormals[k], n);
                normal = static_cast<std::uint32_t>(mesh.normals.size());
                mesh.normals.push_back(n);
            }
            triangle.normal[static_cast<std::size_t>(i)] = normal;
        }
        mesh.triangles.push_back(triangle);
    }
    return mesh;
}

}  // namespace sorvane::mesh
