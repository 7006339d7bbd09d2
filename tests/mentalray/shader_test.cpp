#include <cmath>
#include <cstring>

#include "model/scattering.h"
#include "tests/support/mentalrayTesting.h"

namespace sorvane::mrhost {
namespace {

using testing::declarationPath;
using testing::libraryPath;
using testing::scripted;

bool sameBits(const miColor& a, const miColor& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

miVector unit(float x, float y, float z) {
    const float len = std::sqrt(x * x + y * y + z * z);
    return {x / len, y / len, z / len};
}

// Counts its samples, so a light the shader must not reach can be watched.
class CountingLight : public Light {
public:
    explicit CountingLight(LightSample sample) : sample_(sample) {}
    bool sample(const miState&, int index, LightSample& out) const override {
        calls_.fetch_add(1);
        if (index > 0) return false;
        out = sample_;
        return true;
    }
    mutable std::atomic<int> calls_{0};

private:
    LightSample sample_;
};

class ShaderTest : public ::testing::Test {
protected:
    ShaderTest() : shader_(libraryPath(), declarationPath()), instance_(shader_.instantiate(scene_)) {}

    miColor shade(miColor incoming = {0, 0, 0, 0}) {
        miState state = instance_->newState();
        state.dir = dir_;
        state.normal = normal_;
        instance_->shade(incoming, state);
        return incoming;
    }

    // Only one light's term is left in the result.
    void isolate(bool diffuse, bool translucency, bool specular) {
        instance_->setValues("ambientColor", {0, 0, 0});
        instance_->setValues("incandescence", {0, 0, 0});
        instance_->setBoolean("useIrradiance", false);
        if (!diffuse) instance_->setScalar("diffuse", 0.0f);
        if (!specular) instance_->setScalar("specularRollOff", 0.0f);
        // At 1 the translucency group is the model's own, whatever the declared default.
        instance_->setScalar("subsurfaceIntensity", translucency ? 1.0f : 0.0f);
    }

    miTag light(std::vector<LightSample> samples) { return scene_.addLight(scripted(std::move(samples))); }

    LoadedShader shader_;
    SceneDatabase scene_;
    std::unique_ptr<ShaderInstance> instance_;
    miVector dir_{0.0f, 0.0f, -1.0f};
    miVector normal_{0.0f, 0.0f, 1.0f};
};

// A sample where every parameter shows in the result.
class FetchRule : public ShaderTest,
                  public ::testing::WithParamInterface<std::pair<const char*, std::vector<float>>> {
protected:
    FetchRule() {
        dir_ = unit(0.1f, -0.2f, -0.97f);
        tags_ = {light({{{9, 9, 9, 1}, unit(1, 0, 1)}}),
                 light({{{1.0f, 0.9f, 0.8f, 1}, unit(0.3f, 0.4f, 0.866f)}}),
                 light({{{0.3f, 0.3f, 0.4f, 1}, unit(-0.5f, 0.1f, 0.8f)}})};
        scene_.setIrradiance({0.3f, 0.2f, 0.1f, 1.0f});
        configure(*instance_);
    }

    void configure(ShaderInstance& instance) const {
        instance.setArray("lights", tags_, 1);
        instance.setInteger("n_lights", 1);  // the second of three
        instance.setValues("ambientColor", {0.1f, 0.2f, 0.3f});
        instance.setValues("incandescence", {0.05f, 0.0f, 0.02f});
        instance.setValues("normalCamera", {0.1f, 0.0f, 0.0f});
        instance.setBoolean("useIrradiance", true);
    }

    std::vector<miTag> tags_;
};

TEST_P(FetchRule, BlockValueConnectedValueAndNoGhostOffset) {
    const auto& [name, other] = GetParam();
    const miColor defaults = shade();

    instance_->connectValues(name, other);
    const miColor connected = shade();
    EXPECT_GT(scene_.counters().phenEval(), 0);

    // A ghost offset of 0 means nothing is connected, whatever the ghost tags say.
    instance_->forceGhostOffset(0);
    scene_.counters().reset();
    EXPECT_TRUE(sameBits(shade(), defaults));
    EXPECT_EQ(scene_.counters().phenEval(), 0);

    instance_ = shader_.instantiate(scene_);
    configure(*instance_);
    instance_->setValues(name, other);
    const miColor set = shade();
    EXPECT_FALSE(sameBits(set, defaults)) << "the parameter should show in the result";
    EXPECT_TRUE(sameBits(connected, set)) << connected << " vs " << set;
}

INSTANTIATE_TEST_SUITE_P(
    EveryParameter, FetchRule,
    ::testing::Values(std::pair<const char*, std::vector<float>>{"color", {0.9f, 0.1f, 0.2f}},
                      std::pair<const char*, std::vector<float>>{"ambientColor", {0.4f, 0.4f, 0.0f}},
                      std::pair<const char*, std::vector<float>>{"incandescence", {0.3f, 0.0f, 0.0f}},
                      std::pair<const char*, std::vector<float>>{"normalCamera", {0.0f, 0.3f, 0.0f}},
                      std::pair<const char*, std::vector<float>>{"diffuse", {0.2f}},
                      std::pair<const char*, std::vector<float>>{"scatteringColor", {1.0f, 0.0f, 0.5f}},
                      std::pair<const char*, std::vector<float>>{"scattering", {0.9f}},
                      std::pair<const char*, std::vector<float>>{"anisotropy", {-0.3f}},
                      std::pair<const char*, std::vector<float>>{"depth", {0.8f}},
                      std::pair<const char*, std::vector<float>>{"oppositionColor", {0.1f, 0.9f, 0.1f}},
                      std::pair<const char*, std::vector<float>>{"opposition", {0.7f}},
                      std::pair<const char*, std::vector<float>>{"backlightColor", {0.9f, 0.9f, 0.0f}},
                      std::pair<const char*, std::vector<float>>{"backlight", {0.8f}},
                      std::pair<const char*, std::vector<float>>{"subsurfaceIntensity", {0.4f}},
                      std::pair<const char*, std::vector<float>>{"eccentricity", {0.5f}},
                      std::pair<const char*, std::vector<float>>{"specularRollOff", {0.9f}},
                      std::pair<const char*, std::vector<float>>{"specularColor", {0.2f, 0.9f, 0.2f}},
                      std::pair<const char*, std::vector<float>>{"useIrradiance", {0.0f}},
                      std::pair<const char*, std::vector<float>>{"irradianceColor", {0.5f, 2.0f, 0.0f}},
                      std::pair<const char*, std::vector<float>>{"i_lights", {2.0f}},
                      std::pair<const char*, std::vector<float>>{"n_lights", {2.0f}}),
    [](const auto& info) { return std::string(info.param.first); });

TEST_F(ShaderTest, TheLightArrayItselfCanBeConnected) {
    const miTag a = light({{{1, 0, 0, 1}, {0, 0, 1}}});
    const miTag b = light({{{0, 1, 0, 1}, {0, 0, 1}}});
    instance_->setArray("lights", {a});
    instance_->connectTags("lights", {b});
    const miColor connected = shade();
    instance_->forceGhostOffset(0);
    const miColor own = shade();
    instance_ = shader_.instantiate(scene_);
    instance_->setArray("lights", {b});
    EXPECT_TRUE(sameBits(connected, shade()));
    EXPECT_FALSE(sameBits(connected, own));
}

struct LightRange {
    int start;
    int count;
    int firstUsed;  // -1: no light reached
    int lastUsed;
};

void PrintTo(const LightRange& c, std::ostream* os) {
    *os << "i_lights " << c.start << " n_lights " << c.count;
}

class LightRangeTest : public ShaderTest, public ::testing::WithParamInterface<LightRange> {};

TEST_P(LightRangeTest, OnlyTheLightsFromStartToStartPlusCountAreSampled) {
    std::vector<std::shared_ptr<CountingLight>> lights;
    std::vector<miTag> tags;
    for (int k = 0; k < 4; ++k) {
        lights.push_back(std::make_shared<CountingLight>(LightSample{{1, 1, 1, 1}, unit(0.1f * k, 0, 1)}));
        tags.push_back(scene_.addLight(lights.back()));
    }
    instance_->setArray("lights", tags);
    instance_->setInteger("i_lights", GetParam().start);
    instance_->setInteger("n_lights", GetParam().count);
    shade();
    for (int k = 0; k < 4; ++k) {
        const bool used = k >= GetParam().firstUsed && k <= GetParam().lastUsed;
        EXPECT_EQ(lights[static_cast<std::size_t>(k)]->calls_, used ? 2 : 0) << "light " << k;
    }
    EXPECT_EQ(scene_.counters().unknownLight(), 0);
}

INSTANTIATE_TEST_SUITE_P(Table, LightRangeTest,
                         ::testing::Values(LightRange{0, 0, -1, -1}, LightRange{0, -3, -1, -1},
                                           LightRange{0, 4, 0, 3}, LightRange{1, 2, 1, 2},
                                           LightRange{3, 1, 3, 3}));

TEST_F(ShaderTest, NoLightsAddAmbientAndIncandescenceToWhatCameIn) {
    const miColor ambient{0.2f, 0.3f, 0.4f, 0.0f};
    const miColor incandescence{0.01f, 0.02f, 0.03f, 0.5f};
    const miColor color{0.7f, 0.6f, 0.5f, 0.0f};
    instance_->setColor("ambientColor", ambient);
    instance_->setColor("incandescence", incandescence);
    instance_->setColor("color", color);
    const miColor in{0.25f, 0.5f, 0.75f, 0.3f};
    const miColor out = shade(in);
    EXPECT_EQ(out.r, incandescence.r + (ambient.r * color.r + in.r));
    EXPECT_EQ(out.g, incandescence.g + (ambient.g * color.g + in.g));
    EXPECT_EQ(out.b, incandescence.b + (ambient.b * color.b + in.b));
    EXPECT_EQ(out.a, 1.0f);
}

// Straight on, with N = L = V: nl = nh = 1, so diffuse and specular have closed forms.
TEST_F(ShaderTest, OneSampleAddsHalfOfDiffuseAndTranslucencyAndAllOfSpecular) {
    const miColor lightColor{0.8f, 0.6f, 0.4f, 1.0f};
    const miTag tag = light({{lightColor, {0, 0, 1}}});
    instance_->setArray("lights", {tag});
    isolate(true, true, true);
    const miColor all = shade();

    isolate(true, false, false);
    const miColor diffuseOnly = shade();
    EXPECT_EQ(diffuseOnly.r, lightColor.r * (1.0f * 0.8f) * 0.5f * 0.5f);

    instance_ = shader_.instantiate(scene_);
    instance_->setArray("lights", {tag});
    isolate(false, false, true);
    const miColor specularOnly = shade();
    EXPECT_EQ(specularOnly.r, 0.5f * (1.0f * 0.3f) * lightColor.r);

    instance_ = shader_.instantiate(scene_);
    instance_->setArray("lights", {tag});
    isolate(false, true, false);
    const miColor translucencyOnly = shade();
    using F = model::MentalRayFlavour;
    const model::Vec3 n{0, 0, 1};
    const float t = (0.4f * (model::backlightFalloff<F>(-n, n, 0.3f) * model::scatterPhase<F>(n, n, 0.65f)) +
                     0.5f * (model::scatterTransmission<F>(n, n, n, 0.3f, 0.65f, 0.3f) +
                             model::scatterReflection<F>(n, n, n, 0.3f, 0.65f, 0.3f)) +
                     model::oppositionFalloff<F>(n, n, 0.25f) * 0.6f) *
                    1.0f;
    EXPECT_EQ(translucencyOnly.r, t * 0.5f);

    EXPECT_FLOAT_EQ(all.r, diffuseOnly.r + translucencyOnly.r + specularOnly.r);
    EXPECT_FLOAT_EQ(all.b, diffuseOnly.b + translucencyOnly.b + specularOnly.b);
}

TEST_F(ShaderTest, ALightFromBelowAddsOnlyHalfItsTranslucency) {
    const miTag tag = light({{{1, 1, 1, 1}, unit(0.2f, 0, -1)}});
    instance_->setArray("lights", {tag});
    isolate(true, true, true);
    const miColor all = shade();
    isolate(false, true, false);
    EXPECT_TRUE(sameBits(all, shade()));
}

// Two samples t1, t2 of one light add 0.5 t1 + 0.25 t2: the earlier weighs more.
TEST_F(ShaderTest, EarlierSamplesOfALightWeighMore) {
    isolate(false, true, false);
    const LightSample first{{1, 1, 1, 1}, unit(0.3f, 0.0f, 1.0f)};
    const LightSample second{{1, 1, 1, 1}, unit(-0.6f, 0.5f, 0.4f)};
    const auto shadeWith = [&](std::vector<LightSample> samples) {
        instance_->setArray("lights", {light(std::move(samples))});
        return shade();
    };
    const miColor one = shadeWith({first});   // 0.5 t1
    const miColor two = shadeWith({second});  // 0.5 t2
    const miColor both = shadeWith({first, second});
    const miColor swapped = shadeWith({second, first});
    EXPECT_NEAR(both.r, one.r + 0.5f * two.r, 1e-6f * std::fabs(one.r + two.r));
    EXPECT_NEAR(swapped.r, two.r + 0.5f * one.r, 1e-6f * std::fabs(one.r + two.r));
    EXPECT_GT(std::fabs(both.r - swapped.r), 1e-4f * std::fabs(both.r));
}

TEST_F(ShaderTest, TheLightsColorDoesNotEnterTheTranslucencyGroup) {
    isolate(false, true, false);
    instance_->setArray("lights", {light({{{1, 1, 1, 1}, unit(0.3f, 0.2f, 1.0f)}})});
    const miColor white = shade();
    instance_->setArray("lights", {light({{{5.0f, 0.1f, 2.0f, 1}, unit(0.3f, 0.2f, 1.0f)}})});
    EXPECT_TRUE(sameBits(white, shade()));
    instance_->setArray("lights", {light({{{0, 0, 0, 0}, unit(0.3f, 0.2f, 1.0f)}})});
    EXPECT_TRUE(sameBits(white, shade()));
}

struct IrradianceCase {
    bool on;
    miColor weight;
    int calls;
    int weightFetches;
};

void PrintTo(const IrradianceCase& c, std::ostream* os) {
    *os << (c.on ? "on" : "off") << " weight " << c.weight;
}

class IrradianceSwitch : public ShaderTest, public ::testing::WithParamInterface<IrradianceCase> {};

TEST_P(IrradianceSwitch, GathersOnlyWhenOnAndWeighted) {
    const IrradianceCase& c = GetParam();
    instance_->setBoolean("useIrradiance", c.on);
    auto fetches = std::make_shared<std::atomic<int>>(0);
    auto weight = std::make_shared<miColor>(c.weight);
    instance_->connect("irradianceColor", [fetches, weight](const miState&) -> const void* {
        fetches->fetch_add(1);
        return weight.get();
    });
    scene_.setIrradiance({0.6f, 0.3f, 0.9f, 1.0f});
    const miColor before = [&] {
        SceneDatabase none;
        auto plain = shader_.instantiate(none);
        miState state = plain->newState();
        miColor out{0, 0, 0, 0};
        plain->shade(out, state);
        return out;
    }();
    const miColor out = shade();
    EXPECT_EQ(scene_.counters().computeIrradiance(), c.calls);
    EXPECT_EQ(*fetches, c.weightFetches);
    EXPECT_EQ(out.a, 1.0f);
    if (c.calls == 1) {
        const double expected =
            static_cast<double>(0.5f * 0.6f * c.weight.r) / 3.14159274101257324 + before.r;
        EXPECT_EQ(out.r, static_cast<float>(expected));
    } else {
        EXPECT_TRUE(sameBits(out, before));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, IrradianceSwitch,
                         ::testing::Values(IrradianceCase{false, {1, 1, 1, 1}, 0, 0},
                                           IrradianceCase{true, {1, 0.5f, 2, 0}, 1, 1},
                                           IrradianceCase{true, {0, 0, 0, 1}, 0, 1},
                                           IrradianceCase{true, {0, 0, 0.001f, 0}, 1, 1}));

// What the light and the gather see of the state, and what is left of it after.
class StateWatcher : public Light {
public:
    bool sample(const miState& state, int index, LightSample& out) const override {
        pri = state.pri;
        normal = state.normal;
        out = {{1, 1, 1, 1}, {0, 0, 1}};
        return index == 0;
    }
    mutable void* pri = nullptr;
    mutable miVector normal{};
};

TEST_F(ShaderTest, LightsSeeNoPrimitiveAndTheSurfaceNormalAndTheStateIsLeftAsItWas) {
    auto watcher = std::make_shared<StateWatcher>();
    instance_->setArray("lights", {scene_.addLight(watcher)});
    instance_->setValues("normalCamera", {0.5f, 0.0f, 0.0f});
    instance_->setBoolean("useIrradiance", true);
    void* gatherPri = nullptr;
    miVector gatherNormal{};
    scene_.setIrradianceProvider([&](const miState& state, miColor& out) {
        gatherPri = state.pri;
        gatherNormal = state.normal;
        out = {0, 0, 0, 0};
    });
    miState state = instance_->newState();
    void* const pri = state.pri;
    ASSERT_NE(pri, nullptr);
    const miState before = state;
    miColor result{0, 0, 0, 0};
    EXPECT_EQ(instance_->shade(result, state), miTRUE);

    EXPECT_EQ(watcher->pri, nullptr);
    EXPECT_EQ(watcher->normal.x, 0.0f);
    EXPECT_EQ(watcher->normal.z, 1.0f);
    // The gather gets a copy made before pri was cleared, with the shading normal.
    EXPECT_EQ(gatherPri, pri);
    EXPECT_FLOAT_EQ(gatherNormal.x, 0.5f / std::sqrt(1.25f));
    EXPECT_FLOAT_EQ(gatherNormal.z, 1.0f / std::sqrt(1.25f));
    EXPECT_EQ(std::memcmp(&state, &before, sizeof state), 0);
}

TEST_F(ShaderTest, ANormalCameraCancellingTheNormalLeavesNoDiffuseOrSpecular) {
    instance_->setArray("lights", {light({{{1, 1, 1, 1}, {0, 0, 1}}})});
    instance_->setValues("normalCamera", {0.0f, 0.0f, -1.0f});
    isolate(true, false, true);
    const miColor out = shade();
    EXPECT_EQ(out.r, 0.0f);
    EXPECT_EQ(out.g, 0.0f);
    EXPECT_EQ(out.a, 1.0f);
}

}  // namespace
}  // namespace sorvane::mrhost
