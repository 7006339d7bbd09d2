// An area light's samples must cover its rectangle evenly: inside it, and
// never two in one cell of the grid, whatever the seed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <utility>

#include "lighting/areaSamples.h"

namespace sorvane::lighting {
namespace {

struct GridCase {
    int count;
    int columns, rows;  // the grid the samples should fill, worked by hand
};

class RectangleSamples : public ::testing::TestWithParam<GridCase> {};

TEST_P(RectangleSamples, FallOnePerCellInsideTheRectangle) {
    const GridCase& c = GetParam();
    const float width = 2.0f, height = 0.5f;
    for (std::uint32_t seed : {0u, 1u, 77u, 0xdeadbeefu}) {
        std::set<std::pair<int, int>> cells;
        for (int i = 0; i < c.count; ++i) {
            const RectangleOffset at = rectangleSample(i, c.count, seed, width, height);
            ASSERT_GE(at.u, -0.5f * width) << "sample " << i << " of " << c.count << ", seed " << seed;
            ASSERT_LT(at.u, 0.5f * width) << "sample " << i << " of " << c.count << ", seed " << seed;
            ASSERT_GE(at.v, -0.5f * height) << "sample " << i << " of " << c.count << ", seed " << seed;
            ASSERT_LT(at.v, 0.5f * height) << "sample " << i << " of " << c.count << ", seed " << seed;
            const int column = static_cast<int>(std::floor((at.u / width + 0.5f) * c.columns));
            const int row = static_cast<int>(std::floor((at.v / height + 0.5f) * c.rows));
            EXPECT_TRUE(cells.insert({column, row}).second)
                << "sample " << i << " of " << c.count << " shares cell (" << column << ", " << row << ")";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Lighting, RectangleSamples,
                         ::testing::Values(GridCase{1, 1, 1}, GridCase{2, 1, 2}, GridCase{5, 2, 3},
                                           GridCase{6, 2, 3}, GridCase{8, 3, 3}, GridCase{9, 3, 3},
                                           GridCase{16, 4, 4}));

}  // namespace
}  // namespace sorvane::lighting
