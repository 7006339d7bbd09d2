#pragma once

// The renderer's own vector: scene geometry in camera space. Kept apart from
// the model's vector so that the shading code never meets renderer arithmetic.

#include <cmath>
#include <ostream>

namespace sorvane::render {

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator-(Vec3 v) { return {-v.x, -v.y, -v.z}; }
inline Vec3 operator*(Vec3 v, float s) { return {v.x * s, v.y * s, v.z * s}; }
inline Vec3 operator*(float s, Vec3 v) { return v * s; }
inline float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(Vec3 v) { return std::sqrt(dot(v, v)); }
// The scene's own rule: any vector of non-zero length is scaled to unit
// length, a zero vector stays zero. Not the plug-ins' rules: scene geometry
// never reaches their shading code.
inline Vec3 unitVector(Vec3 v) {
    const float l = length(v);
    return l > 0.0f ? v * (1.0f / l) : v;
}
inline bool operator==(Vec3 a, Vec3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

inline std::ostream& operator<<(std::ostream& os, Vec3 v) {
    return os << '(' << v.x << ", " << v.y << ", " << v.z << ')';
}

// A linear RGB colour as the renderer stores and writes it.
struct Rgb {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator*(Rgb c, float s) { return {c.r * s, c.g * s, c.b * s}; }
inline bool operator==(Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

inline std::ostream& operator<<(std::ostream& os, Rgb c) {
    return os << '(' << c.r << ", " << c.g << ", " << c.b << ')';
}

}  // namespace sorvane::render
