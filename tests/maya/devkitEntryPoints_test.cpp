// The plug-in as devkits of each shape build it, loaded through the host of
// the same shape under each name Maya looks its entry points up by: the plain
// names Maya on Windows finds, the C++ names Maya on Linux finds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/maya/mayaHost.h"

namespace host = sorvane::mayahost;
using host::EntryPointNames;

namespace {

struct Build {
    const char* name;
    const char* path;
    const char* apiVersion;
};

// SORVANE_DEVKIT_BUILDS: {"name", "path", "api version"}, ... for this host's shape.
const Build kBuilds[] = {SORVANE_DEVKIT_BUILDS};

struct Case {
    Build build;
    EntryPointNames names;
};

std::vector<Case> cases() {
    std::vector<Case> out;
    for (const Build& build : kBuilds) {
        for (EntryPointNames names :
             {EntryPointNames::Plain, EntryPointNames::Cxx, EntryPointNames::Either}) {
            out.push_back({build, names});
        }
    }
    return out;
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    static const char* const kNames[] = {"either", "plain", "cxx"};
    return std::string(info.param.build.name) + "_" + kNames[static_cast<int>(info.param.names)];
}

class DevkitEntryPoints : public ::testing::TestWithParam<Case> {};

TEST_P(DevkitEntryPoints, LoadRegistersTheNodeAndUnloadRemovesIt) {
    const Case& c = GetParam();
    auto plugin = host::LoadedPlugin::load(c.build.path, c.names);
    EXPECT_EQ(plugin->apiVersion(), c.build.apiVersion);
    const host::NodeType* type = host::findNodeType("sorvane");
    ASSERT_NE(type, nullptr) << "initializePlugin did not run";
    EXPECT_EQ(type->id, 0x82041u);
    EXPECT_EQ(type->classification, "shader/surface");
    {
        host::Node node("sorvane");
        EXPECT_TRUE(node.isMPSafe());
    }
    plugin->unload();
    EXPECT_EQ(host::findNodeType("sorvane"), nullptr) << "uninitializePlugin did not run";
}

INSTANTIATE_TEST_SUITE_P(Builds, DevkitEntryPoints, ::testing::ValuesIn(cases()), caseName);

#ifdef SORVANE_C_LINKAGE_PLUGIN
// A plug-in of the old kind exports its entry points under their plain names
// only: Maya on Linux, looking for the C++ names, does not find them.
TEST(DevkitEntryPoints, PlainNamesOnlyAreNotFoundUnderTheCxxNames) {
    EXPECT_NO_THROW(host::LoadedPlugin::load(SORVANE_C_LINKAGE_PLUGIN, EntryPointNames::Plain));
    try {
        host::LoadedPlugin::load(SORVANE_C_LINKAGE_PLUGIN, EntryPointNames::Cxx);
        FAIL() << "loaded without C++ entry points";
    } catch (const sorvane::HostError& error) {
        EXPECT_NE(std::string(error.what()).find("exports no initializePlugin under its C++ name"),
                  std::string::npos)
            << error.what();
    }
}
#endif

}  // namespace
