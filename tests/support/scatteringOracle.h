#pragma once

// The scattering formulas again, in double and written from their
// description, so a regrouped expression or a changed constant in the model
// shows up as ulps. Dot products are float quantities in both shaders: the
// oracle takes them as the float sum, since the cosines and tangents amplify
// their rounding.

#include <cmath>

#include "model/vector.h"

namespace sorvane::oracle {

using model::Vec3;

inline double storedDot(Vec3 a, Vec3 b) {
    const float sum = a.x * b.x + a.y * b.y + a.z * b.z;
    return sum;
}

inline double phase(Vec3 N, Vec3 L, double g) {
    const double h = storedDot(N, L);
    const double q = g * g;
    return 1.0 - std::pow(q + 1.0 - h * (g * 2.0), 1.5) * ((q * 0.25) * double(3.14159f));
}

inline double reflection(Vec3 V, Vec3 N, Vec3 L, double s, double g, double d) {
    const double c1 = std::cos(storedDot(V, N)), c2 = std::cos(storedDot(N, L));
    return phase(N, L, g) * s * 0.25 * (c1 + c2) * (std::exp(-(d / c1)) / std::exp(-(d / c2)));
}

inline double transmission(Vec3 V, Vec3 N, Vec3 L, double s, double g, double d) {
    const double c1 = std::cos(storedDot(V, N)), c2 = std::cos(storedDot(N, L));
    return phase(N, L, g) * s * 0.25 * (c1 + c2) * (1.0 - std::exp(-d - (1.0 / c1 - 1.0 / c2)));
}

// 1 - k is taken as the float the shaders round it to: for small k, log
// amplifies that rounding far beyond anything the formula's grouping does.
inline double falloff(double x, float k) {
    const double m = std::log(double(1.0f - k)) * -0.375;
    return 1.0 / (std::tan(x * 0.5) * (1.0 / m) + 1.0);
}

}  // namespace sorvane::oracle
