// One shader call driven as the renderer drives it: what the state carries
// into the call, and which lights the block's array hands the shader.
#include <cmath>
#include <ostream>

#include "host/mentalray/preview/sampleDriver.h"
#include "tests/support/mentalrayTesting.h"

namespace sorvane::mrhost::testing {
namespace {

using preview::SampleDriver;
using preview::SampleRay;

class SampleDriverTest : public ::testing::Test {
protected:
    SampleDriverTest() : shader_(libraryPath(), declarationPath()), driver_(shader_) {}

    LoadedShader shader_;
    SampleDriver driver_;
    SceneDatabase scene_;
};

TEST_F(SampleDriverTest, FindsTheLightArrayByItsType) {
    ASSERT_TRUE(driver_.lightArray().has_value());
    EXPECT_EQ(*driver_.lightArray(), "lights");
}

struct RayCase {
    const char* name;
    miVector dir;
    miVector normal;
    bool hit;  // a hit point given
};

std::ostream& operator<<(std::ostream& os, const RayCase& c) { return os << c.name; }

class RayOnState : public SampleDriverTest, public ::testing::WithParamInterface<RayCase> {};

TEST_P(RayOnState, ReachesTheStateTheShaderSees) {
    const RayCase& c = GetParam();
    const std::unique_ptr<ShaderInstance> instance = driver_.instantiate(scene_, {});
    miState state = instance->newState();
    const miVector before{7.0f, 8.0f, 9.0f};
    state.point = before;
    state.dot_nd = 42.0f;
    SampleRay ray{c.dir, c.normal, {}};
    const miVector hit{1.0f, -2.0f, 3.0f};
    if (c.hit) ray.point = hit;
    miColor result{0.0f, 0.0f, 0.0f, 0.0f};
    SampleDriver::shade(*instance, state, ray, result);

    const auto same = [](const miVector& a, const miVector& b) {
        return a.x == b.x && a.y == b.y && a.z == b.z;
    };
    EXPECT_TRUE(same(state.dir, c.dir));
    EXPECT_TRUE(same(state.normal, c.normal));
    EXPECT_TRUE(same(state.normal_geom, c.normal));
    EXPECT_TRUE(same(state.point, c.hit ? hit : before));
    const float facing = -(c.normal.x * c.dir.x + c.normal.y * c.dir.y + c.normal.z * c.dir.z);
    EXPECT_EQ(state.dot_nd, c.hit ? facing : 42.0f);
    EXPECT_TRUE(std::isfinite(result.r) && std::isfinite(result.g) && std::isfinite(result.b));
}

const float kHalf = std::sqrt(0.5f);

INSTANTIATE_TEST_SUITE_P(
    Rays, RayOnState,
    ::testing::Values(RayCase{"head-on hit", {0.0f, 0.0f, -1.0f}, {0.0f, 0.0f, 1.0f}, true},
                      RayCase{"grazing hit", {kHalf, 0.0f, -kHalf}, {0.0f, 0.0f, 1.0f}, true},
                      RayCase{"from behind", {0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 1.0f}, true},
                      RayCase{"no hit point", {0.0f, -kHalf, -kHalf}, {0.0f, 1.0f, 0.0f}, false}));

struct ArrayCase {
    int lights;
    int unused;
};

std::ostream& operator<<(std::ostream& os, const ArrayCase& c) {
    return os << c.lights << " lights after " << c.unused << " unused tags";
}

class LightArray : public SampleDriverTest, public ::testing::WithParamInterface<ArrayCase> {};

// Each light of one sample is asked once for it and once more for a next
// one: the shader reads exactly the lights given, past the unused tags.
TEST_P(LightArray, HandsTheShaderTheLightsGiven) {
    std::vector<miTag> tags;
    for (int i = 0; i < GetParam().lights; ++i) {
        tags.push_back(scene_.addLight(scripted({{{0.5f, 0.5f, 0.5f, 1.0f}, {0.0f, 0.0f, 1.0f}}})));
    }
    const std::unique_ptr<ShaderInstance> instance = driver_.instantiate(scene_, tags, GetParam().unused);
    miState state = instance->newState();
    miColor result{0.0f, 0.0f, 0.0f, 0.0f};
    SampleDriver::shade(*instance, state, {}, result);
    EXPECT_EQ(scene_.counters().sampleLight(), 2 * GetParam().lights);
}

INSTANTIATE_TEST_SUITE_P(Arrays, LightArray,
                         ::testing::Values(ArrayCase{0, 0}, ArrayCase{1, 0}, ArrayCase{3, 0}, ArrayCase{2, 3},
                                           ArrayCase{0, 2}));

}  // namespace
}  // namespace sorvane::mrhost::testing
