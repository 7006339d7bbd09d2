// The sample hash places shadow rays and light samples: consecutive seeds
// (neighbouring pixels, sample indices) must land all over [0, 1).
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "lighting/sampleHash.h"

namespace sorvane::lighting {
namespace {

TEST(Lighting, ConsecutiveSeedsSpreadOverTheUnitInterval) {
    constexpr int kSeeds = 4000;
    std::array<int, 10> bins{};
    for (std::uint32_t seed = 0; seed < kSeeds; ++seed) {
        const float u = unitFloat(seed);
        ASSERT_GE(u, 0.0f) << seed;
        ASSERT_LT(u, 1.0f) << seed;
        ++bins[static_cast<int>(u * 10.0f)];
    }
    // 400 expected per tenth; a weak mix of neighbouring seeds crowds a few.
    for (int i = 0; i < 10; ++i) {
        EXPECT_GT(bins[i], 300) << "tenth " << i;
        EXPECT_LT(bins[i], 500) << "tenth " << i;
    }
}

}  // namespace
}  // namespace sorvane::lighting
