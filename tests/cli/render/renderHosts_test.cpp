// The preview through the built plug-ins: reference renders for both hosts,
// the hosts' lights, and the presets against what the plug-ins declare.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <tuple>

#include "cli/hosts/hostBackends.h"
#include "cli/render/environmentFile.h"
#include "cli/render/imageCompare.h"
#include "cli/render/imageFiles.h"
#include "cli/render/previewRender.h"
#include "cli/render/stageShader.h"
#include "cli/render/storedMaterials.h"
#include "host/maya/mayaHost.h"
#include "host/maya/preview/sceneLights.h"
#include "host/mentalray/mentalrayHost.h"
#include "host/mentalray/preview/sampleDriver.h"
#include "host/mentalray/preview/sceneLights.h"

namespace sorvane::render {
namespace {

ShadingBackend& backend(const std::string& host) {
    // Loaded once per process, as the command does.
    static std::unique_ptr<ShadingBackend> maya = openMayaBackend(cli::defaultPluginPaths());
    static std::unique_ptr<ShadingBackend> mentalray = openMentalrayBackend(cli::defaultPluginPaths());
    return host == "maya" ? *maya : *mentalray;
}

Image renderSwatch(const std::string& host, const std::string& preset,
                   std::vector<std::string> settings = {}) {
    PreviewRequest request;
    request.preset = preset;
    request.settings = std::move(settings);
    request.render = {64, 64, 4, 2};
    return renderPreview(request, {&backend(host)});
}

std::string referencePath(const std::string& name) {
    return std::string(SORVANE_REFERENCE_DIR) + "/" + name + ".exr";
}

struct ReferenceCase {
    const char* host;
    const char* preset;
    std::string name() const { return std::string(host) + "-" + preset; }
};

class ReferenceRender : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(ReferenceRender, MatchesItsReference) {
    const ReferenceCase& c = GetParam();
    const Image image = renderSwatch(c.host, c.preset);
    const std::string reference = referencePath(c.name());
    if (std::getenv("SORVANE_UPDATE_REFERENCES") != nullptr) {
        std::filesystem::create_directories(SORVANE_REFERENCE_DIR);
        writeImage(reference, image);
        std::cout << "wrote " << reference << '\n';
        return;
    }
    ASSERT_TRUE(std::filesystem::exists(reference))
        << reference << " is missing; make it with SORVANE_UPDATE_REFERENCES=1 "
        << "render_reference_tests";
    const CompareResult result = compareImages(image, readExr(reference), kReferenceThresholds);
    if (!result.match) {
        std::filesystem::create_directories(SORVANE_DIFFERENCE_DIR);
        const std::string base = std::string(SORVANE_DIFFERENCE_DIR) + "/" + c.name();
        writeImage(base + "-actual.exr", image);
        writeImage(base + "-difference.exr", differenceImage(image, readExr(reference), 10.0f));
        ADD_FAILURE() << c.name() << ": " << result.summary << "\n  see " << base << "-difference.exr";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Render, ReferenceRender,
    ::testing::Values(ReferenceCase{"maya", "default"}, ReferenceCase{"maya", "jade"},
                      ReferenceCase{"maya", "milk"}, ReferenceCase{"mentalray", "default"},
                      ReferenceCase{"mentalray", "jade"}, ReferenceCase{"mentalray", "milk"}),
    [](const auto& info) { return std::string(info.param.host) + "_" + info.param.preset; });

class DeliberateChange : public ::testing::TestWithParam<const char*> {};

// The comparison must notice a material that is not the one referenced.
TEST_P(DeliberateChange, FailsTheComparison) {
    const std::string reference = referencePath(std::string(GetParam()) + "-default");
    if (!std::filesystem::exists(reference)) GTEST_SKIP() << "no reference yet";
    const Image changed = renderSwatch(GetParam(), "default", {"diffuse=0.75"});
    const CompareResult result = compareImages(changed, readExr(reference), kReferenceThresholds);
    EXPECT_FALSE(result.match) << result.summary;
}

INSTANTIATE_TEST_SUITE_P(Render, DeliberateChange, ::testing::Values("maya", "mentalray"));

TEST(Render, ThreadCountDoesNotChangeTheHostsPictures) {
    for (const char* host : {"maya", "mentalray"}) {
        PreviewRequest request;
        request.render = {24, 24, 2, 1};
        const Image one = renderPreview(request, {&backend(host)});
        request.render.threads = 2;
        const Image two = renderPreview(request, {&backend(host)});
        EXPECT_EQ(compareImages(one, two, {0.0f, 0.0f, 0.0f}).failing, 0u) << host;
    }
}

TEST(Render, TextureDrivesTheColorOnBothHosts) {
    for (const char* host : {"maya", "mentalray"}) {
        PreviewRequest plain;
        plain.render = {32, 32, 1, 2};
        PreviewRequest textured = plain;
        textured.textures = {"color=checker"};
        const CompareResult result =
            compareImages(renderPreview(textured, {&backend(host)}), renderPreview(plain, {&backend(host)}),
                          kReferenceThresholds);
        EXPECT_FALSE(result.match) << host << ": the checker changed nothing";
    }
}

TEST(Render, EveryPresetNameMeansSomethingToItsHosts) {
    for (const Preset& preset : materialPresets()) {
        for (const AttributeValue& v : preset.values) {
            for (const char* host : {"maya", "mentalray"}) {
                ShadingBackend& b = backend(host);
                if (!b.takes(v.scope)) continue;
                const std::optional<ValueKind> kind = b.attributeKind(v.name);
                EXPECT_TRUE(kind.has_value()) << preset.name << ": " << v.name << " in " << host;
                if (kind) {
                    EXPECT_NO_THROW(convertValue(v, kind, true, host));
                }
            }
        }
    }
}

TEST(Render, DefaultPresetIsTheNodesDefaults) {
    backend("maya");  // loading the plug-in registers the node type
    mayahost::Node node("sorvane");
    const Preset* preset = findPreset("default");
    ASSERT_NE(preset, nullptr);
    for (const AttributeValue& v : preset->values) {
        if (v.scope == HostScope::mentalray) continue;
        if (v.count == 3) {
            const MFloatVector d = node.getVector(v.name);
            EXPECT_EQ(d.x, v.values[0]) << v.name;
            EXPECT_EQ(d.y, v.values[1]) << v.name;
            EXPECT_EQ(d.z, v.values[2]) << v.name;
        } else {
            EXPECT_EQ(node.getFloat(v.name), v.values[0]) << v.name;
        }
    }
}

// At each preset and the preview's own stage, neither host's ball may read
// brighter: a side-by-side comparison would show the host, not the material.
class BalancedHosts : public ::testing::TestWithParam<const char*> {};

TEST_P(BalancedHosts, BallsAgreeInMeanLuminanceWithinTenPercent) {
    PreviewRequest request;
    request.preset = GetParam();
    request.render = {64, 64, 2, 2};
    const Preview preview = renderPreviewSwatches(request, {&backend("maya"), &backend("mentalray")});
    const double maya = meanCoveredLuminance(preview.at(0, 0, 0).image);
    const double mentalray = meanCoveredLuminance(preview.at(1, 0, 0).image);
    ASSERT_GT(maya, 0.05) << "the ball is missing or black";
    EXPECT_NEAR(mentalray / maya, 1.0, 0.10) << "maya " << maya << ", mentalray " << mentalray;
}

INSTANTIATE_TEST_SUITE_P(Render, BalancedHosts,
                         ::testing::Values("default", "skin", "wax", "jade", "marble", "milk"));

// Each pass is the plug-in's own answer with the other effects switched off;
// the set and the effects add up to the beauty within rounding, whatever
// the material: every preset, and transparency and irradiance on.
struct PassCase {
    const char* preset;
    std::vector<std::string> settings;
};

class PassesSum : public ::testing::TestWithParam<PassCase> {};

TEST_P(PassesSum, ToTheBeautyInEachHost) {
    PreviewRequest request;
    request.preset = GetParam().preset;
    request.settings = GetParam().settings;
    request.render = {32, 32, 2, 2};
    const std::vector<HostPasses> passes = renderPasses(request, {&backend("maya"), &backend("mentalray")});
    ASSERT_EQ(passes.size(), 2u);
    for (const HostPasses& host : passes) {
        const std::size_t effects = host.host == "maya" ? 7 : 8;  // mental ray's irradiance besides
        ASSERT_EQ(host.passes.size(), 1 + effects) << host.host;
        double largest = 0.0;
        for (int y = 0; y < 32; ++y) {
            for (int x = 0; x < 32; ++x) {
                Rgb sum;
                for (const Pass& p : host.passes) sum = sum + p.image.at(x, y);
                const Rgb b = host.beauty.at(x, y);
                const float channels[3][2] = {{sum.r, b.r}, {sum.g, b.g}, {sum.b, b.b}};
                for (const auto& [s, expected] : channels) {
                    ASSERT_NEAR(s, expected, 1e-6f + 2e-5f * std::fabs(expected))
                        << host.host << " at " << x << "," << y;
                }
                largest = std::max(largest, static_cast<double>(b.r));
            }
        }
        EXPECT_GT(largest, 0.05) << host.host << ": a black picture sums to anything";
    }
}

INSTANTIATE_TEST_SUITE_P(Render, PassesSum,
                         ::testing::Values(PassCase{"default", {}}, PassCase{"skin", {}}, PassCase{"wax", {}},
                                           PassCase{"jade", {}}, PassCase{"marble", {}}, PassCase{"milk", {}},
                                           PassCase{"default",
                                                    {"transparency=0.3", "useIrradiance=true",
                                                     "ambientColor=0.2", "incandescence=0.1"}}),
                         [](const auto& info) {
                             return std::string(info.param.preset) + std::to_string(info.index);
                         });

// At the default settings the mental ray half is no grainier than twice the
// Maya half: its area light's samples share the light out between a pixel's
// samples alike in every pixel (it was 5.4 times with samples jittered anew
// in each pixel).
TEST(Render, MentalrayNoiseIsWithinTwiceMayasAtTheDefaults) {
    PreviewRequest request;
    request.render.width = request.render.height = 320;
    request.render.threads = 2;
    const Preview preview = renderPreviewSwatches(request, {&backend("maya"), &backend("mentalray")});
    const double maya = highPassNoise(preview.at(0, 0, 0).image);
    const double mentalray = highPassNoise(preview.at(1, 0, 0).image);
    ASSERT_GT(maya, 0.0);
    EXPECT_LE(mentalray, 2.0 * maya) << "maya " << maya << ", mentalray " << mentalray;
}

// The attribute table the material files are read with, as the two loaded
// plug-ins describe it.
TEST(Render, TheHostsDescribeTheirAttributesForMaterialFiles) {
    const material::Schema schema = materialSchema({&backend("maya"), &backend("mentalray")});
    int channel = -1;
    const material::MaterialAttribute* diffuse = schema.findMaya("dfl", channel);
    ASSERT_NE(diffuse, nullptr);
    EXPECT_EQ(diffuse->name, "diffuse");
    EXPECT_TRUE(diffuse->maya && diffuse->mentalray);
    EXPECT_EQ(diffuse->defaults, std::vector<float>{0.8f});
    const material::MaterialAttribute* color = schema.findMaya("colorB", channel);
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(color->name, "color");
    EXPECT_EQ(channel, 2);
    EXPECT_EQ(schema.findMaya(color->childShortNames[0], channel), color);
    const material::MaterialAttribute* transparency = schema.find("transparency");
    ASSERT_NE(transparency, nullptr);
    EXPECT_TRUE(transparency->maya && !transparency->mentalray);
    const material::MaterialAttribute* subsurface = schema.find("subsurfaceIntensity");
    ASSERT_NE(subsurface, nullptr);
    EXPECT_TRUE(!subsurface->maya && subsurface->mentalray);
    EXPECT_EQ(schema.find("useIrradiance")->kind, material::ValueKind::boolean);
    EXPECT_EQ(schema.find("normalCamera"), schema.find("normalCamera"));
    EXPECT_EQ(schema.find("outColor"), nullptr) << "outputs are no material's";
}

TEST(Render, EveryPresetSaysWhatMentalRaysOwnParameterIs) {
    for (const Preset& preset : materialPresets()) {
        bool subsurface = false;
        for (const AttributeValue& v : preset.values) {
            subsurface |= v.scope == HostScope::mentalray && v.name == "subsurfaceIntensity";
        }
        EXPECT_TRUE(subsurface) << preset.name << " leaves the mental ray half to the declaration's default";
    }
}

// The set is the renderer's: wherever the ball does not cover a pixel, the
// two hosts' pictures are the same pixels, shadows included.
TEST(Render, StageIsTheSamePixelsInBothHalves) {
    PreviewRequest request;
    request.render = {48, 48, 2, 2};
    const Preview preview = renderPreviewSwatches(request, {&backend("maya"), &backend("mentalray")});
    const Image& a = preview.at(0, 0, 0).image;
    const Image& b = preview.at(1, 0, 0).image;
    std::size_t stage = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (a.alphaAt(x, y) > 0.0f || b.alphaAt(x, y) > 0.0f) continue;
            ++stage;
            ASSERT_EQ(a.at(x, y), b.at(x, y)) << "at " << x << ", " << y;
        }
    }
    EXPECT_GT(stage, a.pixels().size() / 3) << "too little of the set to compare";
}

TEST(Render, WedgeOfWhatOneHostLacksSaysSo) {
    PreviewRequest request;
    request.render = {8, 8, 1, 1};
    request.wedges = {"subsurfaceIntensity=0,1"};
    const Preview preview = renderPreviewSwatches(request, {&backend("maya"), &backend("mentalray")});
    ASSERT_EQ(preview.notes.size(), 1u);
    EXPECT_NE(preview.notes[0].find("maya has no \"subsurfaceIntensity\""), std::string::npos)
        << preview.notes[0];
    EXPECT_EQ(preview.at(0, 0, 1).labels.back(), "no subsurfaceIntensity in maya");
    EXPECT_EQ(preview.at(1, 0, 1).labels.back(), "subsurfaceIntensity=1");
}

TEST(Render, MetadataHoldsEveryValueEachHostShadesWith) {
    PreviewRequest request;
    request.render = {8, 8, 1, 1};
    request.settings = {"diffuse=0.25"};
    const Preview preview = renderPreviewSwatches(request, {&backend("maya"), &backend("mentalray")});
    std::map<std::string, std::string> m(preview.metadata.begin(), preview.metadata.end());
    EXPECT_NE(m["maya.material"].find("diffuse=0.25"), std::string::npos) << m["maya.material"];
    EXPECT_NE(m["maya.material"].find("transparency=0,0,0"), std::string::npos) << "defaults too";
    EXPECT_NE(m["mentalray.material"].find("subsurfaceIntensity=0.22"), std::string::npos)
        << m["mentalray.material"];
    EXPECT_EQ(m["mentalray.material"].find("lights"), std::string::npos) << "the light array is the scene's";
}

// Shadows decided by a function of the segment in a host's own vector type,
// for the light tests.
template <class V>
class Blocker : public lighting::ShadowQuery {
public:
    explicit Blocker(std::function<bool(const V&, const V&)> f) : f_(std::move(f)) {}
    bool blocked(lighting::Point from, lighting::Point to) const override {
        return f_(V{from.x, from.y, from.z}, V{to.x, to.y, to.z});
    }

private:
    std::function<bool(const V&, const V&)> f_;
};

using MayaBlocker = Blocker<MFloatVector>;
using MentalrayBlocker = Blocker<miVector>;

struct MayaLightCase {
    const char* what;
    mayahost::preview::LightNode::Type type;
    bool blocked;
    bool ambient, diffuse, specular;
    float shadowFraction;
};

class MayaLight : public ::testing::TestWithParam<MayaLightCase> {};

TEST_P(MayaLight, FillsTheElementAsMayaDoes) {
    const MayaLightCase& c = GetParam();
    mayahost::preview::LightNode light;
    light.type = c.type;
    light.color = {1.0f, 0.5f, 0.25f};
    light.intensity = 2.0f;
    light.position = {0, 4, 0};
    light.direction = {0, -1, 0};
    const MayaBlocker shadows([&](const MFloatVector&, const MFloatVector&) { return c.blocked; });
    const mayahost::LightData d = mayahost::preview::lightDataAt(light, {0, 0, 0}, 7, shadows);
    EXPECT_EQ(d.ambient, c.ambient) << c.what;
    EXPECT_EQ(d.diffuse, c.diffuse) << c.what;
    EXPECT_EQ(d.specular, c.specular) << c.what;
    EXPECT_EQ(d.shadowFraction, c.shadowFraction) << c.what;
    EXPECT_EQ(d.preShadowIntensity, 2.0f) << c.what << ": before shadowing";
    const float lit = 2.0f * (1.0f - c.shadowFraction);
    EXPECT_EQ(d.intensity.x, lit) << c.what << ": after shadowing";
    EXPECT_EQ(d.intensity.y, 0.5f * lit) << c.what;
    if (c.type != mayahost::preview::LightNode::kAmbient) {
        EXPECT_NEAR(d.direction.y, 1.0f, 1e-6f) << c.what << ": towards the light";
    }
}

using T = mayahost::preview::LightNode;
INSTANTIATE_TEST_SUITE_P(
    Render, MayaLight,
    ::testing::Values(MayaLightCase{"ambient, shadows never", T::kAmbient, true, true, false, false, 0.0f},
                      MayaLightCase{"directional, lit", T::kDirectional, false, false, true, true, 0.0f},
                      MayaLightCase{"directional, shadowed", T::kDirectional, true, false, true, true, 1.0f},
                      MayaLightCase{"point, lit", T::kPoint, false, false, true, true, 0.0f},
                      MayaLightCase{"point, shadowed", T::kPoint, true, false, true, true, 1.0f},
                      MayaLightCase{"spot, on its axis", T::kSpot, false, false, true, true, 0.0f},
                      MayaLightCase{"spot, shadowed", T::kSpot, true, false, true, true, 1.0f}));

TEST(Render, MayaLightsDecayConeAndSoftShadows) {
    const MayaBlocker none([](const MFloatVector&, const MFloatVector&) { return false; });
    T point;
    point.position = {0, 2, 0};
    point.decayRate = 2;
    EXPECT_FLOAT_EQ(mayahost::preview::lightDataAt(point, {0, 0, 0}, 0, none).preShadowIntensity, 0.25f);
    T spot;
    spot.type = T::kSpot;
    spot.position = {0, 4, 0};
    spot.direction = {0, -1, 0};
    spot.coneAngle = 20.0f;
    const mayahost::LightData outside = mayahost::preview::lightDataAt(spot, {4, 0, 0}, 0, none);
    EXPECT_EQ(outside.preShadowIntensity, 0.0f);
    EXPECT_EQ(outside.intensity.x, 0.0f);
    // Rays to the left half of the light's disc are blocked: some shadow, not all.
    T soft = point;
    soft.decayRate = 0;
    soft.lightRadius = 1.0f;
    soft.shadowRays = 32;
    const MayaBlocker half([](const MFloatVector&, const MFloatVector& to) { return to.x < 0.0f; });
    const float fraction = mayahost::preview::lightDataAt(soft, {0, 0, 0}, 3, half).shadowFraction;
    EXPECT_GT(fraction, 0.2f);
    EXPECT_LT(fraction, 0.8f);
}

TEST(Render, MentalrayLightsGiveTheirSamples) {
    const MentalrayBlocker none([](const miVector&, const miVector&) { return false; });
    const MentalrayBlocker all([](const miVector&, const miVector&) { return true; });
    miState state{};
    state.point = {0, 0, 0};
    mrhost::LightSample s;
    mrhost::preview::LightShape point;
    point.position = {0, 3, 0};
    const mrhost::preview::ShapedLight p(point, none);
    EXPECT_TRUE(p.sample(state, 0, s));
    EXPECT_FALSE(p.sample(state, 1, s));
    EXPECT_NEAR(s.direction.y, 1.0f, 1e-6f);

    mrhost::preview::LightShape area = point;
    area.type = mrhost::preview::LightShape::kArea;
    area.direction = {0, -1, 0};
    area.samples = 5;
    const mrhost::preview::ShapedLight a(area, all);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(a.sample(state, i, s)) << i;
        EXPECT_EQ(s.color.r, 0.0f) << "shadowed samples still come, black";
    }
    EXPECT_FALSE(a.sample(state, 5, s));
    state.point = {0, 5, 0};  // behind the emitting side
    EXPECT_FALSE(a.sample(state, 0, s));

    mrhost::preview::LightShape spot = point;
    spot.type = mrhost::preview::LightShape::kSpot;
    spot.direction = {0, -1, 0};
    spot.coneAngle = 20.0f;
    const mrhost::preview::ShapedLight sp(spot, none);
    state.point = {5, 0, 0};
    EXPECT_FALSE(sp.sample(state, 0, s)) << "outside the cone";
}

// Each renderer lights with its own vector type but the same falloff: a
// spot's cone, penumbra (either sign) and dropoff light a point alike in the
// Maya host, the mental ray host and the stage.
class SpotLightsAgree : public ::testing::TestWithParam<std::tuple<float, float>> {};

TEST_P(SpotLightsAgree, InEveryRenderer) {
    const auto [penumbra, angle] = GetParam();
    // The light hangs at (0, 4, 0) shining down; the point lies `angle` degrees off its axis.
    const float x = 4.0f * static_cast<float>(std::tan(angle * 3.14159265358979 / 180.0));
    const Vec3 towardsLight = unitVector(Vec3{-x, 4, 0});
    // The three light types name these fields alike.
    const auto aim = [penumbra = penumbra](auto& light) {
        light.position = {0, 4, 0};
        light.direction = {0, -1, 0};
        light.penumbraAngle = penumbra;
        light.dropoff = 1.5f;
    };

    T maya;
    maya.type = T::kSpot;
    aim(maya);
    maya.useShadows = false;
    const MayaBlocker mayaNone([](const MFloatVector&, const MFloatVector&) { return false; });
    const float fromMaya = mayahost::preview::lightDataAt(maya, {x, 0, 0}, 0, mayaNone).preShadowIntensity;

    mrhost::preview::LightShape shape;
    shape.type = mrhost::preview::LightShape::kSpot;
    aim(shape);
    shape.shadows = false;
    const MentalrayBlocker mentalrayNone([](const miVector&, const miVector&) { return false; });
    miState state{};
    state.point = {x, 0, 0};
    mrhost::LightSample sample;
    const bool sampled = mrhost::preview::ShapedLight(shape, mentalrayNone).sample(state, 0, sample);
    const float fromMentalray = sampled ? sample.color.r : 0.0f;

    Scene scene;
    Light spot;
    spot.type = LightType::spot;
    aim(spot);
    spot.shadows = false;
    scene.lights = {spot};
    const SceneTracer tracer(scene);
    const float fromStage = StageShader(scene, tracer).irradiance({x, 0, 0}, towardsLight, 0).r;

    EXPECT_NEAR(fromMentalray, fromMaya, 1e-6f);
    EXPECT_NEAR(fromStage, fromMaya, 1e-6f);
}

INSTANTIATE_TEST_SUITE_P(Render, SpotLightsAgree,
                         ::testing::Combine(::testing::Values(8.0f, 0.0f, -8.0f),
                                            ::testing::Values(0.0f, 15.0f, 18.0f, 21.0f, 25.0f)));

// What mi_sample_light counted while the shader shaded one point under an
// area light of 6 samples at height `areaHeight` (above the point lights it,
// below it is behind), with `unknownTags` tags naming no light after it.
struct SampleLightCount {
    long calls;
    long samples;
    long unknown;
};

SampleLightCount shadeUnderAnAreaLight(float areaHeight, int unknownTags) {
    const cli::PluginPaths paths = cli::defaultPluginPaths();
    mrhost::LoadedShader shader(paths.mentalrayLibrary, paths.mentalrayDeclaration);
    mrhost::SceneDatabase scene;
    const MentalrayBlocker none([](const miVector&, const miVector&) { return false; });
    mrhost::preview::LightShape area;
    area.type = mrhost::preview::LightShape::kArea;
    area.position = {0, 0, areaHeight};
    area.direction = {0, 0, -1};
    area.samples = 6;
    std::vector<miTag> tags{scene.addLight(std::make_shared<mrhost::preview::ShapedLight>(area, none))};
    for (int k = 0; k < unknownTags; ++k) tags.push_back(mrhost::SceneDatabase::kFirstLightTag + 100 + k);
    const mrhost::preview::SampleDriver driver(shader);
    auto instance = driver.instantiate(scene, tags);
    miState state = instance->newState();
    miColor result{0, 0, 0, 0};
    driver.shade(*instance, state, {}, result);
    return {scene.counters().sampleLight(), scene.counters().lightSamples(), scene.counters().unknownLight()};
}

TEST(Render, MentalrayShaderSamplesAnAreaLightThroughTheRenderer) {
    const SampleLightCount counted = shadeUnderAnAreaLight(4, 0);
    EXPECT_EQ(counted.samples, 6);
    EXPECT_EQ(counted.calls, 7);
}

// Every call is counted, with the samples it delivered and the tags that
// named no light.
struct SampleLightCalls {
    float areaHeight;
    int unknownTags;
    long calls;
    long samples;
    long unknown;
};

class SampleLightCounts : public ::testing::TestWithParam<SampleLightCalls> {};

TEST_P(SampleLightCounts, EachCallIsCountedOnceWithWhatItDelivered) {
    const SampleLightCalls c = GetParam();
    const SampleLightCount counted = shadeUnderAnAreaLight(c.areaHeight, c.unknownTags);
    EXPECT_EQ(counted.calls, c.calls);
    EXPECT_EQ(counted.samples, c.samples);
    EXPECT_EQ(counted.unknown, c.unknown);
}

INSTANTIATE_TEST_SUITE_P(Render, SampleLightCounts,
                         ::testing::Values(SampleLightCalls{4, 0, 7, 6, 0}, SampleLightCalls{4, 2, 9, 6, 2},
                                           SampleLightCalls{-4, 0, 1, 0, 0},
                                           SampleLightCalls{-4, 1, 2, 0, 1}));

TEST(Render, EnvironmentIrradianceIsPiTimesTheSkyOrGround) {
    lighting::Environment e;
    e.sky = {1.0f, 0.5f, 0.0f};
    e.ground = {0.0f, 0.5f, 1.0f};
    const auto irradiance = mrhost::preview::environmentIrradiance(e, {0, 1, 0});
    miState state{};
    miColor out{};
    // Facing up: the cosine-weighted mean height of the hemisphere is 2/3, so
    // it sees (1 + 2/3) / 2 = 5/6 of the sky's red and 1/6 of the ground's blue.
    state.normal = {0, 1, 0};
    irradiance(state, out);
    EXPECT_NEAR(out.r, 3.14159265f * (5.0f / 6.0f), 1e-5f);
    EXPECT_NEAR(out.b, 3.14159265f * (1.0f / 6.0f), 1e-5f);
    EXPECT_NEAR(out.g, 3.14159265f * 0.5f, 1e-5f);
    state.normal = {1, 0, 0};
    irradiance(state, out);
    EXPECT_NEAR(out.r, 3.14159265f * 0.5f, 1e-5f);
    EXPECT_EQ(out.a, 1.0f);
}

// An even white environment of radiance L gives irradiance pi L about every
// normal: a white Lambert ball (diffuse 1, colour 1) under it reads L in the
// Maya node, from the lights alone, and in the mental ray shader from the
// gathered irradiance alone, vanishing into the backdrop. The mental ray
// shader's diffuse takes a light of one sample at half weight (its running
// sums), so from the same lights it reads L / 2.
std::shared_ptr<const lighting::EnvironmentMap> evenEnvironment(float radiance) {
    return std::make_shared<const lighting::EnvironmentMap>(64, 32,
                                                            std::vector<float>(64 * 32 * 3, radiance));
}

Scene ballAlone() {
    Scene scene = defaultScene();
    scene.objects.resize(1);  // the floor would hide half the sky
    scene.materials.resize(1);
    return scene;
}

struct WhiteBallCase {
    const char* host;
    const char* pass;  // the effect left on
    std::vector<std::string> settings;
    double reads;  // the ball over the radiance
};

class WhiteEnvironment : public ::testing::TestWithParam<WhiteBallCase> {};

TEST_P(WhiteEnvironment, WhiteLambertBallReadsTheRadiance) {
    const WhiteBallCase& c = GetParam();
    for (const float radiance : {1.0f, 0.25f}) {
        PreviewRequest request;
        request.scene = ballAlone();
        applyEnvironment(request.scene, evenEnvironment(radiance), "white", 1.0f, 0.0f, true);
        request.settings = c.settings;
        request.overrides = passRender(backend(c.host), c.pass).overrides;
        request.render = {48, 48, 2, 2};
        const Preview preview = renderPreviewSwatches(request, {&backend(c.host)});
        const double ball = meanCoveredLuminance(preview.at(0, 0, 0).image);
        EXPECT_NEAR(ball / radiance / c.reads, 1.0, 0.04) << c.host << " " << c.pass << " under " << radiance;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Render, WhiteEnvironment,
    ::testing::Values(WhiteBallCase{"maya", "diffuse", {"color=1", "diffuse=1"}, 1.0},
                      WhiteBallCase{"mentalray", "diffuse", {"color=1", "diffuse=1"}, 0.5},
                      WhiteBallCase{"mentalray",
                                    "irradiance",
                                    {"color=1", "useIrradiance=true", "irradianceColor=1"},
                                    1.0}),
    [](const auto& info) { return std::string(info.param.host) + "_" + info.param.pass; });

// mental ray's irradiance of the image: pi L, turned with the image.
TEST(Render, MentalrayGathersTheEnvironmentImagesIrradiance) {
    std::vector<float> rgb(64 * 32 * 3, 0.0f);
    for (std::size_t i = 0; i < rgb.size() / 2; i += 3) rgb[i] = 1.0f;  // the upper half red
    Scene world = ballAlone();
    applyEnvironment(world, std::make_shared<const lighting::EnvironmentMap>(64, 32, std::move(rgb)),
                     "red sky", 2.0f, 0.0f, true);
    const Scene camera = toCameraSpace(world);
    const auto irradiance = mrhost::preview::environmentIrradiance(camera.environment, {0, 1, 0});
    miState state{};
    miColor out{};
    state.normal = {camera.worldUp.x, camera.worldUp.y, camera.worldUp.z};
    irradiance(state, out);
    EXPECT_NEAR(out.r, 2.0f * 3.14159265f, 0.03f * 3.14159265f);  // the whole sky, at intensity 2
    EXPECT_EQ(out.g, 0.0f);
    state.normal = {-camera.worldUp.x, -camera.worldUp.y, -camera.worldUp.z};
    irradiance(state, out);
    EXPECT_NEAR(out.r, 0.0f, 0.02f);
}

// Both hosts light by the one list of lights made from the image: the Maya
// node's and the mental ray shader's diffuse answers agree under it (the
// shader's at half weight, as above), shadows and all.
TEST(Render, BothHostsSeeTheSameEnvironmentLights) {
    std::vector<float> rgb(128 * 64 * 3, 0.05f);
    for (int y = 20; y < 23; ++y) {
        for (int x = 40; x < 43; ++x) {
            for (int k = 0; k < 3; ++k) rgb[(static_cast<std::size_t>(y) * 128 + x) * 3 + k] = 300.0f;
        }
    }
    PreviewRequest request;
    applyEnvironment(request.scene, std::make_shared<const lighting::EnvironmentMap>(128, 64, std::move(rgb)),
                     "sun", 1.0f, 0.0f, true);
    request.render = {48, 48, 2, 2};
    request.settings = {"color=1", "diffuse=1"};
    double mean[2];
    for (int h = 0; h < 2; ++h) {
        request.overrides = passRender(backend(h == 0 ? "maya" : "mentalray"), "diffuse").overrides;
        const Preview preview = renderPreviewSwatches(request, {&backend(h == 0 ? "maya" : "mentalray")});
        mean[h] = meanCoveredLuminance(preview.at(0, 0, 0).image);
    }
    ASSERT_GT(mean[0], 0.05);
    EXPECT_NEAR(2.0 * mean[1] / mean[0], 1.0, 0.02) << "maya " << mean[0] << ", mentalray " << mean[1];
}

}  // namespace
}  // namespace sorvane::render
