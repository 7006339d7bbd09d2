#pragma once

// Values drawn from a fuzz input. Floats come mostly from a table of the
// values that break shading arithmetic (NaN, infinities, subnormals, zero,
// the ends of (0, 1)) and otherwise as raw bit patterns, so every kind shows
// up within a few mutations.

#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

namespace sorvane::fuzz {

class FuzzBytes {
public:
    FuzzBytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return size_ == 0; }

    // Zero once the input is used up, so every input is a complete case.
    std::uint8_t byte() {
        if (size_ == 0) return 0;
        --size_;
        return *data_++;
    }

    bool flag() { return (byte() & 1) != 0; }

    float number() {
        static const float special[] = {
            0.0f,
            -0.0f,
            1.0f,
            -1.0f,
            0.5f,
            2.0f,
            std::numeric_limits<float>::quiet_NaN(),
            -std::numeric_limits<float>::quiet_NaN(),
            std::numeric_limits<float>::infinity(),
            -std::numeric_limits<float>::infinity(),
            std::numeric_limits<float>::denorm_min(),
            -std::numeric_limits<float>::denorm_min(),
            FLT_MIN,
            FLT_MAX,
            -FLT_MAX,
            1.0f - FLT_EPSILON / 2.0f,
            1.0f + FLT_EPSILON,
            1e-20f,
            1e20f,
            -0.5f,
        };
        constexpr std::uint8_t kCount = sizeof special / sizeof special[0];
        const std::uint8_t choice = byte();
        if (choice < kCount) return special[choice];
        // A plain value in [-2, 2), most of what a scene holds.
        if (choice < 128) return static_cast<float>(choice - 64) / 16.0f;
        std::uint32_t bits = 0;
        for (int i = 0; i < 4; ++i) bits = (bits << 8) | byte();
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

}  // namespace sorvane::fuzz
