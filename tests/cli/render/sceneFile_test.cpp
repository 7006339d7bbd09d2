#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "cli/render/sceneFile.h"
#include "tests/support/scratchFolder.h"

namespace sorvane::render {
namespace {

struct BadScene {
    const char* json;
    const char* names;  // what the message must contain
};

class SceneFileRejects : public ::testing::TestWithParam<BadScene> {};

TEST_P(SceneFileRejects, NamingTheField) {
    const BadScene& c = GetParam();
    try {
        parseScene(Json::parse(c.json));
        FAIL() << "accepted " << c.json;
    } catch (const InputError& error) {
        EXPECT_NE(std::string(error.what()).find(c.names), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Render, SceneFileRejects,
    ::testing::Values(
        BadScene{R"({"camra": {}})", "camra: unknown key; did you mean \"camera\"?"},
        BadScene{R"({"camera": {"fieldOfVeiw": 30}})", "did you mean \"fieldOfView\"?"},
        BadScene{R"({"camera": {"fieldOfView": 0}})", "camera.fieldOfView"},
        BadScene{R"({"camera": {"position": [0, 1, 0], "lookAt": [0, 1, 0]}})", "camera.lookAt"},
        BadScene{R"({"camera": {"position": [0, 5, 0], "lookAt": [0, 0, 0]}})", "camera.up"},
        BadScene{R"({"lights": [{"type": "spto", "position": [0, 1, 0]}]})", "lights[0].type"},
        BadScene{R"({"lights": [{"type": "point"}]})", "lights[0].position"},
        BadScene{R"({"lights": [{"type": "spot", "position": [0, 1, 0]}]})", "lights[0].direction"},
        BadScene{R"({"lights": [{"type": "point", "position": [0, 1, 0], "coneAngle": 30}]})",
                 "lights[0].coneAngle"},
        BadScene{R"({"lights": [{"type": "point", "position": [0, "a", 0]}]})", "lights[0].position[1]"},
        BadScene{R"({"lights": [{"type": "area", "position": [0, 1, 0], "aim": [0, 0, 0], "samples": 0}]})",
                 "lights[0].samples"},
        BadScene{R"({"lights": [{"type": "point", "position": [0, 1, 0], "color": [1, -1, 1]}]})",
                 "lights[0].color"},
        BadScene{R"({"lights": [{"type": "point", "position": [0, 1, 0], "decayRate": 3}]})",
                 "lights[0].decayRate"},
        BadScene{R"({"objects": [{"type": "cube"}]})", "objects[0].type"},
        BadScene{R"({"objects": [{"type": "sphere", "radius": -1}]})", "objects[0].radius"},
        BadScene{R"({"objects": [{"type": "plane", "normal": [0, 0, 0]}]})", "objects[0].normal"},
        BadScene{R"({"objects": [{"type": "sphere", "material": "floor"}]})", "objects[0].material"},
        BadScene{R"({"material": {"attributes": {"color": [1, 2, 3, 4, 5]}}})", "material.attributes.color"},
        BadScene{R"({"material": {"attributes": {"diffuse": "nan"}}})",
                 "material.attributes.diffuse: must be a finite number"},
        BadScene{
            R"({"objects": [{"type": "sphere", "material": {"attributes": {"color": [1, "-inf", 0]}}}]})",
            "objects[0].material.attributes.color[1]: must be a finite number"},
        BadScene{R"({"material": {"textures": {"color": "stripes"}}})", "material.textures.color"},
        BadScene{R"({"environment": {"sky": [1, 1]}})", "environment.sky"},
        BadScene{R"({"environment": {"fiel": "a.exr"}})", "did you mean \"file\"?"},
        BadScene{R"({"environment": {"file": 3}})", "environment.file"},
        BadScene{R"({"environment": {"file": "a.exr", "intensity": -1}})", "environment.intensity"},
        BadScene{R"({"environment": {"file": "a.exr", "rotate": "left"}})", "environment.rotate"},
        BadScene{R"({"environment": {"rotate": 90}})", "environment.rotate: applies to an image"},
        BadScene{R"({"objects": [{"type": "sphere", "name": 42}]})", "objects[0].name: expected a string"},
        BadScene{R"({"lights": [{"type": "ambient", "name": [1]}]})", "lights[0].name: expected a string"},
        BadScene{R"([1, 2])", "scene"}));

TEST(SceneFile, KeepsTheDefaultsOfWhatItLeavesOut) {
    const Scene scene = parseScene(Json::parse(R"({"material": {"preset": "wax"},
        "lights": [{"type": "spot", "position": [0, 4, 0], "aim": [0, 0, 0], "coneAngle": 30}]})"));
    const Scene defaults = defaultScene();
    EXPECT_EQ(scene.objects.size(), defaults.objects.size());
    EXPECT_EQ(scene.materials.size(), defaults.materials.size());
    EXPECT_EQ(scene.materials[0].preset, "wax");
    ASSERT_EQ(scene.lights.size(), 1u);
    EXPECT_EQ(scene.lights[0].type, LightType::spot);
    EXPECT_EQ(scene.lights[0].direction, (Vec3{0, -1, 0}));
    EXPECT_EQ(scene.lights[0].name, "light1");
}

TEST(SceneFile, ObjectsBringTheirOwnMaterials) {
    const Scene scene = parseScene(Json::parse(R"({"objects": [
        {"type": "plane", "material": {"attributes": {"diffuse": 0.5}}},
        {"type": "sphere"},
        {"type": "sphere", "center": [2, 1, 0], "material": {"preset": "jade"}}]})"));
    ASSERT_EQ(scene.objects.size(), 3u);
    ASSERT_EQ(scene.materials.size(), 3u);
    EXPECT_EQ(scene.objects[0].material, 1);
    EXPECT_EQ(scene.objects[1].material, 0);  // the previewed one
    EXPECT_EQ(scene.objects[2].material, 2);
    EXPECT_EQ(scene.materials[2].preset, "jade");
}

TEST(SceneFile, StageObjectsTakeTheSetsOwnMatte) {
    const Scene scene = parseScene(Json::parse(R"({"objects": [
        {"type": "plane", "material": "stage"}, {"type": "sphere"}]})"));
    ASSERT_EQ(scene.materials.size(), 2u);
    EXPECT_TRUE(scene.materials[1].stage);
    EXPECT_FALSE(scene.materials[0].stage);
    EXPECT_EQ(scene.materials[1].stageColor, (Rgb{0.18f, 0.18f, 0.18f}));
    EXPECT_THROW(parseScene(Json::parse(R"({"objects": [{"type": "plane", "material": "floor"}]})")),
                 InputError);
}

// An environment image is found beside the scene file, wherever the command runs.
TEST(SceneFile, EnvironmentFileIsRelativeToTheSceneFile) {
    const Json document =
        Json::parse(R"({"environment": {"file": "sky/noon.exr", "intensity": 2, "rotate": -30}})");
    const Scene scene = parseScene(document, "/scenes/yard");
    ASSERT_TRUE(scene.environmentImage.has_value());
    EXPECT_EQ(scene.environmentImage->file, "/scenes/yard/sky/noon.exr");
    EXPECT_EQ(scene.environmentImage->intensity, 2.0f);
    EXPECT_EQ(scene.environmentImage->rotate, -30.0f);
    EXPECT_FALSE(scene.ownLights) << "the default lights give way to the environment's";
    const Scene absolute = parseScene(Json::parse(R"({"environment": {"file": "/hdr/noon.exr"},
        "lights": [{"type": "ambient"}]})"),
                                      "/scenes/yard");
    EXPECT_EQ(absolute.environmentImage->file, "/hdr/noon.exr");
    EXPECT_TRUE(absolute.ownLights);
}

TEST(SceneFile, NamesTheFileItCannotRead) {
    const sorvane::testing::ScratchFolder scratch("scene-file");
    const std::string path = scratch.path("bad-scene.json");
    // A syntax error, and a number no double holds.
    for (const char* text : {"{\"lights\": [}", "{\"camera\": {\"fieldOfView\": 1e400}}"}) {
        { std::ofstream(path) << text; }
        try {
            readSceneFile(path);
            FAIL() << text;
        } catch (const InputError& error) {
            EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find("JSON"), std::string::npos) << error.what();
        }
    }
    std::filesystem::remove(path);
    EXPECT_THROW(readSceneFile(path), InputError);
}

}  // namespace
}  // namespace sorvane::render
