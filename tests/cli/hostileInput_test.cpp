// Reproductions of a hostile-input battery, each run through the whole
// command in-process: what once wrapped round, overwrote a file it was never
// given, crashed, or passed silently, now refused or written safely.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/common/jsonValues.h"
#include "tests/support/scratchFolder.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::string out, err;
};

Outcome runCommand(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), "sorvane");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = sorvane::cli::run(static_cast<int>(argv.size()), argv.data(), in, out, err);
    return {status, out.str(), err.str()};
}

std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class HostileInput : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return scratch_.path(name); }
    // A small, quick render through the Maya host alone.
    std::vector<std::string> render(std::vector<std::string> more) const {
        std::vector<std::string> args{"render", "--size", "8", "--samples", "1", "--quiet"};
        if (std::find(more.begin(), more.end(), "--host") == more.end())
            args.insert(args.end(), {"--host", "maya"});
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    const sorvane::testing::ScratchFolder scratch_{"hostile"};
    const fs::path& folder_ = scratch_.folder();
};

// sscanf("%d") wrapped 4294967297 round to 1 and rendered a 6x1 picture.
TEST_F(HostileInput, ASizeTooLargeForAnIntIsRefused) {
    for (const char* size : {"4294967297", "6x4294967297", "99999999999999999999", "-1", "+8", "8x"}) {
        const Outcome o = runCommand(render({"--size", size, "-o", path("wrapped.png")}));
        EXPECT_EQ(o.status, 2) << size;
        EXPECT_NE(o.err.find("--size"), std::string::npos) << o.err;
        EXPECT_FALSE(fs::exists(path("wrapped.png"))) << size;
    }
}

// The difference was written over the render, and the command said it was done.
TEST_F(HostileInput, TheDifferenceMayNotOverwriteThePicture) {
    for (const auto& [output, diff] : {std::pair{"a.png", "a.png"}, std::pair{"a.exr", "./a.exr"}}) {
        const fs::path work = fs::current_path();
        fs::current_path(folder_);
        const Outcome o =
            runCommand({"render", "--size", "8", "--samples", "1", "-o", output, "--diff", diff});
        fs::current_path(work);
        EXPECT_EQ(o.status, 1);
        EXPECT_NE(o.err.find("is the same file as -o"), std::string::npos) << o.err;
        EXPECT_FALSE(fs::exists(folder_ / output));
    }
}

// A link to a device turned the device node into a PNG file.
TEST_F(HostileInput, ALinkToADeviceWritesTheDeviceAndLeavesItADevice) {
    if (::mknod(path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
        GTEST_SKIP() << "making a device node needs root";
    }
    fs::create_symlink("null", path("out.png"));
    const Outcome o = runCommand(render({"-o", path("out.png")}));
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(fs::is_character_file(path("null")));
    EXPECT_TRUE(fs::is_symlink(path("out.png")));
}

// The temporary name was .NAME.tmpPID: a link planted there was followed.
TEST_F(HostileInput, ALinkPlantedAtTheTemporaryNameIsNotFollowed) {
    { std::ofstream(path("victim")) << "someone else's file"; }
    fs::create_symlink(path("victim"), path(".out.png.tmp" + std::to_string(::getpid())));
    const Outcome o = runCommand(render({"-o", path("out.png")}));
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(read(path("victim")), "someone else's file");
    EXPECT_EQ(read(path("out.png")).substr(1, 3), "PNG");
}

// head -c 60000 sorvane.so: inspect, shade and render died of SIGBUS.
TEST_F(HostileInput, ATruncatedMayaPlugInIsRefusedBeforeLoading) {
    const std::string whole = read(sorvane::cli::defaultPluginPaths().mayaPlugin);
    ASSERT_GT(whole.size(), 60000u);
    for (const std::size_t length : {std::size_t{60000}, std::size_t{1000}, std::size_t{10}}) {
        const std::string cut = path("sorvane-" + std::to_string(length) + ".so");
        std::ofstream(cut, std::ios::binary).write(whole.data(), static_cast<std::streamsize>(length));
        for (const std::vector<std::string>& args :
             {std::vector<std::string>{"inspect", "--host", "maya", "--plugin", cut},
              std::vector<std::string>{"shade", "--host", "maya", "--plugin", cut},
              render({"--plugin", cut, "-o", path("never.png")})}) {
            const Outcome o = runCommand(args, "{}\n");
            EXPECT_EQ(o.status, 1) << args[0];
            const char* why = length < 64 ? "not an ELF file" : "truncated or damaged shared library";
            EXPECT_NE(o.err.find(why), std::string::npos) << o.err;
        }
    }
    EXPECT_FALSE(fs::exists(path("never.png")));
}

struct Refused {
    const char* name;
    std::vector<std::string> args;
    const char* message;
};

// Paths that are not regular files, or not libraries, say exactly that.
TEST_F(HostileInput, PathsThatAreNotWhatTheyShouldBeSaySo) {
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    { std::ofstream(path("text.so")) << "not a library at all\n"; }
    const Refused cases[] = {
        {"missing library", {"inspect", "--host", "mentalray", "--library", path("none.so")}, "No such file"},
        {"directory library",
         {"inspect", "--host", "mentalray", "--library", folder_.string()},
         "is a directory"},
        {"text library", {"inspect", "--host", "mentalray", "--library", path("text.so")}, "not an ELF file"},
        {"FIFO library", {"inspect", "--host", "mentalray", "--library", path("fifo")}, "is a FIFO"},
        {"directory declaration",
         {"inspect", "--host", "mentalray", "--declaration", folder_.string()},
         "is a directory"},
        {"FIFO declaration", {"inspect", "--host", "mentalray", "--declaration", path("fifo")}, "is a FIFO"},
        {"device declaration",
         {"inspect", "--host", "mentalray", "--declaration", "/dev/zero"},
         "is a character device"},
        {"directory plug-in", {"inspect", "--host", "maya", "--plugin", folder_.string()}, "is a directory"},
        {"FIFO plug-in", {"inspect", "--host", "maya", "--plugin", path("fifo")}, "is a FIFO"},
        {"FIFO scene", render({"--scene", path("fifo")}), "is a FIFO"},
    };
    for (const Refused& c : cases) {
        const Outcome o = runCommand(c.args);
        EXPECT_EQ(o.status, 1) << c.name;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << c.name << ": " << o.err;
    }
}

// A sphere at 1e20 turned nearly half the shading samples into NaN.
TEST_F(HostileInput, SceneCoordinatesHaveARange) {
    { std::ofstream(path("far.json")) << R"({"objects": [{"type": "sphere", "center": [1e20, 0, 0]}]})"; }
    const Outcome o = runCommand(render({"--scene", path("far.json"), "-o", path("far.png")}));
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("objects[0].center[0]: must be at least -1e+06 and at most 1e+06"),
              std::string::npos)
        << o.err;
    EXPECT_FALSE(fs::exists(path("far.png")));
}

// --stats said 1024 threads for a picture of one tile.
TEST_F(HostileInput, StatsCountTheThreadsUsedNotAskedFor) {
    const Outcome o = runCommand(render({"--threads", "1024", "--stats", "--json", "-o", path("s.png")}));
    ASSERT_EQ(o.status, 0) << o.err;
    const sorvane::cli::Json stats = sorvane::cli::Json::parse(o.out);
    EXPECT_EQ(stats["threads"], 1);
    EXPECT_EQ(stats["swatches"][0]["threads"], 1);
}

// A message used to stop at a NUL byte of the input it quoted.
TEST_F(HostileInput, AMessageQuotingANulByteShowsTheRest) {
    { std::ofstream(path("nul.json")) << R"({"cam\u0000era": {}})"; }
    const Outcome o = runCommand(render({"--scene", path("nul.json"), "-o", path("nul.png")}));
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("cam\\x00era: unknown key"), std::string::npos) << o.err;
}

TEST_F(HostileInput, OptionsThatContradictOrOverreachAreRefused) {
    const Refused cases[] = {
        {"threads abc", {"--threads", "abc"}, "\"abc\" is not a number"},
        {"samples abc", {"--samples", "4x"}, "\"4x\" is not a number"},
        {"empty exposure", {"--exposure", ""}, "got nothing"},
        {"set and wedge",
         {"--set", "diffuse=0.5", "--wedge", "diffuse=0,1"},
         "--wedge diffuse: also given by --set"},
        {"set and texture",
         {"--set", "color=1,0,0", "--texture", "color=checker"},
         "--texture color: also given by --set"},
        {"outside the hard range",
         {"--host", "both", "--set", "opposition=5"},
         "--set opposition: 5 is outside what the shader can take (0 to 1"},
        {"wedge outside the hard range",
         {"--host", "both", "--wedge", "eccentricity=0.2,0"},
         "--wedge eccentricity: 0 is outside what the shader can take (0.001 to inf"},
    };
    for (const Refused& c : cases) {
        std::vector<std::string> args = render(c.args);
        args.insert(args.end(), {"-o", path("refused.png")});
        const Outcome o = runCommand(args);
        EXPECT_NE(o.status, 0) << c.name;
        EXPECT_NE(o.err.find(c.message), std::string::npos) << c.name << ": " << o.err;
        EXPECT_FALSE(fs::exists(path("refused.png"))) << c.name;
    }
}

}  // namespace
