#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <thread>

#include "cli/render/imageCompare.h"
#include "cli/render/imageFiles.h"
#include "cli/render/materialPresets.h"
#include "cli/render/previewRender.h"
#include "cli/render/sceneFile.h"
#include "cli/render/sceneTracer.h"
#include "cli/render/tileRenderer.h"
#include "standInBackend.h"
#include "tests/support/scratchFolder.h"

namespace sorvane::render {
namespace {

using testing::StandInBackend;

Image renderDefault(ShadingBackend& backend, int threads, int width = 37, int height = 23,
                    RenderStats* stats = nullptr) {
    const Scene scene = toCameraSpace(defaultScene());
    std::vector<ResolvedMaterial> materials(scene.materials.size());
    RenderSettings settings;
    settings.width = width;
    settings.height = height;
    settings.samples = 3;
    settings.threads = threads;
    return renderImage(scene, materials, backend, settings, {}, stats);
}

bool sameImage(const Image& a, const Image& b) {
    if (a.width() != b.width() || a.height() != b.height()) return false;
    for (std::size_t i = 0; i < a.pixels().size(); ++i) {
        if (!(a.pixels()[i] == b.pixels()[i])) return false;
    }
    return true;
}

class ThreadCount : public ::testing::TestWithParam<int> {};

// Tiles land on whichever thread is free; the picture must not care.
TEST_P(ThreadCount, GivesTheSinglePicture) {
    StandInBackend one, many;
    RenderStats stats;
    const Image reference = renderDefault(one, 1);
    const Image image = renderDefault(many, GetParam(), 37, 23, &stats);
    EXPECT_TRUE(sameImage(reference, image));
    EXPECT_EQ(stats.shadingSamples, static_cast<std::uint64_t>(many.shaded.load()));
    EXPECT_EQ(one.shaded.load(), many.shaded.load());
}

INSTANTIATE_TEST_SUITE_P(Render, ThreadCount, ::testing::Values(2, 3, 7));

// A process limit that refuses threads after the first few: the render goes on
// with those it has, and the picture is the same.
struct ThreadLimit {
    int granted;
    bool progress;
};

class RefusedThreads : public ::testing::TestWithParam<ThreadLimit> {};

TEST_P(RefusedThreads, LeaveThePictureAsItWouldBe) {
    StandInBackend one, limited;
    const Image reference = renderDefault(one, 1);
    const Scene scene = toCameraSpace(defaultScene());
    std::vector<ResolvedMaterial> materials(scene.materials.size());
    RenderSettings settings{37, 23, 3, 4};
    int started = 0;
    const ThreadStarter refusing = [&](std::function<void()> body) {
        if (started == GetParam().granted) {
            throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
        }
        ++started;
        return std::thread(std::move(body));
    };
    double last = 0.0;
    const ProgressCallback progress = [&](double f) { last = f; };
    RenderStats stats;
    const Image image = renderImage(scene, materials, limited, settings,
                                    GetParam().progress ? progress : ProgressCallback{}, &stats, refusing);
    EXPECT_TRUE(sameImage(reference, image));
    EXPECT_EQ(one.shaded.load(), limited.shaded.load());
    // The threads that rendered, this one among them, not the four asked for.
    EXPECT_EQ(stats.threads, std::min(GetParam().granted + 1, settings.threads));
    if (GetParam().progress) {
        EXPECT_DOUBLE_EQ(last, 1.0);
    }
}

// Never more threads than tiles, whatever was asked (--threads 1024).
TEST(Render, StatsCountTheThreadsThatRendered) {
    StandInBackend backend;
    RenderStats stats;
    renderDefault(backend, 1024, 20, 20, &stats);
    EXPECT_EQ(stats.threads, 4);  // 20x20 pixels are four tiles of 16
}

INSTANTIATE_TEST_SUITE_P(Render, RefusedThreads,
                         ::testing::Values(ThreadLimit{0, false}, ThreadLimit{0, true}, ThreadLimit{1, false},
                                           ThreadLimit{2, true}, ThreadLimit{3, true}));

// The work a request asks for is weighed before any of it is done.
struct Budget {
    const char* size;
    int width, height, samples;
    const char* wedge;
    std::size_t hosts;
    double availableGigabytes;
    const char* refusal;  // the start of the error, or "" when accepted
    bool warns;
};

class PreviewBudget : public ::testing::TestWithParam<Budget> {};

TEST_P(PreviewBudget, RefusesWhatCannotFitAndFlagsWhatTakesHours) {
    PreviewRequest request;
    request.render.width = GetParam().width;
    request.render.height = GetParam().height;
    request.render.samples = GetParam().samples;
    if (*GetParam().wedge) request.wedges = {GetParam().wedge};
    const PreviewEstimate estimate = estimatePreview(request, GetParam().hosts);
    std::string warning;
    try {
        warning = checkPreviewBudget(estimate, GetParam().availableGigabytes * 1e9, 2);
        EXPECT_STREQ(GetParam().refusal, "") << "accepted " << estimate.bytes << " bytes";
    } catch (const cli::InputError& error) {
        EXPECT_EQ(std::string(error.what()).rfind(GetParam().refusal, 0), 0u) << error.what();
        EXPECT_NE(GetParam().refusal[0], '\0') << error.what();
    }
    EXPECT_EQ(!warning.empty(), GetParam().warns) << warning;
}

INSTANTIATE_TEST_SUITE_P(
    Render, PreviewBudget,
    ::testing::Values(Budget{"Default", 320, 320, 4, "", 2, 24.0, "", false},
                      Budget{"SixteenWideWedgeOf8K", 8192, 8192, 1,
                             "diffuse=0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15", 2, 24.0,
                             "--size: the images need about 103.1 GB of memory, more than the 24.0 GB",
                             false},
                      Budget{"EightKFitsInAMachine", 8192, 8192, 4, "", 2, 24.0, "", false},
                      Budget{"EightKOnASmallMachine", 8192, 8192, 4, "", 2, 2.0,
                             "--size: the images need about 6.4 GB", false},
                      Budget{"ThousandSamplesAt8K", 8192, 8192, 1024, "", 1, 24.0, "", true},
                      Budget{"ManySamplesSmall", 256, 256, 1024, "", 2, 24.0, "", false}),
    [](const ::testing::TestParamInfo<Budget>& info) { return std::string(info.param.size); });

TEST(Render, ProgressEndsAtOneAndNeverGoesBack) {
    for (int threads : {1, 2}) {
        StandInBackend backend;
        const Scene scene = toCameraSpace(defaultScene());
        std::vector<ResolvedMaterial> materials(scene.materials.size());
        RenderSettings settings{64, 48, 2, threads};
        std::vector<double> seen;
        renderImage(scene, materials, backend, settings, [&](double f) { seen.push_back(f); });
        ASSERT_FALSE(seen.empty());
        EXPECT_DOUBLE_EQ(seen.back(), 1.0);
        for (std::size_t i = 1; i < seen.size(); ++i) EXPECT_LE(seen[i - 1], seen[i]);
    }
}

TEST(Render, SeesThroughTransparentSurfaces) {
    StandInBackend opaque;
    StandInBackend clear(Rgb{1.0f, 1.0f, 1.0f});
    const Image a = renderDefault(opaque, 1);
    const Image b = renderDefault(clear, 1);
    // Behind the ball are its far side and the floor or the sky: more samples, more light.
    EXPECT_GT(clear.shaded.load(), opaque.shaded.load());
    const Rgb centreA = a.at(18, 11), centreB = b.at(18, 11);
    EXPECT_GT(centreB.r + centreB.g + centreB.b, centreA.r + centreA.g + centreA.b);
}

TEST(Render, SamplePositionsStayInThePixelAndDiffer) {
    float x0, y0;
    samplePosition(0, x0, y0);
    EXPECT_FLOAT_EQ(x0, 0.5f);
    EXPECT_FLOAT_EQ(y0, 0.5f);
    for (int i = 0; i < 64; ++i) {
        float x, y;
        samplePosition(i, x, y);
        EXPECT_GE(x, 0.0f);
        EXPECT_LT(x, 1.0f);
        EXPECT_GE(y, 0.0f);
        EXPECT_LT(y, 1.0f);
        if (i > 0) {
            EXPECT_FALSE(x == x0 && y == y0) << i;
        }
    }
}

struct TraceCase {
    const char* what;
    Vec3 origin, direction;
    bool hits;
    float t;
    Vec3 normal;
};

class Trace : public ::testing::TestWithParam<TraceCase> {};

TEST_P(Trace, FindsTheNearestSurface) {
    Scene scene;
    Object ball;
    ball.type = ObjectType::sphere;
    ball.center = {0, 0, -5};
    ball.radius = 1;
    Object floor;
    floor.type = ObjectType::plane;
    floor.center = {0, -1, 0};
    floor.axis = {0, 1, 0};
    floor.radius = 10;
    scene.objects = {ball, floor};
    const SceneTracer tracer(scene);
    const TraceCase& c = GetParam();
    Hit hit;
    ASSERT_EQ(tracer.trace({c.origin, unitVector(c.direction)}, hit), c.hits) << c.what;
    if (!c.hits) return;
    EXPECT_NEAR(hit.t, c.t, 1e-4f) << c.what;
    EXPECT_NEAR(hit.normal.x, c.normal.x, 1e-4f) << c.what;
    EXPECT_NEAR(hit.normal.y, c.normal.y, 1e-4f) << c.what;
    EXPECT_NEAR(hit.normal.z, c.normal.z, 1e-4f) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Render, Trace,
    ::testing::Values(
        TraceCase{"ball head on", {0, 0, 0}, {0, 0, -1}, true, 4.0f, {0, 0, 1}},
        TraceCase{
            "from inside the ball, normal faces the ray", {0, 0, -5}, {0, 0, -1}, true, 1.0f, {0, 0, 1}},
        TraceCase{"floor from above", {0, 2, 0}, {0, -1, 0}, true, 3.0f, {0, 1, 0}},
        TraceCase{"floor from below, normal flipped", {0, -3, 0}, {0, 1, 0}, true, 2.0f, {0, -1, 0}},
        TraceCase{"past the floor's edge", {20, 2, 0}, {0, -1, 0}, false, 0, {}},
        TraceCase{"parallel to the floor", {0, -0.5f, 0}, {1, 0, 0}, false, 0, {}}));

TEST(Render, ShadowSegmentsStopShortOfTheirEnds) {
    Scene scene;
    Object ball;
    ball.center = {0, 0, -5};
    scene.objects = {ball};
    const SceneTracer tracer(scene);
    EXPECT_TRUE(tracer.occluded({0, 0, 0}, {0, 0, -10}));
    EXPECT_FALSE(tracer.occluded({0, 0, 0}, {0, 0, -3.9f}));
    EXPECT_FALSE(tracer.occluded({0, 0, -4}, {0, 0, 0}));  // starting on the surface, looking away
    EXPECT_FALSE(tracer.occluded({0, 2, 0}, {0, 2, -10}));
}

TEST(Render, CameraSpacePutsTheAimOnTheViewAxis) {
    Scene world = defaultScene();
    world.camera.position = {3, 2, 4};
    world.camera.lookAt = {-1, 0.5f, 0};
    world.objects[0].center = world.camera.lookAt;
    const Scene camera = toCameraSpace(world);
    const Vec3 c = camera.objects[0].center;
    EXPECT_NEAR(c.x, 0.0f, 1e-5f);
    EXPECT_NEAR(c.y, 0.0f, 1e-5f);
    EXPECT_NEAR(c.z, -length(Vec3{4, 1.5f, 4}), 1e-5f);
    const Ray centre = SceneTracer(camera).cameraRay(50, 50, 100, 100);
    EXPECT_NEAR(centre.direction.z, -1.0f, 1e-6f);
}

struct CompareCase {
    const char* what;
    int changed;  // how many values change
    float by;     // and by how much
    bool match;
};

class Compare : public ::testing::TestWithParam<CompareCase> {};

TEST_P(Compare, HoldsToTheThresholds) {
    const CompareThresholds thresholds{0.01f, 0.01f, 0.1f};
    const Image reference(20, 20, {0.5f, 0.5f, 0.5f});  // 1200 values
    Image actual = reference;
    const CompareCase& c = GetParam();
    for (int i = 0; i < c.changed; ++i) actual.at(i % 20, i / 20).g += c.by;
    const CompareResult result = compareImages(actual, reference, thresholds);
    EXPECT_EQ(result.match, c.match) << c.what << ": " << result.summary;
    EXPECT_EQ(result.values, 1200u);
}

INSTANTIATE_TEST_SUITE_P(
    Render, Compare,
    ::testing::Values(CompareCase{"identical", 0, 0.0f, true},
                      CompareCase{"within the fail threshold everywhere", 400, 0.009f, true},
                      CompareCase{"a few failures, within the fraction", 12, 0.05f, true},
                      CompareCase{"one too many failures", 13, 0.05f, false},
                      CompareCase{"one value over the hard limit", 1, 0.2f, false},
                      CompareCase{"a NaN", 1, NAN, false}));

TEST(Render, CompareRefusesAnotherSize) {
    const CompareResult result = compareImages(Image(4, 4), Image(4, 5), kReferenceThresholds);
    EXPECT_FALSE(result.match);
    EXPECT_NE(result.summary.find("4x4"), std::string::npos) << result.summary;
}

TEST(Render, SrgbCurveIsThePiecewiseOne) {
    EXPECT_EQ(linearToSrgb(0.0f), 0.0f);
    EXPECT_EQ(linearToSrgb(1.0f), 1.0f);
    EXPECT_EQ(linearToSrgb(NAN), 0.0f);
    EXPECT_EQ(linearToSrgb(4.0f), 1.0f);
    EXPECT_NEAR(linearToSrgb(0.0031308f), 0.04045f, 1e-5f);  // where the pieces meet
    EXPECT_NEAR(linearToSrgb(0.5f), 0.735357f, 1e-5f);       // 1.055 * 0.5^(1/2.4) - 0.055
    EXPECT_EQ(toSrgb8(0.5f), 188);
    float last = 0.0f;
    for (int i = 1; i <= 1000; ++i) {
        const float v = linearToSrgb(static_cast<float>(i) / 1000.0f);
        EXPECT_GT(v, last);
        last = v;
    }
}

class ImageFilesTest : public ::testing::Test {
protected:
    const sorvane::testing::ScratchFolder scratch{"render-test"};
    const std::filesystem::path& folder = scratch.folder();
};

TEST_F(ImageFilesTest, ExrKeepsEveryFloat) {
    Image image(5, 3);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) image.at(x, y) = {x * 0.1f, y * 7.25f, 1e-7f * static_cast<float>(x + y)};
    }
    image.at(4, 2) = {65504.5f, -1.0f, 3.0e9f};  // beyond what half floats hold
    const std::string path = (folder / "a.EXR").string();
    writeImage(path, image);
    const Image back = readExr(path);
    ASSERT_EQ(back.width(), 5);
    ASSERT_EQ(back.height(), 3);
    for (std::size_t i = 0; i < image.pixels().size(); ++i)
        EXPECT_EQ(back.pixels()[i], image.pixels()[i]) << i;
}

TEST_F(ImageFilesTest, AFailedWriteLeavesWhatWasThere) {
    const std::string path = (folder / "keep.png").string();
    { std::ofstream(path) << "old"; }
    EXPECT_THROW(writeImage((folder / "missing" / "x.png").string(), Image(2, 2)), InputError);
    EXPECT_THROW(writeImage((folder / "x.jpg").string(), Image(2, 2)), InputError);
    EXPECT_THROW(writeImage(path, Image()), InputError);
    std::ifstream in(path);
    std::string text;
    in >> text;
    EXPECT_EQ(text, "old");
    // Nothing half-written stays behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files += entry.is_regular_file();
    EXPECT_EQ(files, 1);
    EXPECT_THROW(readExr((folder / "keep.png").string()), InputError);
}

TEST_F(ImageFilesTest, ALinkStaysALinkAndAPictureKeepsItsPermissions) {
    namespace fs = std::filesystem;
    const fs::path target = folder / "shots" / "ball.exr";
    fs::create_directories(target.parent_path());
    { std::ofstream(target) << "old"; }
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const fs::path link = folder / "latest.exr";
    fs::create_symlink(fs::path("shots") / "ball.exr", link);

    Image image(3, 2, Rgb{0.25f, 0.5f, 1.0f});
    writeImage(link.string(), image);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readExr(target.string()).at(2, 1), (Rgb{0.25f, 0.5f, 1.0f}));
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // Nothing left beside either.
    EXPECT_EQ(std::distance(fs::directory_iterator(target.parent_path()), fs::directory_iterator()), 1);
}

TEST(Render, GridLeavesGapsBetweenSwatches) {
    const Image grid = composeGrid(
        {{Image(3, 2, {1, 0, 0}), Image(4, 3, {0, 1, 0})}, {Image(2, 2, {0, 0, 1})}}, 1, {0.5f, 0.5f, 0.5f});
    EXPECT_EQ(grid.width(), 8);
    EXPECT_EQ(grid.height(), 6);
    EXPECT_EQ(grid.at(3, 0), (Rgb{0.5f, 0.5f, 0.5f}));
    EXPECT_EQ(grid.at(4, 0), (Rgb{0, 1, 0}));
    EXPECT_EQ(grid.at(0, 4), (Rgb{0, 0, 1}));
    EXPECT_EQ(grid.at(0, 2), (Rgb{0.5f, 0.5f, 0.5f}));  // below the shorter swatch of row one
}

struct SettingCase {
    const char* text;
    bool valid;
    int count;
    float first;
};

class Setting : public ::testing::TestWithParam<SettingCase> {};

TEST_P(Setting, ParsesNameAndValue) {
    const SettingCase& c = GetParam();
    if (!c.valid) {
        EXPECT_THROW(parseSetting(c.text, "--set"), cli::InputError) << c.text;
        return;
    }
    const AttributeValue v = parseSetting(c.text, "--set");
    EXPECT_EQ(v.count, c.count) << c.text;
    EXPECT_EQ(v.values[0], c.first) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Render, Setting,
    ::testing::Values(
        SettingCase{"diffuse=0.6", true, 1, 0.6f}, SettingCase{"color=0.8,0.3,0.2", true, 3, 0.8f},
        SettingCase{"useIrradiance=true", true, 1, 1.0f}, SettingCase{"color=1,2,3,4,5", false, 0, 0},
        SettingCase{"diffuse=", false, 0, 0}, SettingCase{"diffuse=0.6x", false, 0, 0},
        SettingCase{"=0.6", false, 0, 0}, SettingCase{"diffuse", false, 0, 0},
        SettingCase{"color=1,,2", false, 0, 0}, SettingCase{"diffuse=1e99", false, 0, 0},
        SettingCase{"diffuse=0x10", false, 0, 0}, SettingCase{"diffuse=nan", false, 0, 0},
        SettingCase{"diffuse=-inf", false, 0, 0}, SettingCase{"diffuse= 0.5", false, 0, 0},
        SettingCase{"diffuse=1e", false, 0, 0}, SettingCase{"diffuse=.", false, 0, 0},
        SettingCase{"diffuse=.5", true, 1, 0.5f}, SettingCase{"diffuse=5.", true, 1, 5.0f},
        SettingCase{"diffuse=-2.5E-1", true, 1, -0.25f}, SettingCase{"diffuse=1e-50", true, 1, 0.0f}));

TEST(Render, ASettingGivenTwiceIsRefused) {
    PreviewRequest request;
    request.settings = {"diffuse=0.5", "color=1,0,0", "diffuse=0.6"};
    request.render = RenderSettings{8, 8, 1, 1};
    StandInBackend backend;
    try {
        renderPreview(request, {&backend});
        FAIL();
    } catch (const cli::InputError& error) {
        EXPECT_STREQ(error.what(), "--set diffuse: set twice");
    }
    EXPECT_EQ(backend.shaded.load(), 0);
}

TEST(Render, WedgeSplitsOnSemicolonsWhenThereAreAny) {
    EXPECT_EQ(parseWedge("diffuse=0,0.5,1").size(), 3u);
    const auto colors = parseWedge("color=1,0,0;0,1,0");
    ASSERT_EQ(colors.size(), 2u);
    EXPECT_EQ(colors[1].count, 3);
    EXPECT_EQ(colors[1].values[1], 1.0f);
    EXPECT_THROW(parseWedge("diffuse=0.5"), cli::InputError);
    EXPECT_THROW(parseWedge("diffuse"), cli::InputError);
}

TEST(Render, PreviewNamesWhatNoHostTakes) {
    StandInBackend backend;
    PreviewRequest request;
    request.render = {8, 8, 1, 1};
    request.settings = {"colr=1"};
    try {
        renderPreview(request, {&backend});
        FAIL() << "rendered past an unknown attribute";
    } catch (const cli::InputError& error) {
        EXPECT_NE(std::string(error.what()).find("\"colr\""), std::string::npos) << error.what();
        EXPECT_NE(std::string(error.what()).find("stand-in"), std::string::npos) << error.what();
    }
    request.settings = {};
    request.textures = {"difuse=checker"};
    EXPECT_THROW(renderPreview(request, {&backend}), cli::InputError);
    request.textures = {"diffuse=stripes"};
    EXPECT_THROW(renderPreview(request, {&backend}), cli::InputError);
    EXPECT_EQ(backend.prepared.load(), 0);
}

TEST(Render, PreviewLaysHostsSideBySideAndWedgesInRows) {
    StandInBackend a, b;
    PreviewRequest request;
    request.render = {10, 6, 1, 2};
    request.preset = "jade";
    const Image pair = renderPreview(request, {&a, &b});
    EXPECT_EQ(pair.width(), 24);
    EXPECT_EQ(pair.height(), 6);
    request.wedges = {"diffuse=0,0.5,1"};
    std::vector<SwatchStats> stats;
    const Image wedge = renderPreview(request, {&a, &b}, {}, &stats);
    EXPECT_EQ(wedge.width(), 38);
    EXPECT_EQ(wedge.height(), 16);
    EXPECT_EQ(stats.size(), 6u);
}

TEST(Render, PresetsComeFromTheOneSource) {
    for (const char* name : {"default", "skin", "wax", "jade", "marble", "milk"}) {
        const Preset* preset = findPreset(name);
        ASSERT_NE(preset, nullptr) << name;
        EXPECT_FALSE(preset->values.empty()) << name;
    }
    SceneMaterial material;
    material.preset = "jdae";
    try {
        resolveMaterial(material, "material");
        FAIL();
    } catch (const cli::InputError& error) {
        EXPECT_NE(std::string(error.what()).find("jade"), std::string::npos)
            << "lists the presets: " << error.what();
    }
    material.preset = "wax";
    material.attributes.push_back(parseSetting("diffuse=0.1", "--set"));
    const ResolvedMaterial resolved = resolveMaterial(material, "material");
    EXPECT_EQ(resolved.values.back().name, "diffuse");  // applied after the preset's, so it wins
}

}  // namespace
}  // namespace sorvane::render
