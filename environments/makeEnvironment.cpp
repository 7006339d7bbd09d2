// Paints the outdoor environment: a linear lat-long HDR image of a clear sky
// over a warm ground, a small sun to the camera's left and a little behind
// it, low enough to cross the ball with a terminator and cast a shadow
// across the floor, and a softbox-like bright cloud to the right as a fill.
//
//   sorvane_make_environment OUT.exr
//
// The sun's radiance is set by the light it gives: a surface facing it gets
// about the same light as from the default key, so the ball reads alike.
#include <ImfHeader.h>
#include <ImfRgbaFile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <vector>

#include "lighting/environmentMap.h"

namespace {

using sorvane::lighting::Direction;

constexpr int kWidth = 512;
constexpr int kHeight = 256;
constexpr double kPi = 3.14159265358979323846;

Direction unit(double x, double y, double z) {
    const double l = std::sqrt(x * x + y * y + z * z);
    return {static_cast<float>(x / l), static_cast<float>(y / l), static_cast<float>(z / l)};
}

double dot(const Direction& a, const Direction& b) {
    return static_cast<double>(a[0]) * b[0] + static_cast<double>(a[1]) * b[1] +
           static_cast<double>(a[2]) * b[2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: sorvane_make_environment OUT.exr\n");
        return 2;
    }
    // Left of the camera, a little behind it, 30 degrees up.
    const Direction sun = unit(-0.75, 0.55, 0.35);
    const double sunRadius = 1.6 * kPi / 180.0;
    // Its irradiance over pi (what the hosts read as a light's intensity) is
    // radiance times solid angle over pi: 1.2 here, about twice the key's.
    const double sunSolidAngle = kPi * sunRadius * sunRadius;
    const double sunRadiance = 1.2 * kPi / sunSolidAngle;
    // A bright cloud to the right, 20 degrees up, as a large soft source.
    const Direction cloud = unit(0.9, 0.35, -0.25);
    std::vector<Imf::Rgba> pixels(static_cast<std::size_t>(kWidth) * kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const Direction d =
                sorvane::lighting::latLongDirection((x + 0.5f) / kWidth, (y + 0.5f) / kHeight);
            const double up = d[1];
            double r, g, b;
            if (up >= 0.0) {
                // Deep blue overhead, paler and brighter towards the horizon.
                const double t = std::pow(1.0 - up, 3.0);
                r = 0.10 + 0.45 * t;
                g = 0.20 + 0.45 * t;
                b = 0.45 + 0.40 * t;
                // Around the sun the sky glows.
                const double glow = std::pow(std::max(0.0, dot(d, sun)), 64.0);
                r += 1.5 * glow;
                g += 1.3 * glow;
                b += 0.9 * glow;
            } else {
                // A warm ground, darker straight down, with a soft horizon.
                const double t = std::pow(1.0 + up, 4.0);
                r = 0.10 + 0.15 * t;
                g = 0.085 + 0.13 * t;
                b = 0.06 + 0.11 * t;
            }
            const double c = dot(d, cloud);
            if (c > 0.0) {
                const double shape = std::clamp((c - 0.94) / 0.03, 0.0, 1.0);
                r += 3.0 * shape;
                g += 3.0 * shape;
                b += 3.1 * shape;
            }
            if (std::acos(std::clamp(dot(d, sun), -1.0, 1.0)) < sunRadius) {
                r += sunRadiance;
                g += 0.95 * sunRadiance;
                b += 0.85 * sunRadiance;
            }
            pixels[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] =
                Imf::Rgba(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b), 1.0f);
        }
    }
    try {
        Imf::Header header(kWidth, kHeight);
        header.compression() = Imf::ZIP_COMPRESSION;
        Imf::RgbaOutputFile file(argv[1], header, Imf::WRITE_RGB);
        file.setFrameBuffer(pixels.data(), 1, kWidth);
        file.writePixels(kHeight);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "sorvane_make_environment: %s: %s\n", argv[1], error.what());
        return 1;
    }
    return 0;
}
