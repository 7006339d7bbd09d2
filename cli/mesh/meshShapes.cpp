#include "cli/mesh/meshShapes.h"

#include <cmath>

#include "cli/common/inputError.h"
#include "cli/common/jsonValues.h"
#include "cli/common/nameSuggestions.h"

namespace sorvane::mesh {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Point {
    double x, y, z;
};

Point operator+(Point a, Point b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Point operator-(Point a, Point b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Point operator*(Point a, double s) { return {a.x * s, a.y * s, a.z * s}; }
Point cross(Point a, Point b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double length(Point a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }
Point unit(Point a) { return a * (1.0 / length(a)); }

// The knot's centre line, facing the camera (z), a lobe pointing up.
Point knot(double t) {
    const double r = 2.0 + std::cos(3.0 * t);
    const double angle = 2.0 * t + kPi / 2.0;
    return {r * std::cos(angle), r * std::sin(angle), std::sin(3.0 * t)};
}

constexpr double kTube = 0.45;
constexpr int kSegments = 768;
constexpr int kSides = 48;

}  // namespace

TriangleMesh torusKnot(int segments, int sides) {
    MeshSource source;
    const auto s = static_cast<std::size_t>(segments), n = static_cast<std::size_t>(sides);
    source.positions.reserve(3 * s * n);
    source.normals.reserve(3 * s * n);
    double along = 0.0;
    for (std::size_t i = 0; i < s; ++i) {
        const double t = 2.0 * kPi * static_cast<double>(i) / static_cast<double>(s);
        const Point p = knot(t);
        const Point next = knot(t + 1e-4);
        along += length(knot(2.0 * kPi * static_cast<double>(i + 1) / static_cast<double>(s)) - p);
        // A frame across the tube that turns with it and never flips.
        const Point tangent = unit(next - p);
        const Point binormal = unit(cross(tangent, next + p));
        const Point normal = cross(binormal, tangent);
        for (std::size_t j = 0; j < n; ++j) {
            const double phi = 2.0 * kPi * static_cast<double>(j) / static_cast<double>(n);
            const Point radial = normal * std::cos(phi) + binormal * std::sin(phi);
            const Point at = p + radial * kTube;
            source.positions.insert(source.positions.end(), {at.x, at.y, at.z});
            source.normals.insert(source.normals.end(), {radial.x, radial.y, radial.z});
        }
    }
    // As many checks along the tube as its length holds of its girth.
    const double repeats = std::round(along / (2.0 * kPi * kTube));
    for (std::size_t i = 0; i <= s; ++i) {
        for (std::size_t j = 0; j <= n; ++j) {
            source.uvs.push_back(repeats * static_cast<double>(i) / static_cast<double>(s));
            source.uvs.push_back(static_cast<double>(j) / static_cast<double>(n));
        }
    }
    // The seams share positions and normals, not texture coordinates.
    const auto corner = [&](std::size_t i, std::size_t j) {
        const auto vertex = static_cast<std::uint32_t>((i % s) * n + j % n);
        return MeshSource::Corner{vertex, vertex, static_cast<std::uint32_t>(i * (n + 1) + j)};
    };
    source.triangles.reserve(2 * s * n);
    for (std::size_t i = 0; i < s; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            source.triangles.push_back({corner(i, j), corner(i + 1, j), corner(i, j + 1)});
            source.triangles.push_back({corner(i + 1, j), corner(i + 1, j + 1), corner(i, j + 1)});
        }
    }
    return buildMesh(source, "torusknot");
}

std::vector<std::string> shapeNames() { return {"torusknot"}; }

TriangleMesh makeShape(const std::string& name) {
    if (name == "torusknot") return torusKnot(kSegments, kSides);
    throw cli::InputError("no mesh \"" + cli::printable(name) + "\"" + cli::didYouMean(name, shapeNames()) +
                          " (the meshes made here: torusknot; or a file, FILE.obj)");
}

}  // namespace sorvane::mesh
