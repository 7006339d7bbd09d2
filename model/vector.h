#pragma once

#include <ostream>

namespace sorvane::model {

// A camera-space normal, direction or point.
struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

inline Vec3 operator-(Vec3 v) { return {-v.x, -v.y, -v.z}; }

// Summed x, then y, then z, each product rounded to float.
inline float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// The same for a vector given by its components, each a float or a vector
// of lanes (maya/lightBatchLanes.h), every lane the same operations.
template <class T>
T dot(T x, T y, T z, Vec3 b) {
    return x * b.x + y * b.y + z * b.z;
}

inline bool operator==(Vec3 a, Vec3 b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

inline std::ostream& operator<<(std::ostream& os, Vec3 v) {
    return os << '(' << v.x << ", " << v.y << ", " << v.z << ')';
}

}  // namespace sorvane::model
