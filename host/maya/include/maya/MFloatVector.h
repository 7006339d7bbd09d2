#pragma once

#include <cmath>

#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

// Inline throughout, as in Maya: the arithmetic happens in the caller.
class MFloatVector {
public:
    MFloatVector() = default;
    MFloatVector(const MFloatVector&) = default;
    MFloatVector(float xx, float yy, float zz = 0.0f) : x(xx), y(yy), z(zz) {}
    explicit MFloatVector(const float d[3]) : x(d[0]), y(d[1]), z(d[2]) {}
    MFloatVector& operator=(const MFloatVector&) = default;

    float operator[](unsigned int i) const { return i == 0 ? x : i == 1 ? y : z; }
    float& operator[](unsigned int i) { return i == 0 ? x : i == 1 ? y : z; }

    MFloatVector operator+(const MFloatVector& o) const { return {x + o.x, y + o.y, z + o.z}; }
    MFloatVector& operator+=(const MFloatVector& o) { return *this = *this + o; }
    MFloatVector operator-(const MFloatVector& o) const { return {x - o.x, y - o.y, z - o.z}; }
    MFloatVector& operator-=(const MFloatVector& o) { return *this = *this - o; }
    MFloatVector operator-() const { return {-x, -y, -z}; }
    MFloatVector operator*(float s) const { return {x * s, y * s, z * s}; }
    MFloatVector& operator*=(float s) { return *this = *this * s; }
    MFloatVector operator/(float s) const { return {x / s, y / s, z / s}; }
    MFloatVector& operator/=(float s) { return *this = *this / s; }
    // Dot product, summed x, y, z.
    float operator*(const MFloatVector& o) const { return x * o.x + y * o.y + z * o.z; }
    // Cross product.
    MFloatVector operator^(const MFloatVector& o) const {
        return {y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x};
    }
    bool operator==(const MFloatVector& o) const { return x == o.x && y == o.y && z == o.z; }
    bool operator!=(const MFloatVector& o) const { return !(*this == o); }

    float length() const { return std::sqrt(x * x + y * y + z * z); }
    MFloatVector normal() const {
        MFloatVector copy(*this);
        copy.normalize();
        return copy;
    }
    // A vector too short to normalise is left as it is.
    MStatus normalize() {
        const float lengthSquared = x * x + y * y + z * z;
        if (lengthSquared > 1e-20f) {
            const float inverse = 1.0f / std::sqrt(lengthSquared);
            x *= inverse;
            y *= inverse;
            z *= inverse;
        }
        return MStatus::kSuccess;
    }

    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

inline MFloatVector operator*(float s, const MFloatVector& v) { return v * s; }
inline MFloatVector operator*(double s, const MFloatVector& v) { return v * static_cast<float>(s); }
inline MFloatVector operator*(int s, const MFloatVector& v) { return v * static_cast<float>(s); }

OPENMAYA_MAJOR_NAMESPACE_CLOSE
