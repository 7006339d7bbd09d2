#pragma once

// The preview's sample hash: neighbouring pixels, samples and lights get
// unrelated bits from it, so their shadow rays and light samples fall in
// different places, while the same seed always gives the same picture.

#include <cstdint>

namespace sorvane::lighting {

// An integer finaliser: each input bit flips about half of the output bits.
inline std::uint32_t sampleHash(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

// A number in [0, 1) from the hash of `x`. Only 24 bits, so every value is
// exact in a float and 1 is never reached.
inline float unitFloat(std::uint32_t x) {
    return static_cast<float>(sampleHash(x) & 0xffffffU) / 16777216.0f;
}

}  // namespace sorvane::lighting
