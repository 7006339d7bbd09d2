// Environment images as the command reads them: bad files refused naming
// the file and what is wrong, and a good one lighting the scene: lights in
// the world that turn with it, and a backdrop that shows it.
#include <gtest/gtest.h>

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>

#include "cli/common/inputError.h"
#include "cli/render/environmentFile.h"
#include "tests/support/scratchFolder.h"

namespace sorvane::render {
namespace {

constexpr float kPi = 3.14159265f;

std::string tempPath(const std::string& name) {
    static const sorvane::testing::ScratchFolder scratch("environment");
    return scratch.path(name);
}

// An EXR of the given channels, every one of them `value` except one pixel's first channel.
std::string writeExr(const std::string& name, int width, int height, const std::vector<std::string>& channels,
                     float value, float oddPixel) {
    const std::string path = tempPath(name);
    std::vector<float> data(static_cast<std::size_t>(width * height), value);
    std::vector<float> first = data;
    first[static_cast<std::size_t>(width + 1)] = oddPixel;
    Imf::Header header(width, height);
    for (const std::string& c : channels) header.channels().insert(c, Imf::Channel(Imf::FLOAT));
    Imf::OutputFile file(path.c_str(), header);
    Imf::FrameBuffer frame;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        float* base = i == 0 ? first.data() : data.data();
        frame.insert(channels[i], Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(base), sizeof(float),
                                             sizeof(float) * static_cast<std::size_t>(width)));
    }
    file.setFrameBuffer(frame);
    file.writePixels(height);
    return path;
}

struct BadEnvironment {
    const char* name;
    std::function<std::string()> make;
    const char* says;
};

class EnvironmentFileRejects : public ::testing::TestWithParam<BadEnvironment> {};

TEST_P(EnvironmentFileRejects, NamingTheFileAndWhy) {
    const std::string path = GetParam().make();
    try {
        readEnvironmentMap(path);
        FAIL() << "accepted " << path;
    } catch (const cli::InputError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find(path), std::string::npos) << message;
        EXPECT_NE(message.find(GetParam().says), std::string::npos) << message;
    }
}

const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInf = std::numeric_limits<float>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Render, EnvironmentFileRejects,
    ::testing::Values(
        BadEnvironment{"missing", [] { return tempPath("missing.exr"); }, "No such file"},
        BadEnvironment{"directory", [] { return std::filesystem::temp_directory_path().string(); },
                       "not a regular file"},
        BadEnvironment{"text",
                       [] {
                           const std::string p = tempPath("text.exr");
                           std::ofstream(p) << "this is not an image\n";
                           return p;
                       },
                       "not an OpenEXR image"},
        BadEnvironment{"truncated",
                       [] {
                           const std::string p = writeExr("cut.exr", 64, 32, {"R", "G", "B"}, 1.0f, 1.0f);
                           std::filesystem::resize_file(p, std::filesystem::file_size(p) / 2);
                           return p;
                       },
                       "cannot read the environment"},
        BadEnvironment{"depth only", [] { return writeExr("depth.exr", 8, 4, {"Z"}, 1.0f, 1.0f); },
                       "needs R, G and B channels (or Y); it has Z"},
        BadEnvironment{"NaN",
                       [] {
                           return writeExr("nan.exr", 8, 4, {"R", "G", "B"}, 1.0f, kNaN);
                       },
                       "pixel 1,1 R is not a number"},
        BadEnvironment{"infinite",
                       [] {
                           return writeExr("inf.exr", 8, 4, {"B", "G", "R"}, 1.0f, kInf);
                       },
                       "pixel 1,1 B is infinite"},
        BadEnvironment{"negative",
                       [] {
                           return writeExr("neg.exr", 8, 4, {"R", "G", "B"}, 1.0f, -0.5f);
                       },
                       "is negative"}),
    [](const auto& info) {
        std::string name = info.param.name;
        for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

TEST(EnvironmentFile, GreyImageIsReadIntoEveryChannel) {
    const auto map = readEnvironmentMap(writeExr("grey.exr", 8, 4, {"Y"}, 0.5f, 0.5f));
    EXPECT_EQ(map->pixel(3, 2), (lighting::Color3{0.5f, 0.5f, 0.5f}));
}

// A black image is a sound environment: a black backdrop and no light at all.
TEST(EnvironmentFile, BlackImageLightsNothing) {
    Scene scene = defaultScene();
    scene.environmentImage = EnvironmentImage{writeExr("black.exr", 8, 4, {"R", "G", "B"}, 0.0f, 0.0f)};
    const std::vector<std::string> notes = lightByEnvironment(scene);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("black everywhere"), std::string::npos);
    EXPECT_TRUE(scene.lights.empty()) << "the default lights gave way, and the image gave none";
}

// A sun in the middle of the image: ahead of the default camera, low.
std::shared_ptr<const lighting::EnvironmentMap> sunAhead() {
    std::vector<float> rgb(64 * 32 * 3, 0.01f);
    for (int y = 13; y < 15; ++y) {
        for (int x = 31; x < 33; ++x) {
            for (int k = 0; k < 3; ++k) rgb[(static_cast<std::size_t>(y) * 64 + x) * 3 + k] = 500.0f;
        }
    }
    return std::make_shared<const lighting::EnvironmentMap>(64, 32, std::move(rgb));
}

// Where the environment's lights point from, on the whole: at the sun, which
// holds nearly all of this image's light.
Vec3 sunOf(const Scene& scene) {
    Vec3 sum;
    for (const Light& l : scene.lights) {
        if (l.type == LightType::directional) sum = sum + l.direction * -l.intensity;
    }
    return unitVector(sum);
}

// Turned by +90 degrees, what was ahead (-z) is on the left (-x); the
// intensity scales the lights, and the lights join a scene's own.
TEST(EnvironmentFile, RotationTurnsTheSunAboutTheVertical) {
    Scene ahead = defaultScene();
    applyEnvironment(ahead, sunAhead(), "sun", 1.0f, 0.0f, true);
    ASSERT_EQ(ahead.lights.size(), static_cast<std::size_t>(kEnvironmentLights));
    const Vec3 sun = sunOf(ahead);
    EXPECT_LT(sun.z, -0.9f);
    EXPECT_NEAR(sun.x, 0.0f, 0.05f);
    for (const float degrees : {90.0f, -90.0f, 180.0f, 30.0f}) {
        Scene turned = defaultScene();
        applyEnvironment(turned, sunAhead(), "sun", 2.0f, degrees, false);
        ASSERT_EQ(turned.lights.size(), kEnvironmentLights + defaultScene().lights.size());
        const Vec3 moved = sunOf(turned);
        const float a = degrees * kPi / 180.0f;
        EXPECT_NEAR(moved.x, -std::sin(a) * -sun.z, 0.03f) << degrees;
        EXPECT_NEAR(moved.z, std::cos(a) * sun.z, 0.03f) << degrees;
        EXPECT_NEAR(moved.y, sun.y, 1e-5f) << degrees;
        float total = 0.0f, unturned = 0.0f;
        for (std::size_t i = 0; i < ahead.lights.size(); ++i) {
            unturned += ahead.lights[i].intensity;
            total += turned.lights[turned.lights.size() - ahead.lights.size() + i].intensity;
        }
        EXPECT_NEAR(total, 2.0f * unturned, 1e-3f * unturned);
    }
}

// The backdrop is the image as the camera sees it, turned with the lights.
TEST(EnvironmentFile, BackdropShowsTheImageAlongEachCameraRay) {
    for (const float degrees : {0.0f, 90.0f}) {
        Scene world = defaultScene();
        applyEnvironment(world, sunAhead(), "sun", 1.0f, degrees, true);
        const Scene camera = toCameraSpace(world);
        // Straight at the sun, in camera space: the world's sun direction seen from the camera.
        const Vec3 sun = sunOf(camera);
        EXPECT_GT(environmentRadiance(camera.environment, camera.worldUp, sun).r, 100.0f) << degrees;
        EXPECT_NEAR(environmentRadiance(camera.environment, camera.worldUp, sun * -1.0f).r, 0.01f, 1e-6f);
    }
}

}  // namespace
}  // namespace sorvane::render
