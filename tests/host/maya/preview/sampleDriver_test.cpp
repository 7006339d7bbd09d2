// One sample driven through the sorvane node: the inputs a renderer leaves
// out keep the node's values, and each sample has exactly its own lights
// however many the evaluation held before.
#include <ostream>
#include <vector>

#include "host/maya/preview/sampleDriver.h"
#include "tests/support/mayaTesting.h"

namespace sorvane::testing {
namespace {

using host::preview::SampleDriver;
using host::preview::SampleInputs;
using host::preview::SampleOutputs;

class SampleDriverTest : public SorvaneSuite {};

class GivenInputs : public SampleDriverTest, public ::testing::WithParamInterface<unsigned> {};

// Bit 0: normalCamera, bit 1: rayDirection, bit 2: pointCamera.
TEST_P(GivenInputs, OnlyThoseGivenAreSet) {
    const unsigned given = GetParam();
    const SampleDriver driver(type());
    host::Node node("sorvane");
    const MFloatVector mine[] = {{0.0f, 0.6f, 0.8f}, {0.0f, 0.0f, -1.0f}, {1.0f, 2.0f, -3.0f}};
    const MFloatVector nodes[] = {node.getVector("normalCamera"), node.getVector("rayDirection"),
                                  node.getVector("pointCamera")};
    SampleInputs inputs;
    if (given & 1u) inputs.normalCamera = mine[0];
    if (given & 2u) inputs.rayDirection = mine[1];
    if (given & 4u) inputs.pointCamera = mine[2];

    host::Evaluation e(node);
    driver.shade(e, inputs, {});
    const host::Attribute* attributes[] = {&driver.normalCamera(), &driver.rayDirection(),
                                           &driver.pointCamera()};
    for (unsigned i = 0; i < 3; ++i) {
        EXPECT_EQ(e.getVector(*attributes[i]), (given >> i) & 1u ? mine[i] : nodes[i])
            << attributes[i]->longName;
    }
}

INSTANTIATE_TEST_SUITE_P(EverySubset, GivenInputs, ::testing::Range(0u, 8u));

struct LightCounts {
    unsigned before;
    unsigned now;
};

std::ostream& operator<<(std::ostream& os, const LightCounts& c) {
    return os << c.before << " lights, then " << c.now;
}

class LightCountChange : public SampleDriverTest, public ::testing::WithParamInterface<LightCounts> {};

// An evaluation reused without a reset must not keep the lights of an
// earlier sample.
TEST_P(LightCountChange, ShadesAsAFreshEvaluationWould) {
    const SampleDriver driver(type());
    host::Node node("sorvane");
    std::vector<host::LightData> lights(4);
    for (unsigned i = 0; i < lights.size(); ++i) {
        lights[i].direction = MFloatVector(0.2f * static_cast<float>(i), 0.6f, 0.8f);
        lights[i].intensity = MFloatVector(0.5f, 0.25f * static_cast<float>(i + 1), 0.75f);
    }
    const SampleInputs inputs{MFloatVector(0.0f, 0.0f, 1.0f), MFloatVector(0.0f, 0.0f, -1.0f), std::nullopt};

    host::Evaluation fresh(node);
    const SampleOutputs expected = driver.shade(fresh, inputs, lights.data(), GetParam().now);

    host::Evaluation reused(node);
    driver.reserveLights(reused, 4);
    driver.shade(reused, inputs, lights.data(), GetParam().before);
    const SampleOutputs out = driver.shade(reused, inputs, lights.data(), GetParam().now);
    EXPECT_EQ(reused.elementCount(driver.lightDataArray()), GetParam().now);
    EXPECT_EQ(out.color, expected.color);
    EXPECT_EQ(out.transparency, expected.transparency);
}

INSTANTIATE_TEST_SUITE_P(Counts, LightCountChange,
                         ::testing::Values(LightCounts{3, 1}, LightCounts{0, 2}, LightCounts{2, 0},
                                           LightCounts{4, 4}, LightCounts{1, 3}));

}  // namespace
}  // namespace sorvane::testing
