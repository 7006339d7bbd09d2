#include "lighting/environmentMap.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace sorvane::lighting {

namespace {

constexpr double kPi = 3.14159265358979323846;
// The irradiance grid, and the most cells the image is gathered into for it.
constexpr int kIrradianceWidth = 64;
constexpr int kIrradianceHeight = 32;
constexpr int kGatherWidth = 64;
constexpr int kGatherHeight = 32;

float luminance(const Color3& c) { return 0.2126f * c[0] + 0.7152f * c[1] + 0.0722f * c[2]; }

double dot(const Direction& a, const Direction& b) {
    return static_cast<double>(a[0]) * b[0] + static_cast<double>(a[1]) * b[1] +
           static_cast<double>(a[2]) * b[2];
}

// The base-2 radical inverse: the Hammersley set's second coordinate.
double radicalInverse(std::uint32_t i) {
    i = (i << 16) | (i >> 16);
    i = ((i & 0x00ff00ffU) << 8) | ((i & 0xff00ff00U) >> 8);
    i = ((i & 0x0f0f0f0fU) << 4) | ((i & 0xf0f0f0f0U) >> 4);
    i = ((i & 0x33333333U) << 2) | ((i & 0xccccccccU) >> 2);
    i = ((i & 0x55555555U) << 1) | ((i & 0xaaaaaaaaU) >> 1);
    return static_cast<double>(i) * (1.0 / 4294967296.0);
}

// Where `target` falls in a cumulative table (cdf[0] = 0, rising), skipping
// entries of no weight: the entry and how far into it.
std::pair<int, double> invert(const std::vector<double>& cdf, double target) {
    const int n = static_cast<int>(cdf.size()) - 1;
    int i = static_cast<int>(std::upper_bound(cdf.begin() + 1, cdf.end(), target) - cdf.begin()) - 1;
    i = std::clamp(i, 0, n - 1);
    while (i > 0 && !(cdf[static_cast<std::size_t>(i) + 1] > cdf[static_cast<std::size_t>(i)])) --i;
    while (i < n - 1 && !(cdf[static_cast<std::size_t>(i) + 1] > cdf[static_cast<std::size_t>(i)])) ++i;
    const double width = cdf[static_cast<std::size_t>(i) + 1] - cdf[static_cast<std::size_t>(i)];
    const double into = width > 0.0 ? (target - cdf[static_cast<std::size_t>(i)]) / width : 0.5;
    return {i, std::clamp(into, 0.0, 1.0 - 1e-7)};
}

}  // namespace

Direction latLongDirection(float u, float v) {
    const double theta = kPi * v;
    const double phi = 2.0 * kPi * (static_cast<double>(u) - 0.5);
    return {static_cast<float>(std::sin(theta) * std::sin(phi)), static_cast<float>(std::cos(theta)),
            static_cast<float>(-std::sin(theta) * std::cos(phi))};
}

void latLongCoordinates(const Direction& d, float& u, float& v) {
    const double length = std::sqrt(dot(d, d));
    const double y = length > 0.0 ? d[1] / length : 1.0;
    v = static_cast<float>(std::acos(std::clamp(y, -1.0, 1.0)) / kPi);
    u = static_cast<float>(std::atan2(static_cast<double>(d[0]), -static_cast<double>(d[2])) / (2.0 * kPi) +
                           0.5);
}

EnvironmentMap::EnvironmentMap(int width, int height, std::vector<float> rgb)
    : width_(width), height_(height), rgb_(std::move(rgb)) {
    black_ = std::none_of(rgb_.begin(), rgb_.end(), [](float v) { return v > 0.0f; });
    buildIrradiance();
}

Color3 EnvironmentMap::pixel(int x, int y) const {
    const std::size_t i =
        (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 3;
    return {rgb_[i], rgb_[i + 1], rgb_[i + 2]};
}

double EnvironmentMap::pixelSolidAngle(int y) const {
    const double top = kPi * y / height_, bottom = kPi * (y + 1) / height_;
    return 2.0 * kPi / width_ * (std::cos(top) - std::cos(bottom));
}

Color3 EnvironmentMap::radiance(const Direction& d) const {
    float u, v;
    latLongCoordinates(d, u, v);
    // Between the four nearest pixel centres: round the sphere across, held at the poles down.
    const float px = u * static_cast<float>(width_) - 0.5f;
    const float py =
        std::clamp(v * static_cast<float>(height_) - 0.5f, 0.0f, static_cast<float>(height_ - 1));
    const int x0 = static_cast<int>(std::floor(px));
    const int y0 = static_cast<int>(std::floor(py));
    const float fx = px - static_cast<float>(x0), fy = py - static_cast<float>(y0);
    const int y1 = std::min(y0 + 1, height_ - 1);
    const auto wrap = [this](int x) { return ((x % width_) + width_) % width_; };
    const Color3 a = pixel(wrap(x0), y0), b = pixel(wrap(x0 + 1), y0);
    const Color3 c = pixel(wrap(x0), y1), e = pixel(wrap(x0 + 1), y1);
    Color3 out;
    for (int k = 0; k < 3; ++k) {
        out[k] = (a[k] * (1.0f - fx) + b[k] * fx) * (1.0f - fy) + (c[k] * (1.0f - fx) + e[k] * fx) * fy;
    }
    return out;
}

std::array<double, 3> EnvironmentMap::integral() const {
    std::array<double, 3> sum{};
    for (int y = 0; y < height_; ++y) {
        const double solidAngle = pixelSolidAngle(y);
        for (int x = 0; x < width_; ++x) {
            const Color3 c = pixel(x, y);
            for (int k = 0; k < 3; ++k) sum[k] += c[k] * solidAngle;
        }
    }
    return sum;
}

void EnvironmentMap::buildIrradiance() {
    // The image gathered into a few cells, each its radiance times solid
    // angle at its light's mean direction (so a sun inside a cell keeps its
    // place), then each grid normal's irradiance summed over the cells.
    const int cw = std::min(width_, kGatherWidth), ch = std::min(height_, kGatherHeight);
    const std::size_t cells = static_cast<std::size_t>(cw) * static_cast<std::size_t>(ch);
    std::vector<std::array<double, 3>> power(cells, {0.0, 0.0, 0.0});
    std::vector<std::array<double, 3>> aim(cells, {0.0, 0.0, 0.0});
    std::vector<double> weight(cells, 0.0);
    for (int y = 0; y < height_; ++y) {
        const double solidAngle = pixelSolidAngle(y);
        const int cy = y * ch / height_;
        for (int x = 0; x < width_; ++x) {
            const std::size_t cell = static_cast<std::size_t>(cy) * static_cast<std::size_t>(cw) +
                                     static_cast<std::size_t>(x * cw / width_);
            const Color3 c = pixel(x, y);
            const Direction d = latLongDirection((x + 0.5f) / static_cast<float>(width_),
                                                 (y + 0.5f) / static_cast<float>(height_));
            // Weighted by solid angle as well, so a black cell still has a direction.
            const double w = (static_cast<double>(luminance(c)) + 1e-6) * solidAngle;
            for (int k = 0; k < 3; ++k) {
                power[cell][k] += c[k] * solidAngle;
                aim[cell][k] += w * d[k];
            }
            weight[cell] += w;
        }
    }
    std::vector<Direction> directions(cells);
    for (std::size_t i = 0; i < cells; ++i) {
        const double l = std::sqrt(aim[i][0] * aim[i][0] + aim[i][1] * aim[i][1] + aim[i][2] * aim[i][2]);
        directions[i] = l > 0.0
                            ? Direction{static_cast<float>(aim[i][0] / l), static_cast<float>(aim[i][1] / l),
                                        static_cast<float>(aim[i][2] / l)}
                            : Direction{0.0f, 1.0f, 0.0f};
    }
    irradiance_.assign(static_cast<std::size_t>(kIrradianceWidth * kIrradianceHeight) * 3, 0.0f);
    for (int j = 0; j < kIrradianceHeight; ++j) {
        for (int i = 0; i < kIrradianceWidth; ++i) {
            const Direction n =
                latLongDirection((i + 0.5f) / kIrradianceWidth, (j + 0.5f) / kIrradianceHeight);
            std::array<double, 3> sum{};
            for (std::size_t c = 0; c < cells; ++c) {
                const double cosine = dot(n, directions[c]);
                if (cosine <= 0.0) continue;
                for (int k = 0; k < 3; ++k) sum[k] += power[c][k] * cosine;
            }
            const std::size_t at =
                (static_cast<std::size_t>(j) * kIrradianceWidth + static_cast<std::size_t>(i)) * 3;
            for (int k = 0; k < 3; ++k)
                irradiance_[at + static_cast<std::size_t>(k)] = static_cast<float>(sum[k]);
        }
    }
}

Color3 EnvironmentMap::irradiance(const Direction& normal) const {
    float u, v;
    latLongCoordinates(normal, u, v);
    const float px = u * kIrradianceWidth - 0.5f;
    const float py =
        std::clamp(v * kIrradianceHeight - 0.5f, 0.0f, static_cast<float>(kIrradianceHeight - 1));
    const int x0 = static_cast<int>(std::floor(px));
    const int y0 = static_cast<int>(std::floor(py));
    const int y1 = std::min(y0 + 1, kIrradianceHeight - 1);
    const float fx = px - static_cast<float>(x0), fy = py - static_cast<float>(y0);
    const auto at = [this](int x, int y, int k) {
        x = ((x % kIrradianceWidth) + kIrradianceWidth) % kIrradianceWidth;
        return irradiance_[(static_cast<std::size_t>(y) * kIrradianceWidth + static_cast<std::size_t>(x)) *
                               3 +
                           static_cast<std::size_t>(k)];
    };
    Color3 out;
    for (int k = 0; k < 3; ++k) {
        out[k] = (at(x0, y0, k) * (1.0f - fx) + at(x0 + 1, y0, k) * fx) * (1.0f - fy) +
                 (at(x0, y1, k) * (1.0f - fx) + at(x0 + 1, y1, k) * fx) * fy;
    }
    return out;
}

std::vector<EnvironmentLight> environmentLights(const EnvironmentMap& map, int count) {
    const int w = map.width(), h = map.height();
    // Rows by their luminance times solid angle, then columns within a row.
    std::vector<double> rows(static_cast<std::size_t>(h) + 1, 0.0);
    std::vector<std::vector<double>> columns(static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
        std::vector<double>& cdf = columns[static_cast<std::size_t>(y)];
        cdf.assign(static_cast<std::size_t>(w) + 1, 0.0);
        for (int x = 0; x < w; ++x) {
            cdf[static_cast<std::size_t>(x) + 1] =
                cdf[static_cast<std::size_t>(x)] + luminance(map.pixel(x, y));
        }
        rows[static_cast<std::size_t>(y) + 1] =
            rows[static_cast<std::size_t>(y)] + cdf.back() * map.pixelSolidAngle(y);
    }
    const double total = rows.back();
    std::vector<EnvironmentLight> lights;
    if (!(total > 0.0) || count < 1) return lights;
    lights.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const double a = (i + 0.5) / count;
        const double b = std::fmod(radicalInverse(static_cast<std::uint32_t>(i)) + 0.5 / count, 1.0);
        const auto [y, fy] = invert(rows, a * total);
        const std::vector<double>& cdf = columns[static_cast<std::size_t>(y)];
        const auto [x, fx] = invert(cdf, b * cdf.back());
        const Color3 c = map.pixel(x, y);
        // The chance per solid angle of this pixel's directions is its
        // luminance over the total, so radiance over chance is c total / luminance.
        const double scale = total / (static_cast<double>(luminance(c)) * count * kPi);
        EnvironmentLight light;
        light.towards = latLongDirection(static_cast<float>((x + fx) / w), static_cast<float>((y + fy) / h));
        for (int k = 0; k < 3; ++k) light.color[k] = static_cast<float>(c[k] * scale);
        lights.push_back(light);
    }
    return lights;
}

}  // namespace sorvane::lighting
