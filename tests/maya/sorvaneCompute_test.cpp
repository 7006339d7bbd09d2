// compute through the host: dispatch on the plug, the light loop, no
// allocation per sample, and evaluations of one node on several threads.
#include <array>
#include <optional>
#include <ostream>
#include <random>
#include <thread>
#include <vector>

#include "allocationCounter.h"
#include "host/maya/preview/sampleDriver.h"
#include "maya/shadingEvaluation.h"
#include "tests/support/mayaLightData.h"
#include "tests/support/mayaTesting.h"

namespace sorvane::testing {
namespace {

using namespace ::sorvane::mayaplugin;

struct Sample {
    ShadingInputs shading;
    std::vector<LightDataElement> lights;
};

Sample randomSample(std::mt19937& random, int lightCount) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    std::uniform_real_distribution<float> signedUnit(-1.0f, 1.0f);
    const auto color = [&] { return Color{unit(random), unit(random), unit(random)}; };
    const auto direction = [&] { return Vec3{signedUnit(random), signedUnit(random), signedUnit(random)}; };
    Sample s;
    ShadingInputs& v = s.shading;
    v.rayDirection = direction();
    v.normalCamera = direction();
    v.color = color();
    v.ambientColor = color();
    v.incandescence = color();
    v.scatteringColor = color();
    v.oppositionColor = color();
    v.backlightColor = color();
    v.specularColor = color();
    v.transparency = color();
    v.diffuse = unit(random);
    v.scattering = unit(random);
    v.anisotropy = signedUnit(random);
    v.depth = unit(random);
    v.opposition = unit(random);
    v.backlight = unit(random);
    v.eccentricity = 0.05f + unit(random);
    v.specularRollOff = unit(random);
    for (int i = 0; i < lightCount; ++i) {
        LightDataElement l;
        l.lightIntensity = color();
        l.lightDirection = direction();
        l.preShadowIntensity = unit(random);
        l.lightAmbient = unit(random) < 0.5f;
        l.lightDiffuse = unit(random) < 0.8f;
        l.lightSpecular = unit(random) < 0.5f;
        s.lights.push_back(l);
    }
    return s;
}

class Compute : public SorvaneSuite {
protected:
    // The driver holds the node type's attributes, which go with the plug-in
    // when a suite unloads it: one driver per load, never one kept across.
    static void SetUpTestSuite() {
        SorvaneSuite::SetUpTestSuite();
        driver_.emplace(type());
    }
    static void TearDownTestSuite() {
        driver_.reset();
        SorvaneSuite::TearDownTestSuite();
    }
    static const host::preview::SampleDriver& driver() { return *driver_; }
    static inline std::optional<host::preview::SampleDriver> driver_;

    // Every ShadingSample field and every light, into an evaluation's data
    // block: the sample inputs and lights as the renderer gives them.
    static void fill(host::Evaluation& e, const Sample& s) {
        const ShadingInputs& v = s.shading;
        driver().setInputs(e, {toMaya(v.normalCamera), toMaya(v.rayDirection), std::nullopt});
        e.set(attr("color"), toMaya(v.color));
        e.set(attr("ambientColor"), toMaya(v.ambientColor));
        e.set(attr("incandescence"), toMaya(v.incandescence));
        e.set(attr("scatteringColor"), toMaya(v.scatteringColor));
        e.set(attr("oppositionColor"), toMaya(v.oppositionColor));
        e.set(attr("backlightColor"), toMaya(v.backlightColor));
        e.set(attr("specularColor"), toMaya(v.specularColor));
        e.set(attr("transparency"), toMaya(v.transparency));
        e.set(attr("diffuse"), v.diffuse);
        e.set(attr("scattering"), v.scattering);
        e.set(attr("anisotropy"), v.anisotropy);
        e.set(attr("depth"), v.depth);
        e.set(attr("opposition"), v.opposition);
        e.set(attr("backlight"), v.backlight);
        e.set(attr("eccentricity"), v.eccentricity);
        e.set(attr("specularRollOff"), v.specularRollOff);
        // On the stack: the per-sample path is watched for allocations.
        std::array<host::LightData, 8> data;
        for (unsigned i = 0; i < s.lights.size(); ++i) {
            host::LightData& d = data.at(i);
            d = toLightData(s.lights[i], e.elementDefault(driver().lightDataArray()));
            d.shadowFraction = 0.25f;  // read by nothing
        }
        driver().setLights(e, data.data(), s.lights.size());
    }

    static MFloatVector expected(const Sample& s, std::size_t lights) {
        return toMaya(evaluateOutColor(s.shading, s.lights.data(), lights));
    }
};

TEST_F(Compute, OutColorIsTheEvaluationOfEveryInputAndLight) {
    std::mt19937 random(20090);
    host::Node node("sorvane");
    host::Evaluation e(node);
    for (int i = 0; i < 200; ++i) {
        const Sample s = randomSample(random, i % 5);
        e.reset();
        fill(e, s);
        const host::preview::SampleOutputs out = driver().requestOutputs(e);
        EXPECT_EQ(out.color, expected(s, s.lights.size()))
            << s.shading << " with " << s.lights.size() << " lights";
        EXPECT_EQ(out.transparency, toMaya(s.shading.transparency));
    }
}

TEST_F(Compute, WithoutLightsOutColorIsAmbientAndIncandescenceThroughTransparency) {
    host::Node node("sorvane");
    host::Evaluation e(node);
    const MFloatVector color(0.8f, 0.4f, 0.2f), ambient(0.3f, 0.5f, 0.7f), glow(0.1f, 0.2f, 0.05f);
    const MFloatVector transparency(0.25f, 0.5f, 0.75f);
    e.set(attr("color"), color);
    e.set(attr("ambientColor"), ambient);
    e.set(attr("incandescence"), glow);
    e.set(attr("transparency"), transparency);
    const MFloatVector out = e.requestVector(attr("outColor"));
    for (unsigned c = 0; c < 3; ++c) {
        EXPECT_EQ(out[c], (ambient[c] * color[c] + glow[c]) * (1.0f - transparency[c])) << "channel " << c;
    }
}

// Which plug compute answers, what it cleans and what it leaves alone.
struct Dispatch {
    const char* plug;
    MStatus::MStatusCode status;
    const char* cleaned;  // the output made clean, or nothing
};

std::ostream& operator<<(std::ostream& os, const Dispatch& d) { return os << "plug " << d.plug; }

class ComputeDispatch : public Compute, public ::testing::WithParamInterface<Dispatch> {};

TEST_P(ComputeDispatch, AnswersItsOwnPlugsOnly) {
    std::mt19937 random(7);
    const Sample s = randomSample(random, 2);
    host::Node node("sorvane");
    host::Evaluation e(node);
    fill(e, s);
    const std::vector<unsigned char> before = e.snapshot();

    const MStatus status = e.compute(attr(GetParam().plug));
    EXPECT_EQ(status.statusCode(), GetParam().status);
    const std::string cleaned = GetParam().cleaned;
    if (cleaned.empty()) {
        EXPECT_EQ(e.snapshot(), before) << "the data block is untouched";
        return;
    }
    const std::string other = cleaned == "outColor" ? "outTransparency" : "outColor";
    EXPECT_FALSE(e.isDirty(attr(cleaned.c_str())));
    for (const char* channel : {"R", "G", "B"}) EXPECT_FALSE(e.isDirty(attr((cleaned + channel).c_str())));
    EXPECT_TRUE(e.isDirty(attr(other.c_str()))) << "the outputs are computed independently";
    const MFloatVector whole = cleaned == "outColor" ? expected(s, 2) : toMaya(s.shading.transparency);
    EXPECT_EQ(e.getVector(attr(cleaned.c_str())), whole) << "all three channels, for any channel's plug";
}

INSTANTIATE_TEST_SUITE_P(Plugs, ComputeDispatch,
                         ::testing::Values(Dispatch{"outColor", MStatus::kSuccess, "outColor"},
                                           Dispatch{"outColorR", MStatus::kSuccess, "outColor"},
                                           Dispatch{"outColorG", MStatus::kSuccess, "outColor"},
                                           Dispatch{"outColorB", MStatus::kSuccess, "outColor"},
                                           Dispatch{"outTransparency", MStatus::kSuccess, "outTransparency"},
                                           Dispatch{"outTransparencyR", MStatus::kSuccess, "outTransparency"},
                                           Dispatch{"outTransparencyG", MStatus::kSuccess, "outTransparency"},
                                           Dispatch{"outTransparencyB", MStatus::kSuccess, "outTransparency"},
                                           Dispatch{"color", MStatus::kUnknownParameter, ""},
                                           Dispatch{"transparency", MStatus::kUnknownParameter, ""},
                                           Dispatch{"normalCamera", MStatus::kUnknownParameter, ""},
                                           Dispatch{"lightDataArray", MStatus::kUnknownParameter, ""},
                                           Dispatch{"lightIntensity", MStatus::kUnknownParameter, ""},
                                           Dispatch{"diffuse", MStatus::kUnknownParameter, ""}));

TEST_F(Compute, CleanOutputsAreNotComputedAgain) {
    host::Node node("sorvane");
    host::Evaluation e(node);
    e.requestVector(attr("outColor"));
    e.requestVector(attr("outColor"));
    EXPECT_EQ(e.computeCount(), 1u);
    e.set(attr("diffuse"), 0.1f);
    e.requestVector(attr("outTransparency"));
    e.requestVector(attr("outColor"));
    EXPECT_EQ(e.computeCount(), 3u);
}

// When next fails early, the lights read so far still count.
class NextFailsEarly : public Compute, public ::testing::WithParamInterface<unsigned> {};

TEST_P(NextFailsEarly, OnlyTheLightsReadSoFarCount) {
    const unsigned succeeding = GetParam();
    std::mt19937 random(11);
    const Sample s = randomSample(random, 4);
    host::Node node("sorvane");
    host::Evaluation e(node);
    fill(e, s);
    host::injectFault({"MArrayDataHandle::next", "lightDataArray", succeeding});
    EXPECT_EQ(e.requestVector(attr("outColor")), expected(s, succeeding + 1));
}

INSTANTIATE_TEST_SUITE_P(AfterSuccessfulCalls, NextFailsEarly, ::testing::Values(0u, 1u, 2u));

TEST_F(Compute, NothingIsAllocatedPerSample) {
    std::mt19937 random(3);
    std::vector<Sample> samples;
    for (int i = 0; i < 8; ++i) samples.push_back(randomSample(random, 4));
    host::Node node("sorvane");
    host::Evaluation e(node);
    fill(e, samples[0]);  // the light elements' room, once
    driver().requestOutputs(e);

    long allocations = 0;
    for (const Sample& s : samples) {
        e.reset();
        startCountingAllocations();
        fill(e, s);
        const host::preview::SampleOutputs out = driver().requestOutputs(e);
        allocations += stopCountingAllocations();
        EXPECT_EQ(out.color, expected(s, 4));
        EXPECT_EQ(out.transparency, toMaya(s.shading.transparency));
    }
    EXPECT_EQ(allocations, 0);
}

TEST_F(Compute, ThreadsEvaluatingOneNodeAgreeWithOneThread) {
    std::mt19937 random(99);
    std::vector<Sample> samples;
    for (int i = 0; i < 300; ++i) samples.push_back(randomSample(random, i % 4));
    host::Node node("sorvane");
    node.set("diffuse", 0.6f);  // the node's own values reach every evaluation

    const auto run = [&](std::vector<MFloatVector>& out) {
        host::Evaluation e(node);
        for (const Sample& s : samples) {
            e.reset();
            fill(e, s);
            const host::preview::SampleOutputs outputs = driver().requestOutputs(e);
            out.push_back(outputs.color);
            out.push_back(outputs.transparency);
        }
    };
    std::vector<MFloatVector> reference;
    run(reference);
    std::vector<std::vector<MFloatVector>> results(4);
    std::vector<std::thread> threads;
    for (auto& result : results) threads.emplace_back(run, std::ref(result));
    for (auto& thread : threads) thread.join();
    for (const auto& result : results) EXPECT_EQ(result, reference);
}

TEST_F(Compute, AnEvaluationStartsFromTheNodesValues) {
    host::Node node("sorvane");
    node.set("color", MFloatVector(0.9f, 0.1f, 0.1f));
    node.set("cg", 0.7f);
    host::Evaluation e(node);
    EXPECT_EQ(e.getVector(attr("color")), MFloatVector(0.9f, 0.7f, 0.1f));
    e.set(attr("color"), MFloatVector(0.0f, 0.0f, 0.0f));
    e.reset();
    EXPECT_EQ(e.getVector(attr("color")), MFloatVector(0.9f, 0.7f, 0.1f)) << "overrides last one evaluation";
    EXPECT_EQ(node.getVector("color"), MFloatVector(0.9f, 0.7f, 0.1f));
}

}  // namespace
}  // namespace sorvane::testing
