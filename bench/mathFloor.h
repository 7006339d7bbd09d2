#pragma once

// The floor that the Maya evaluation is measured against: the scalar
// math-library calls alone that one diffuse and specular light needs
// (4 cos, 4 exp, 5 pow, 2 log, 2 tan, 3 sqrt), on the workload's inputs.
// Shared by evaluation_bench and the timing program of the Windows builds.

#include <cmath>
#include <cstddef>
#include <vector>

#include "bench/shadingWorkload.h"
#include "model/vector.h"

namespace sorvane::bench {

// The arguments each math call of one light receives, worked out beforehand.
struct FloorArguments {
    float cosArg[4], expArg[4], powBase[5], powExp[5], logArg[2], tanArg[2], sqrtArg[3];
};

inline const std::vector<FloorArguments>& floorArguments() {
    static const std::vector<FloorArguments> all = [] {
        const Workload& w = workload();
        std::vector<FloorArguments> out;
        for (std::size_t k = 0; k < kSamples; ++k) {
            const ShadingInputs& s = w.samples[k];
            const LightDataElement& l = w.lights[k * 16];
            const Vec3 V = sorvane::mayaplugin::unitUnlessTiny(s.rayDirection),
                       N = sorvane::mayaplugin::unitUnlessTiny(s.normalCamera);
            const Vec3 L = sorvane::mayaplugin::unitUnlessTiny(l.lightDirection);
            const float vn = sorvane::model::dot(V, N), nl = sorvane::model::dot(N, L);
            const float c1 = std::cos(vn), c2 = std::cos(nl), q = s.anisotropy * s.anisotropy;
            const Vec3 h{L.x - V.x, L.y - V.y, L.z - V.z};
            FloorArguments a{};
            a.cosArg[0] = a.cosArg[2] = vn;
            a.cosArg[1] = a.cosArg[3] = nl;
            a.expArg[0] = -(s.depth / c1);
            a.expArg[1] = -(s.depth / c2);
            a.expArg[2] = -s.depth - (1.0f / c1 - 1.0f / c2);
            a.expArg[3] = nl;
            a.powBase[0] = a.powBase[1] = q + 1.0f - nl * (s.anisotropy * 2.0f);
            a.powExp[0] = a.powExp[1] = 1.5f;
            a.powBase[2] = a.powBase[3] = 1.2f;
            a.powExp[2] = a.powExp[3] = -1.0f;
            a.powBase[4] = 0.9f;
            a.powExp[4] = 6.0f / s.eccentricity;
            a.logArg[0] = 1.0f - s.opposition;
            a.logArg[1] = 1.0f - s.backlight;
            a.tanArg[0] = -vn * 0.5f;
            a.tanArg[1] = std::exp(nl) * 0.5f;
            a.sqrtArg[0] = sorvane::model::dot(l.lightDirection, l.lightDirection);
            a.sqrtArg[1] = sorvane::model::dot(s.normalCamera, s.normalCamera);
            a.sqrtArg[2] = sorvane::model::dot(h, h);
            out.push_back(a);
        }
        return out;
    }();
    return all;
}

// One light's calls, summed so that none can be left out.
inline float mathFloorLight(const FloorArguments& a) {
    float sum = 0.0f;
    for (float x : a.cosArg) sum += std::cos(x);
    for (float x : a.expArg) sum += std::exp(x);
    for (int j = 0; j < 5; ++j) sum += std::pow(a.powBase[j], a.powExp[j]);
    for (float x : a.logArg) sum += std::log(x);
    for (float x : a.tanArg) sum += std::tan(x);
    for (float x : a.sqrtArg) sum += std::sqrt(x);
    return sum;
}

}  // namespace sorvane::bench
