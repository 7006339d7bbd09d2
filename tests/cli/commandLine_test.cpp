// The whole command driven in-process as a user drives it: what it says for
// --version, where its usage errors send the user, the names it offers for a
// slip, the values it refuses, and --stats --json.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/common/jsonValues.h"
#include "cli/render/imageFiles.h"
#include "tests/support/scratchFolder.h"

namespace {

namespace fs = std::filesystem;
using sorvane::cli::Json;

struct Outcome {
    int status;
    std::string out, err;
};

Outcome runCommand(std::vector<std::string> args) {
    args.insert(args.begin(), "sorvane");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::istringstream in;
    std::ostringstream out, err;
    const int status = sorvane::cli::run(static_cast<int>(argv.size()), argv.data(), in, out, err);
    return {status, out.str(), err.str()};
}

// A scratch folder of its own per test.
class CommandLine : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return scratch_.path(name); }

    const sorvane::testing::ScratchFolder scratch_{"command"};
    const fs::path& folder_ = scratch_.folder();
};

TEST_F(CommandLine, VersionIsTheProjectsVersion) {
    const Outcome o = runCommand({"--version"});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, std::string("sorvane ") + SORVANE_VERSION + "\n");
    EXPECT_EQ(o.err, "");
}

struct UsageError {
    std::vector<std::string> args;
    const char* message;
    const char* help;
};
class UsageErrors : public ::testing::TestWithParam<UsageError> {};

// Exit status 2, what was wrong (with the name meant, for a slip), and the way
// to the help of the subcommand that was misused.
TEST_P(UsageErrors, SayWhatWasWrongAndPointToTheSubcommandsOwnHelp) {
    const Outcome o = runCommand(GetParam().args);
    EXPECT_EQ(o.status, 2);
    EXPECT_NE(o.err.find(GetParam().message), std::string::npos) << o.err;
    EXPECT_NE(o.err.find(std::string("Run '") + GetParam().help + " --help' for usage."), std::string::npos)
        << o.err;
    EXPECT_EQ(o.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, UsageErrors,
    ::testing::Values(
        UsageError{{}, "A subcommand is required", "sorvane"},
        UsageError{{"rendr"}, "unknown command \"rendr\"; did you mean \"render\"?", "sorvane"},
        UsageError{
            {"bake"}, "unknown command \"bake\" (commands: render, shade, inspect, studio)", "sorvane"},
        UsageError{{"render", "--size", "0"}, "--size", "sorvane render"},
        UsageError{{"render", "--json"}, "--json requires --stats", "sorvane render"},
        UsageError{{"render", "--sampels", "4"}, "--sampels; did you mean \"--samples\"?", "sorvane render"},
        UsageError{{"render", "--wdge=x=1,2"}, "did you mean \"--wedge\"?", "sorvane render"},
        UsageError{
            {"render", "--exposure", "abc"}, "expected stops from -20 to 20, not \"abc\"", "sorvane render"},
        UsageError{{"shade"}, "--host is required", "sorvane shade"},
        UsageError{{"inspect", "--host", "houdini"}, "houdini", "sorvane inspect"}));

struct Refusal {
    const char* name;
    std::vector<std::string> args;
    int status;
    const char* message;
};
class Refusals : public CommandLine, public ::testing::WithParamInterface<Refusal> {};

// Refused with a message naming what was wrong, and no picture half made.
TEST_P(Refusals, NameTheValueAndWriteNothing) {
    const Refusal& r = GetParam();
    std::vector<std::string> args{"render", "--size", "8", "--samples", "1", "-o", path("refused.png")};
    args.insert(args.end(), r.args.begin(), r.args.end());
    const Outcome o = runCommand(args);
    EXPECT_EQ(o.status, r.status);
    EXPECT_NE(o.err.find(r.message), std::string::npos) << o.err;
    EXPECT_FALSE(fs::exists(path("refused.png")));
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, Refusals,
    ::testing::Values(
        Refusal{"MistypedAttribute",
                {"--set", "difuse=0.6"},
                1,
                "--set difuse: no material attribute \"difuse\" in the maya or mentalray host; did you mean "
                "\"diffuse\"?"},
        Refusal{"MistypedWedge", {"--wedge", "scatering=0,1"}, 1, "did you mean \"scattering\"?"},
        Refusal{"MistypedTexture", {"--texture", "colour=checker"}, 1, "did you mean \"color\"?"},
        Refusal{"MentalrayOnlyName",
                {"--host", "mentalray", "--set", "subsurfaceIntensty=1"},
                1,
                "did you mean \"subsurfaceIntensity\"?"},
        Refusal{"MistypedPreset", {"--preset", "jdae"}, 2, "unknown preset \"jdae\"; did you mean \"jade\"?"},
        Refusal{"NaN", {"--set", "diffuse=nan"}, 1, "--set diffuse: \"nan\" is not a finite number"},
        Refusal{"Infinity", {"--set", "diffuse=inf"}, 1, "--set diffuse: \"inf\" is not a finite number"},
        Refusal{"InfiniteChannel",
                {"--set", "color=0.5,-inf,0.5"},
                1,
                "--set color: \"-inf\" is not a finite number"},
        Refusal{"InfiniteWedgeValue",
                {"--wedge", "backlight=0,infinity"},
                1,
                "--wedge backlight: \"infinity\" is not a finite number"},
        Refusal{"Overflow", {"--set", "diffuse=1e39"}, 1, "--set diffuse: \"1e39\" is out of the range"},
        Refusal{"MaterialAndPreset", {"--material", "x.ma", "--preset", "jade"}, 1, "give one"},
        Refusal{"MissingMaterialFile",
                {"--material", "/nonexistent/look.ma"},
                1,
                "look.ma: cannot open material file: it does not exist"},
        Refusal{"UnknownMaterialKind", {"--material", "look.txt"}, 1, "materials are read from .ma, .mi"},
        Refusal{"MaterialNotInFile",
                {"--material", SORVANE_PRESETS_FILE ":jdae"},
                1,
                "holds no material \"jdae\"; did you mean \"jade\"?"},
        Refusal{"SavePresetName", {"--save-preset", "my look"}, 1, "a name is a letter followed by"},
        Refusal{"SavePresetOfAWedge", {"--save-preset", "x", "--wedge", "diffuse=0,1"}, 1, "single swatch"},
        Refusal{"MissingMesh",
                {"--mesh", "/nonexistent/knot.obj"},
                1,
                "--mesh: /nonexistent/knot.obj: cannot open the mesh file: it does not exist"},
        Refusal{"MistypedMesh",
                {"--mesh", "torusnot"},
                1,
                "--mesh: no mesh \"torusnot\"; did you mean \"torusknot\"?"},
        Refusal{"NotAnObj",
                {"--mesh", SORVANE_PRESETS_FILE},
                1,
                "presets.json:1: \"{\" is not an OBJ statement"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CommandLine, StatsAsJsonDescribeTheRenderAndEachSwatch) {
    const Outcome o = runCommand({"render", "--size", "12x8", "--samples", "2", "--threads", "1", "--stats",
                                  "--json", "-o", path("s.png")});
    ASSERT_EQ(o.status, 0) << o.err;
    const Json stats = Json::parse(o.out);  // one document and nothing else
    EXPECT_EQ(stats["output"], path("s.png"));
    EXPECT_EQ(stats["width"], 12 + 4 + 12) << "the file's: two swatches side by side";
    EXPECT_EQ(stats["height"], 8);
    EXPECT_EQ(stats["swatchWidth"], 12);
    EXPECT_EQ(stats["swatchHeight"], 8);
    EXPECT_EQ(stats["samples"], 2);
    EXPECT_EQ(stats["threads"], 1);
    ASSERT_EQ(stats["swatches"].size(), 2u);
    for (const char* host : {"maya", "mentalray"}) {
        const auto swatch = std::find_if(stats["swatches"].begin(), stats["swatches"].end(),
                                         [&](const Json& s) { return s["host"] == host; });
        ASSERT_NE(swatch, stats["swatches"].end()) << host;
        // Some of the 96 pixel samples hit the ball or the floor.
        EXPECT_GT((*swatch)["shadingSamples"].get<int>(), 0);
        EXPECT_LE((*swatch)["shadingSamples"].get<int>(), 12 * 8 * 2);
        EXPECT_GE((*swatch)["seconds"].get<double>(), 0.0);
        EXPECT_TRUE((*swatch)["samplesPerSecond"].is_number());
    }
    EXPECT_TRUE(fs::exists(path("s.png")));
}

// Read back by OpenEXR: the layers of the EXR, what it records of a scene
// and its materials, and what it does not hold (the exposure).
TEST_F(CommandLine, AnExrOfASceneRecordsTheSceneAndEachMaterial) {
    const std::string scene = path("two.json");
    std::ofstream(scene) << R"({"objects": [
        {"name": "ball", "type": "sphere", "center": [0, 1, 0], "radius": 1},
        {"name": "floor", "type": "plane", "point": [0, 0, 0], "normal": [0, 1, 0],
         "material": {"attributes": {"color": 0.2}}}]})";
    const Outcome o = runCommand({"render", "--scene", scene, "--size", "8", "--samples", "1", "--threads",
                                  "1", "--exposure", "1", "-o", path("s.exr")});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.err.find("--exposure: an EXR stays linear"), std::string::npos) << o.err;
    const sorvane::render::ExrContents contents = sorvane::render::readExrContents(path("s.exr"));
    const std::map<std::string, std::string> m(contents.metadata.begin(), contents.metadata.end());
    EXPECT_EQ(m.at("scene"), scene);
    EXPECT_NE(m.at("maya.material").find("diffuse=0.8"), std::string::npos);
    EXPECT_NE(m.at("mentalray.material.floor").find("color=0.2,0.2,0.2"), std::string::npos);
    EXPECT_EQ(m.count("exposure"), 0u);
    for (const char* channel : {"R", "A", "maya.matte", "mentalray.A", "mentalray.matte"}) {
        EXPECT_NE(std::find(contents.channels.begin(), contents.channels.end(), channel),
                  contents.channels.end())
            << channel;
    }
}

TEST_F(CommandLine, AValueOneHostLacksIsSaid) {
    const Outcome o = runCommand({"render", "--size", "8", "--samples", "1", "--threads", "1", "--set",
                                  "transparency=0.5", "-o", path("t.png")});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.err.find("--set transparency: mentalray has no \"transparency\""), std::string::npos)
        << o.err;
}

// The tile of one host's layer of an EXR, as floats.
std::vector<float> layerOf(const std::string& file, const std::string& host) {
    const sorvane::render::Image image = sorvane::render::readExrLayer(file, host);
    std::vector<float> out;
    for (const auto& c : image.pixels()) out.insert(out.end(), {c.r, c.g, c.b});
    return out;
}

// A material read from a scene file renders as it was set there, and what
// --save-preset writes of it renders the same pictures again, each file in
// its own host.
TEST_F(CommandLine, AMaterialFromAFileAndItsSavedPresetsRenderAlike) {
    const std::string scene = path("look.ma");
    std::ofstream(scene) << "//Maya ASCII 2009 scene\n"
                            "createNode lambert -n \"lambert2\";\n"
                            "\tsetAttr \".dc\" 1;\n"
                            "createNode sorvane -n \"skin1\";\n"
                            "\tsetAttr \".c\" -type \"float3\" 0.8 0.3 0.2 ;\n"
                            "\tsetAttr \".dfl\" 0.6;\n"
                            "\tsetAttr \".it\" -type \"float3\" 0.1 0.1 0.1 ;\n"
                            "createNode sorvane -n \"jade1\";\n"
                            "\tsetAttr \".sctr\" 0.7;\n";
    const std::vector<std::string> small{"--size", "12", "--samples", "1", "--threads", "1"};
    const auto render = [&](std::vector<std::string> args) {
        args.insert(args.begin(), "render");
        args.insert(args.end(), small.begin(), small.end());
        return runCommand(args);
    };
    Outcome o = render({"--material", scene + ":skin1", "--save-preset", path("saved"), "-o", path("a.exr")});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.err.find("mentalray has no \"transparency\""), std::string::npos) << o.err;
    for (const char* extension : {".json", ".mel", ".mi"}) EXPECT_TRUE(fs::exists(path("saved") + extension));
    const auto m = sorvane::render::readExrContents(path("a.exr")).metadata;
    EXPECT_NE(std::find(m.begin(), m.end(), std::make_pair(std::string("material"), scene + ":skin1")),
              m.end());

    // One host alone leaves out what it lacks of a file's material, as the pair does.
    o = render({"--material", scene + ":skin1", "--host", "mentalray", "-o", path("one.exr")});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(layerOf(path("one.exr"), "mentalray"), layerOf(path("a.exr"), "mentalray"));

    ASSERT_EQ(render({"--material", path("saved.mi"), "--host", "mentalray", "-o", path("mi.exr")}).status,
              0);
    EXPECT_EQ(layerOf(path("mi.exr"), "mentalray"), layerOf(path("a.exr"), "mentalray"));
    ASSERT_EQ(render({"--material", path("saved.mel"), "--host", "maya", "-o", path("mel.exr")}).status, 0);
    EXPECT_EQ(layerOf(path("mel.exr"), "maya"), layerOf(path("a.exr"), "maya"));
    ASSERT_EQ(render({"--material", path("saved.json"), "-o", path("json.exr")}).status, 0);
    EXPECT_EQ(layerOf(path("json.exr"), "maya"), layerOf(path("a.exr"), "maya"));
    EXPECT_EQ(layerOf(path("json.exr"), "mentalray"), layerOf(path("a.exr"), "mentalray"));

    // A file of two materials without a name: a column each.
    o = render({"--material", scene, "--stats", "--json", "-o", path("sheet.png")});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(Json::parse(o.out)["swatches"].size(), 4u);
}

// The project's presets read as a file are the presets --preset renders.
TEST_F(CommandLine, APresetReadFromThePresetsFileIsThePreset) {
    const std::vector<std::string> small{"--size", "12", "--samples", "1", "--threads", "1"};
    std::vector<std::string> a{"render", "--material", SORVANE_PRESETS_FILE ":jade", "-o", path("a.exr")};
    std::vector<std::string> b{"render", "--preset", "jade", "-o", path("b.exr")};
    a.insert(a.end(), small.begin(), small.end());
    b.insert(b.end(), small.begin(), small.end());
    ASSERT_EQ(runCommand(a).status, 0);
    ASSERT_EQ(runCommand(b).status, 0);
    // So are the attribute presets the module installs, each node's in its host.
    std::vector<std::string> mel{"render",       "--material", SORVANE_ATTR_PRESETS_DIR "/sorvane/jade.mel",
                                 "--host",       "maya",       "-o",
                                 path("mel.exr")};
    std::vector<std::string> mi{
        "render", "--material",  SORVANE_ATTR_PRESETS_DIR "/qm7r_sorvane/jade.mel", "--host", "mentalray",
        "-o",     path("mi.exr")};
    mel.insert(mel.end(), small.begin(), small.end());
    mi.insert(mi.end(), small.begin(), small.end());
    ASSERT_EQ(runCommand(mel).status, 0);
    ASSERT_EQ(runCommand(mi).status, 0);
    EXPECT_EQ(layerOf(path("mel.exr"), "maya"), layerOf(path("b.exr"), "maya"));
    EXPECT_EQ(layerOf(path("mi.exr"), "mentalray"), layerOf(path("b.exr"), "mentalray"));
    for (const char* host : {"maya", "mentalray"})
        EXPECT_EQ(layerOf(path("a.exr"), host), layerOf(path("b.exr"), host));
}

// --passes: a layer per effect and host in the EXR, and the sheet beside it.
TEST_F(CommandLine, PassesAreLayersOfTheExrAndASheet) {
    const Outcome o = runCommand(
        {"render", "--passes", "--size", "8", "--samples", "1", "--threads", "1", "-o", path("b.exr")});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto channels = sorvane::render::readExrContents(path("b.exr")).channels;
    for (const char* c : {"maya.set.R", "maya.diffuse.G", "maya.incandescence.B", "mentalray.irradiance.R",
                          "mentalray.specular.B", "maya.matte"}) {
        EXPECT_NE(std::find(channels.begin(), channels.end(), c), channels.end()) << c;
    }
    EXPECT_EQ(std::find(channels.begin(), channels.end(), "maya.irradiance.R"), channels.end());
    EXPECT_TRUE(fs::exists(path("b.passes.png")));
    const Outcome wedge = runCommand({"render", "--passes", "--wedge", "diffuse=0,1", "-o", path("w.png")});
    EXPECT_EQ(wedge.status, 1);
    EXPECT_NE(wedge.err.find("--passes: breaks down one swatch"), std::string::npos) << wedge.err;
}

// --compare: the material the options make beside a second one, each host
// its row; --diff gives B less A per host.
TEST_F(CommandLine, CompareSetsTwoMaterialsSideBySide) {
    const std::vector<std::string> small{"--size", "10", "--samples", "1", "--threads", "1"};
    std::vector<std::string> same{"render", "--preset", "jade",           "--compare",
                                  "jade",   "--diff",   path("same.exr"), "--stats",
                                  "--json", "-o",       path("same.png")};
    same.insert(same.end(), small.begin(), small.end());
    Outcome o = runCommand(same);
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(Json::parse(o.out)["swatches"].size(), 4u);
    for (const char* host : {"maya", "mentalray"}) {
        const sorvane::render::Image d =
            sorvane::render::readExrLayer(path("same.exr"), std::string(host) + ".difference");
        for (const auto& c : d.pixels()) ASSERT_EQ(c.r, 0.0f) << host << ": jade against itself";
    }
    std::vector<std::string> other{"render",          "--preset",  "jade",           "--set",
                                   "diffuse=0.2",     "--compare", "jade",           "--diff",
                                   path("other.exr"), "-o",        path("other.png")};
    other.insert(other.end(), small.begin(), small.end());
    o = runCommand(other);
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.err.find("maya B - maya A"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("mentalray B - mentalray A"), std::string::npos) << o.err;
    const Outcome wedge =
        runCommand({"render", "--compare", "wax", "--wedge", "diffuse=0,1", "-o", path("w.png")});
    EXPECT_EQ(wedge.status, 1);
    EXPECT_NE(wedge.err.find("--compare: sets two materials side by side"), std::string::npos) << wedge.err;
}

TEST_F(CommandLine, ABadMaterialFileIsRefusedByFileAndLine) {
    const std::string scene = path("cut.ma");
    std::ofstream(scene) << "createNode sorvane -n \"a\";\n\tsetAttr \".dfl\" 0.6;\n\tsetAttr \".c\" -type";
    const Outcome o = runCommand({"render", "--material", scene, "--size", "8", "-o", path("x.png")});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("cut.ma:3: the file ends inside this \"setAttr\" statement"), std::string::npos)
        << o.err;
    EXPECT_FALSE(fs::exists(path("x.png")));
}

TEST_F(CommandLine, ABadMeshFileIsRefusedByFileAndLine) {
    const std::string mesh = path("knot.obj");
    std::ofstream(mesh) << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nf 1 2 4294967298\n";
    const Outcome o = runCommand({"render", "--mesh", mesh, "--size", "8", "-o", path("x.png")});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("--mesh: " + mesh +
                         ":5: corner 3 of the face: vertex 4294967298 is not defined: 3 vertices are defined "
                         "before this line"),
              std::string::npos)
        << o.err;
    EXPECT_FALSE(fs::exists(path("x.png")));
}

// A mesh from a file in both hosts: the picture records it, and what the
// file left out is said.
TEST_F(CommandLine, AMeshFileRendersInBothHostsAndIsRecorded) {
    const std::string mesh = path("tetra.obj");
    std::ofstream(mesh) << "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nvt 0 0\n"
                           "f 1 3 2\nf 1 2 4\nf 1 4 3\nf 2/1 3/1 4/1\nf 1 1 2\n";
    const Outcome o = runCommand({"render", "--mesh", mesh, "--size", "16", "--samples", "1", "--threads",
                                  "1", "--stats", "--json", "-o", path("t.exr")});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.err.find(mesh + ":10: 1 triangle of no area left out"), std::string::npos) << o.err;
    // Held whole: a range over a member of a temporary outlives the temporary.
    const Json stats = Json::parse(o.out);
    for (const Json& swatch : stats.at("swatches")) EXPECT_GT(swatch.at("shadingSamples").get<int>(), 0);
    const sorvane::render::ExrContents contents = sorvane::render::readExrContents(path("t.exr"));
    const std::map<std::string, std::string> m(contents.metadata.begin(), contents.metadata.end());
    EXPECT_EQ(m.at("mesh"), mesh);
}

// Every scene under examples/ renders through both hosts, and each host
// shades something of it: a scene the reader takes but that shows nothing
// would teach the format wrongly.
TEST_F(CommandLine, EveryExampleSceneRenders) {
    std::vector<fs::path> scenes;
    for (const auto& entry : fs::directory_iterator(SORVANE_EXAMPLES_DIR)) {
        if (entry.path().extension() == ".json") scenes.push_back(entry.path());
    }
    ASSERT_GE(scenes.size(), 4u) << "a studio, a backlit test, a wedge and a mesh";
    for (const fs::path& scene : scenes) {
        SCOPED_TRACE(scene.filename().string());
        const std::string output = path(scene.stem().string() + ".exr");
        const Outcome o = runCommand({"render", "--scene", scene.string(), "--size", "24", "--samples", "1",
                                      "--threads", "1", "--stats", "--json", "-o", output});
        ASSERT_EQ(o.status, 0) << o.err;
        const Json stats = Json::parse(o.out);
        ASSERT_EQ(stats["swatches"].size(), 2u);
        for (const Json& swatch : stats["swatches"]) EXPECT_GT(swatch["shadingSamples"].get<int>(), 0);
        EXPECT_GT(fs::file_size(output), 0u);
    }
}

}  // namespace
