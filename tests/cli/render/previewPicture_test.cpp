// The picture a preview becomes: the view transform, labels, the grid of
// wedges and presets, the EXR's layers and metadata, the PNG's text, and the
// hosts' difference.
#include <ImfChromaticities.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfIntAttribute.h>
#include <ImfStandardAttributes.h>
#include <ImfVecAttribute.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <map>

#include "cli/render/labelFont.h"
#include "cli/render/previewRender.h"
#include "cli/render/sceneFile.h"
#include "standInBackend.h"
#include "tests/support/scratchFolder.h"

namespace sorvane::render {
namespace {

using testing::StandInBackend;

struct ViewCase {
    const char* what;
    float linear;
    float exposure;
    bool shoulder;
    float expected;
};

class View : public ::testing::TestWithParam<ViewCase> {};

TEST_P(View, ExposesThenRollsOff) {
    const ViewCase& c = GetParam();
    EXPECT_NEAR(viewValue(c.linear, {c.exposure, c.shoulder, nullptr}), c.expected, 1e-6f) << c.what;
}

// Above the shoulder's start: 0.8 + 0.2 (1 - exp(-(x - 0.8) / 0.2)).
INSTANTIATE_TEST_SUITE_P(
    Render, View,
    ::testing::Values(ViewCase{"below the shoulder, unchanged", 0.5f, 0.0f, true, 0.5f},
                      ViewCase{"one stop up doubles", 0.25f, 1.0f, true, 0.5f},
                      ViewCase{"two stops down quarters", 0.5f, -2.0f, true, 0.125f},
                      ViewCase{"at 1, below white", 1.0f, 0.0f, true, 0.8f + 0.2f * (1.0f - std::exp(-1.0f))},
                      ViewCase{"far above, nearly white", 10.0f, 0.0f, true, 1.0f},
                      ViewCase{"without a shoulder, clipped", 3.0f, 0.0f, false, 1.0f},
                      ViewCase{"NaN, black", std::numeric_limits<float>::quiet_NaN(), 0.0f, true, 0.0f},
                      ViewCase{"negative, black", -1.0f, 0.0f, true, 0.0f}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

// A slow gradient, as a floor fading into the backdrop is, shows no band of
// one code: dithered, the runs are short, and each stretch keeps its mean.
TEST(Render, EightBitOutputIsDitheredWithoutBias) {
    Image ramp(1024, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 1024; ++x) ramp.at(x, y) = Rgb{1.0f, 1.0f, 1.0f} * (0.02f + 0.01f * x / 1024.0f);
    }
    const DisplayImage shown = toDisplay(ramp, {0.0f, false, nullptr});
    int longest = 0, run = 0;
    for (int x = 1; x < 1024; ++x) {
        run = shown.rgb[3 * x + 1] == shown.rgb[3 * (x - 1) + 1] ? run + 1 : 1;
        longest = std::max(longest, run);
    }
    // Undithered, the ramp holds each code for over 100 pixels.
    EXPECT_LT(longest, 40);
    for (int block = 0; block < 1024; block += 128) {
        double sum = 0.0;
        for (int y = 0; y < 4; ++y) {
            for (int x = block; x < block + 128; ++x) sum += shown.rgb[(y * 1024 + x) * 3 + 1];
        }
        const float middle = 0.02f + 0.01f * (block + 63.5f) / 1024.0f;
        EXPECT_NEAR(sum / 512.0, linearToSrgb(middle) * 255.0, 0.2) << "at " << block;
    }
    EXPECT_EQ(toDisplay(ramp, {0.0f, false, nullptr}).rgb, shown.rgb) << "the same pixel, the same dither";
}

TEST(Render, ShoulderKeepsBrighterHighlightsBrighterAndIsContinuous) {
    const ViewTransform view{};
    EXPECT_NEAR(viewValue(kShoulderStart - 1e-4f, view), viewValue(kShoulderStart + 1e-4f, view), 3e-4f);
    float last = 0.0f;
    // Up to twice white every step still reads brighter; beyond, floats run out.
    for (float x = 0.01f; x < 2.0f; x += 0.01f) {
        const float v = viewValue(x, view);
        EXPECT_GT(v, last) << x;
        EXPECT_LT(v, 1.0f) << x;
        last = v;
    }
    EXPECT_LE(viewValue(1e30f, view), 1.0f);
}

TEST(Render, LabelsDrawInsideTheirBoxAndClipAtTheEdge) {
    DisplayImage image{40, 20, std::vector<unsigned char>(40 * 20 * 3, 128)};
    drawLabel(image, 2, 3, "Ag", 2);
    int changed = 0;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (image.rgb[(static_cast<std::size_t>(y) * 40 + static_cast<std::size_t>(x)) * 3] == 128)
                continue;
            ++changed;
            // The text and its shadow, one font pixel down and right.
            EXPECT_GE(x, 2);
            EXPECT_LE(x, 2 + labelWidth("Ag", 2) + 2);
            EXPECT_GE(y, 3);
            EXPECT_LE(y, 3 + labelHeight(2) + 2);
        }
    }
    EXPECT_GT(changed, 20);
    EXPECT_EQ(labelWidth("Ag", 2), 22);  // two glyphs of 5 and a gap of 1, twice as large
    drawLabel(image, 35, 15, "clipped at the edge, \x01 unknown", 3);  // no write outside
}

PreviewRequest smallRequest() {
    PreviewRequest request;
    request.render = {10, 6, 1, 1};
    return request;
}

struct GridCase {
    const char* what;
    std::string preset;
    std::vector<std::string> wedges;
    int rows, columns;
    int width, height;  // of the whole picture, two hosts
    std::vector<std::string> firstLabels;
};

class Grid : public ::testing::TestWithParam<GridCase> {};

TEST_P(Grid, LaysOutAndLabelsEachSwatch) {
    const GridCase& c = GetParam();
    StandInBackend a, b;
    PreviewRequest request = smallRequest();
    request.preset = c.preset;
    request.wedges = c.wedges;
    const Preview preview = renderPreviewSwatches(request, {&a, &b});
    EXPECT_EQ(preview.rows, c.rows) << c.what;
    EXPECT_EQ(preview.columns, c.columns) << c.what;
    const Image picture = composePreview(preview);
    EXPECT_EQ(picture.width(), c.width) << c.what;
    EXPECT_EQ(picture.height(), c.height) << c.what;
    EXPECT_EQ(preview.at(0, 0, 0).labels, c.firstLabels) << c.what;
    const DisplayImage shown = labelledPicture(preview, {});
    EXPECT_EQ(shown.width, c.width);
    // Every swatch of the second host keeps its place in the host's own layer.
    const Image layer = hostImage(preview, 1);
    const Swatch& last = preview.at(1, c.rows - 1, c.columns - 1);
    EXPECT_EQ(layer.at(layer.width() - 1, layer.height() - 1),
              last.image.at(last.image.width() - 1, last.image.height() - 1));
}

INSTANTIATE_TEST_SUITE_P(
    Render, Grid,
    ::testing::Values(
        GridCase{"one swatch a host: side by side", "", {}, 1, 1, 24, 6, {"stand-in", "default"}},
        GridCase{"a wedge: a row a host", "", {"diffuse=0,1"}, 1, 2, 24, 16, {"stand-in", "diffuse=0"}},
        GridCase{"two wedges: a grid a host",
                 "jade",
                 {"diffuse=0,0.5,1", "scattering=0,1"},
                 2,
                 3,
                 38,
                 6 * 4 + 4 * 3,
                 {"stand-in", "jade", "diffuse=0", "scattering=0"}},
        GridCase{"every preset", "all", {}, 1, 6, 6 * 10 + 5 * 4, 16, {"stand-in", "default"}},
        GridCase{"every preset by a wedge",
                 "all",
                 {"diffuse=0,1"},
                 2,
                 6,
                 6 * 10 + 5 * 4,
                 4 * 6 + 3 * 4,
                 {"stand-in", "default", "diffuse=0"}}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

// Labels say what differs from the node's defaults, however it was given.
TEST(Render, LabelsSayWhatDiffersFromTheDefault) {
    StandInBackend a;
    PreviewRequest request = smallRequest();
    request.settings = {"diffuse=0.6", "color=0.8,0.3,0.2"};
    request.textures = {"scattering=checker"};
    EXPECT_EQ(
        renderPreviewSwatches(request, {&a}).at(0, 0, 0).labels,
        (std::vector<std::string>{"stand-in", "diffuse=0.6", "color=0.8,0.3,0.2", "scattering=checker"}));
    // A scene's own material says its preset and values.
    request = smallRequest();
    request.scene.materials[0].preset = "wax";
    request.scene.materials[0].attributes.push_back(parseSetting("depth=0.5", "material"));
    EXPECT_EQ(renderPreviewSwatches(request, {&a}).at(0, 0, 0).labels,
              (std::vector<std::string>{"stand-in", "wax", "depth=0.5"}));
    // A scene whose objects wear their own materials is named by its file.
    request = smallRequest();
    request.sceneName = "three.json";
    for (Object& o : request.scene.objects) o.material = 1;
    EXPECT_EQ(renderPreviewSwatches(request, {&a}).at(0, 0, 0).labels,
              (std::vector<std::string>{"stand-in", "scene three.json"}));
}

// Small swatches keep their labels in the band below the ball: the upper
// three quarters are the picture's own pixels, labelled or not.
TEST(Render, LabelsOfSmallSwatchesStayBelowTheBall) {
    StandInBackend a, b;
    PreviewRequest request;
    request.render = {96, 96, 1, 1};
    request.settings = {"diffuse=0.6", "scattering=0.25"};
    request.wedges = {"color=1,0,0;0,1,0;0.25,0.5,0.75"};
    const Preview preview = renderPreviewSwatches(request, {&a, &b});
    const DisplayImage plain = toDisplay(composePreview(preview), {});
    const DisplayImage labelled = labelledPicture(preview, {});
    ASSERT_EQ(plain.rgb.size(), labelled.rgb.size());
    for (std::size_t h = 0; h < 2; ++h) {
        for (int c = 0; c < 3; ++c) {
            const int x0 = c * (96 + 4), y0 = static_cast<int>(h) * (96 + 4);
            bool marked = false;
            for (int y = 0; y < 96; ++y) {
                for (int x = 0; x < 96; ++x) {
                    const std::size_t i = (static_cast<std::size_t>(y0 + y) * plain.width + x0 + x) * 3;
                    const bool same =
                        plain.rgb[i] == labelled.rgb[i] && plain.rgb[i + 1] == labelled.rgb[i + 1];
                    if (y < 96 * 3 / 4) {
                        ASSERT_TRUE(same) << "label over the ball at " << x << "," << y;
                    }
                    marked = marked || !same;
                }
            }
            EXPECT_TRUE(marked) << "swatch " << h << "," << c << " has a label";
        }
    }
}

// A scene whose objects all wear the set's material still shows the set.
TEST(Render, ASceneOfStageObjectsShowsTheSet) {
    StandInBackend a;
    PreviewRequest request;
    request.render = {32, 32, 1, 1};
    request.scene.objects[0].material = 1;  // the ball wears the floor's matte
    const Preview preview = renderPreviewSwatches(request, {&a});
    const Image& image = preview.at(0, 0, 0).image;
    const Rgb floor = image.at(16, 30), backdrop = image.at(16, 1);
    EXPECT_GT(floor.r, 4.0f * backdrop.r) << "the lit floor in front of the camera";
    for (const float alpha : image.alpha()) ASSERT_EQ(alpha, 0.0f) << "nothing wears the previewed material";
    EXPECT_FALSE(preview.previewShown);
}

TEST(Render, AGridHasTwoDirectionsOnly) {
    StandInBackend a;
    PreviewRequest request = smallRequest();
    request.preset = "all";
    request.wedges = {"diffuse=0,1", "scattering=0,1"};
    EXPECT_THROW(renderPreviewSwatches(request, {&a}), cli::InputError);
    request.preset = "";
    request.wedges = {"diffuse=0,1", "diffuse=0.5,1"};
    try {
        renderPreviewSwatches(request, {&a});
        FAIL();
    } catch (const cli::InputError& error) {
        EXPECT_STREQ(error.what(), "--wedge diffuse: wedged twice");
    }
    EXPECT_EQ(a.prepared.load(), 0);
}

// A backend whose shader answers NaN on the ball's left half.
class NanBackend : public StandInBackend {
public:
    std::unique_ptr<ShadingWorker> newWorker() override {
        struct Worker : ShadingWorker {
            Shaded shade(const ShadingPoint& p) override {
                const float nan = std::numeric_limits<float>::quiet_NaN();
                if (p.material == 0 && p.normal.x < 0.0f) return {{nan, 0.0f, 0.0f}, {}};
                return {{0.5f, 0.5f, 0.5f}, {}};
            }
        };
        return std::make_unique<Worker>();
    }
};

TEST(Render, ANanSampleIsLeftOutOfItsPixelAndCounted) {
    NanBackend backend;
    PreviewRequest request;
    request.render = {24, 24, 3, 1};
    const Preview preview = renderPreviewSwatches(request, {&backend});
    const Swatch& s = preview.at(0, 0, 0);
    EXPECT_GT(s.stats.nonFinite, 0u);
    for (const Rgb& c : s.image.pixels()) ASSERT_TRUE(std::isfinite(c.r) && std::isfinite(c.g)) << c;
    ASSERT_FALSE(preview.notes.empty());
    EXPECT_NE(preview.notes.back().find("NaN"), std::string::npos) << preview.notes.back();
}

class PictureFiles : public ::testing::Test {
protected:
    const sorvane::testing::ScratchFolder scratch{"picture-test"};
    const std::filesystem::path& folder = scratch.folder();
};

TEST_F(PictureFiles, ExrHoldsALayerPerHostWithAlphaAndTheMetadata) {
    Image maya(3, 2, {0.25f, 0.5f, 2.0f}), mentalray(3, 2, {1.0f, 0.0f, 0.5f});
    maya.alphaAt(1, 1) = 0.75f;
    const std::string path = (folder / "layers.exr").string();
    writeExrLayers(path, {{"maya", &maya}, {"mentalray", &mentalray}, {"", &maya, false}},
                   {{"preset", "jade"}, {"samples", "4"}, {"swatchSize", "3x2"}, {"settings", "diffuse=1"}});
    const ExrContents contents = readExrContents(path);
    const std::vector<std::string> channels{"A",           "B",
                                            "G",           "R",
                                            "maya.A",      "maya.B",
                                            "maya.G",      "maya.R",
                                            "maya.matte",  "mentalray.A",
                                            "mentalray.B", "mentalray.G",
                                            "mentalray.R", "mentalray.matte"};
    EXPECT_EQ(contents.channels, channels);
    const std::map<std::string, std::string> m(contents.metadata.begin(), contents.metadata.end());
    EXPECT_EQ(m.at("preset"), "jade");
    EXPECT_EQ(m.at("samples"), "4");
    const Image back = readExrLayer(path, "maya");
    EXPECT_EQ(back.at(2, 1), (Rgb{0.25f, 0.5f, 2.0f})) << "linear: no view transform";
    EXPECT_EQ(back.alphaAt(1, 1), 0.75f) << "the matte";
    EXPECT_THROW(readExrLayer(path, "arnold"), InputError);
    Image small(2, 2);
    EXPECT_THROW(writeExrLayers(path, {{"maya", &maya}, {"small", &small}}, {}), InputError);
    EXPECT_EQ(readExrLayer(path, "maya").width(), 3) << "a refused write keeps the picture that was there";
}

// Read by OpenEXR itself, as a compositor reads it: RGBA premultiplied and
// opaque over the whole frame, the plain layer the first host's, the working
// space's chromaticities, and numbers as numbers.
TEST_F(PictureFiles, ExrIsTheWholeFrameOpaqueWithChromaticitiesAndNumbers) {
    Image maya(3, 2, {0.25f, 0.5f, 2.0f});
    maya.alphaAt(0, 0) = 0.5f;
    const std::string path = (folder / "frame.exr").string();
    writeExrLayers(path, {{"maya", &maya}, {"", &maya, false}}, {{"samples", "4"}, {"swatchSize", "3x2"}});
    Imf::InputFile file(path.c_str());
    const Imf::Header& header = file.header();
    ASSERT_TRUE(Imf::hasChromaticities(header));
    const Imf::Chromaticities c = Imf::chromaticities(header);
    EXPECT_FLOAT_EQ(c.red.x, 0.64f);
    EXPECT_FLOAT_EQ(c.green.y, 0.6f);
    EXPECT_FLOAT_EQ(c.blue.x, 0.15f);
    EXPECT_FLOAT_EQ(c.white.x, 0.3127f);
    const auto* samples = header.findTypedAttribute<Imf::IntAttribute>("samples");
    ASSERT_NE(samples, nullptr);
    EXPECT_EQ(samples->value(), 4);
    const auto* size = header.findTypedAttribute<Imf::V2iAttribute>("swatchSize");
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size->value(), Imath::V2i(3, 2));
    std::vector<float> alpha(6, -1.0f), red(6), matte(6), mayaRed(6);
    Imf::FrameBuffer frame;
    const auto slice = [](std::vector<float>& v) {
        return Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(v.data()), sizeof(float), 3 * sizeof(float));
    };
    frame.insert("A", slice(alpha));
    frame.insert("R", slice(red));
    frame.insert("maya.R", slice(mayaRed));
    frame.insert("maya.matte", slice(matte));
    file.setFrameBuffer(frame);
    file.readPixels(0, 1);
    EXPECT_EQ(alpha, std::vector<float>(6, 1.0f)) << "everything in the frame is drawn";
    EXPECT_EQ(red, mayaRed) << "the plain layer is the first host";
    EXPECT_EQ(matte[0], 0.5f);
    EXPECT_EQ(matte[1], 0.0f);
}

// The text chunks of a PNG, read back by libpng.
std::map<std::string, std::string> pngText(const std::string& path) {
    std::map<std::string, std::string> out;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return out;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!setjmp(png_jmpbuf(png))) {
        png_init_io(png, file);
        png_read_info(png, info);
        png_textp text = nullptr;
        const int count = png_get_text(png, info, &text, nullptr);
        for (int i = 0; i < count; ++i) out[text[i].key] = text[i].text;
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return out;
}

TEST_F(PictureFiles, PngCarriesTheMetadataAsText) {
    const std::string path = (folder / "swatch.png").string();
    DisplayImage image{2, 1, {0, 0, 0, 255, 255, 255}};
    writePng(path, image, {{"hosts", "maya mentalray"}, {"maya.material", "diffuse=0.8 color=0.5,0.5,0.5"}});
    const auto text = pngText(path);
    EXPECT_EQ(text.at("hosts"), "maya mentalray");
    EXPECT_EQ(text.at("maya.material"), "diffuse=0.8 color=0.5,0.5,0.5");
}

TEST(Render, HostDifferenceMeasuresOnlyWhereBothBallsAre) {
    Image a(2, 2, {0.5f, 0.5f, 0.5f}), b(2, 2, {0.6f, 0.6f, 0.6f});
    a.alphaAt(0, 0) = b.alphaAt(0, 0) = 1.0f;
    a.alphaAt(1, 0) = b.alphaAt(1, 0) = 1.0f;
    b.at(1, 0) = {0.3f, 0.3f, 0.3f};
    a.alphaAt(0, 1) = 1.0f;  // only one ball: left out
    b.at(0, 1) = {9.0f, 9.0f, 9.0f};
    const HostDifference d = hostDifference(a, b, "maya", "mentalray");
    EXPECT_EQ(d.pixels, 2u);
    EXPECT_NEAR(d.meanLuminance[0], 0.5, 1e-6);
    EXPECT_NEAR(d.meanLuminance[1], 0.45, 1e-6);
    EXPECT_NEAR(d.meanAbsolute, 0.15, 1e-6);
    EXPECT_NEAR(d.largest, -0.2, 1e-6);
    EXPECT_EQ(d.largestX, 1);
    EXPECT_NEAR(d.difference.at(0, 0).r, 0.1f, 1e-6f);
    EXPECT_EQ(d.difference.at(0, 1), (Rgb{})) << "outside both balls";
    EXPECT_NE(d.summary.find("over 2 ball pixels"), std::string::npos) << d.summary;
    EXPECT_NE(d.summary.find("-10.0%"), std::string::npos) << d.summary;
    EXPECT_THROW(hostDifference(a, Image(3, 2), "maya", "mentalray"), cli::InputError);
}

}  // namespace
}  // namespace sorvane::render
