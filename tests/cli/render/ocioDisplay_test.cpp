// The PNG's view from an OpenColorIO config the test writes: the display and
// view chosen reach the pixels, after the exposure, and what the config
// lacks is refused with what it has.
#include <gtest/gtest.h>

#include <fstream>

#include "cli/common/inputError.h"
#include "cli/render/ocioDisplay.h"
#include "tests/support/scratchFolder.h"

namespace sorvane::render {
namespace {

// Lives until the program ends: the cases' parameters name files in it.
const sorvane::testing::ScratchFolder& scratch() {
    static const sorvane::testing::ScratchFolder folder("ocio");
    return folder;
}

std::string writeConfig(const std::string& name, const std::string& roles) {
    const std::string path = scratch().path(name + ".ocio");
    std::ofstream(path) << "ocio_profile_version: 2\nroles:\n  default: linear\n"
                        << roles << R"(
displays:
  sRGB:
    - !<View> {name: Standard, colorspace: srgb}
    - !<View> {name: Raw, colorspace: linear}
  Gamma22:
    - !<View> {name: Plain, colorspace: g22}
colorspaces:
  - !<ColorSpace>
    name: linear
  - !<ColorSpace>
    name: srgb
    from_reference: !<ExponentWithLinearTransform> {gamma: 2.4, offset: 0.055, direction: inverse}
  - !<ColorSpace>
    name: g22
    from_reference: !<ExponentTransform> {value: [2.2, 2.2, 2.2, 1], direction: inverse}
)";
    return path;
}

const std::string& config() {
    static const std::string path = writeConfig("config", "  scene_linear: linear\n");
    return path;
}

// The mean 8-bit code of a flat grey picture: the dither averages out.
double meanCode(float linear, const ViewTransform& view) {
    const Image image(32, 32, Rgb{linear, linear, linear});
    const DisplayImage shown = toDisplay(image, view);
    EXPECT_FALSE(shown.srgb) << "another display's encoding is not tagged sRGB";
    double sum = 0.0;
    for (const unsigned char c : shown.rgb) sum += c;
    return sum / static_cast<double>(shown.rgb.size());
}

struct ViewCase {
    const char* display;
    const char* view;
    float linear;
    float exposure;
    double code;
};

class OcioView : public ::testing::TestWithParam<ViewCase> {};

TEST_P(OcioView, ReachesThePixelsAfterTheExposure) {
    const ViewCase& c = GetParam();
    ViewTransform view{c.exposure, true, ocioDisplayTransform(config(), c.display, c.view)};
    EXPECT_NEAR(meanCode(c.linear, view), c.code, 0.6) << c.display << "/" << c.view;
}

INSTANTIATE_TEST_SUITE_P(
    Render, OcioView,
    ::testing::Values(ViewCase{"sRGB", "Raw", 0.5f, 0.0f, 127.5}, ViewCase{"sRGB", "Raw", 0.25f, 1.0f, 127.5},
                      ViewCase{"sRGB", "Raw", 4.0f, 0.0f, 255.0},  // clipped: no shoulder
                      ViewCase{"Gamma22", "Plain", 0.5f, 0.0f, 255.0 * 0.72974},
                      // The defaults: the first display, its first view.
                      ViewCase{"", "", 0.18f, 0.0f, 255.0 * 0.46135},
                      ViewCase{"sRGB", "Standard", 0.0f, 0.0f, 0.25}));

struct RefusedCase {
    std::string config;
    const char* display;
    const char* view;
    std::string says;
};

class OcioRefuses : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(OcioRefuses, SayingWhatTheConfigHas) {
    const RefusedCase& c = GetParam();
    try {
        ocioDisplayTransform(c.config, c.display, c.view);
        FAIL() << "accepted " << c.display << "/" << c.view;
    } catch (const cli::InputError& error) {
        EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Render, OcioRefuses,
    ::testing::Values(
        RefusedCase{"", "sRGB", "", "--display: picks a view of an OpenColorIO config: set OCIO"},
        RefusedCase{"", "", "Raw", "--view: picks a view"},
        RefusedCase{config(), "P3", "", "not a display of " + config() + " (displays: sRGB, Gamma22)"},
        RefusedCase{config(), "srgb", "", "did you mean \"sRGB\"?"},
        RefusedCase{config(), "Gamma22", "Raw", "not a view of display \"Gamma22\""},
        RefusedCase{config(), "sRGB", "Log", "(views: Standard, Raw)"},
        RefusedCase{"/nonexistent/config.ocio", "sRGB", "", "/nonexistent/config.ocio: cannot use"},
        RefusedCase{writeConfig("no-linear", ""), "sRGB", "", "no scene_linear role"}));

}  // namespace
}  // namespace sorvane::render
