// Loading and unloading the plug-in: registration, the refresh command, the
// status reports of the light-data set-up, and the nodes it makes.
#define MNoVersionString  // only plug-ins define MApiVersion
#include <maya/MFnPlugin.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <optional>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/mayaTesting.h"
#include "tests/support/nodeTable.h"

namespace sorvane::testing {
namespace {

const std::string kRefresh =
    "if( `window -exists createRenderNodeWindow` )  {refreshCreateRenderNodeWindow(\"shader/surface\");}\n";

// The base of the loaded object that holds `address`, or null.
void* moduleOf(const void* address) {
#ifdef _WIN32
    HMODULE module = nullptr;
    const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    return address && GetModuleHandleExA(flags, static_cast<LPCSTR>(address), &module) ? module : nullptr;
#else
    Dl_info info{};
    return address && ::dladdr(address, &info) ? info.dli_fbase : nullptr;
#endif
}

// Where the plug-in is mapped now, or null when it is not, without loading it.
void* pluginBase() {
#ifdef _WIN32
    return GetModuleHandleA("sorvane.mll");
#else
    void* library = ::dlopen(SORVANE_MAYA_PLUGIN, RTLD_NOW | RTLD_NOLOAD);
    if (library == nullptr) return nullptr;
    void* base = moduleOf(::dlsym(library, "initializePlugin"));
    ::dlclose(library);
    return base;
#endif
}

class PluginLifecycle : public ::testing::Test {
protected:
    void TearDown() override {
        host::clearFaults();
        host::unregisterBuiltin("blocker");
    }
};

TEST_F(PluginLifecycle, LoadRegistersTheTypeAndRunsTheRefreshCommandAtLoadAndUnload) {
    host::clearCommandLog();
    auto plugin = loadSorvane();
    EXPECT_EQ(plugin->apiVersion(), "200900");
    EXPECT_EQ(plugin->version(), "1.0") << "the first MFnPlugin names the version, not the one at unload";
    EXPECT_EQ(plugin->loadReports(), "");
    const host::NodeType* type = host::findNodeType("sorvane");
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->id, 0x82041u);
    EXPECT_EQ(type->kind, MPxNode::kDependNode);
    EXPECT_EQ(type->classification, "shader/surface");
    EXPECT_EQ(plugin->loadCommands(), std::vector<std::string>{kRefresh});

    plugin->unload();
    EXPECT_EQ(host::findNodeType("sorvane"), nullptr) << "the type is gone before the command runs";
    EXPECT_EQ(plugin->unloadCommands(), std::vector<std::string>{kRefresh});
    EXPECT_EQ(host::commandLog(), (std::vector<std::string>{kRefresh, kRefresh}));
}

TEST_F(PluginLifecycle, LoadsAgainAfterUnloadingWithFreshAttributes) {
    for (int round = 0; round < 2; ++round) {
        auto plugin = loadSorvane();
        ASSERT_NE(host::findNodeType("sorvane"), nullptr) << "round " << round;
        EXPECT_EQ(host::findNodeType("sorvane")->attributes.size(), nodeAttributeCount());
        host::Node node("sorvane");
        EXPECT_EQ(node.getFloat("diffuse"), 0.8f);
    }
}

TEST_F(PluginLifecycle, NodesAreMPSafeBeforeTheirFirstCompute) {
    auto plugin = loadSorvane();
    host::Node node("sorvane");
    EXPECT_TRUE(node.isMPSafe());
    EXPECT_EQ(node.values().computeCount(), 0u);
    EXPECT_EQ(node.userNode().typeName(), "sorvane");
    EXPECT_EQ(node.userNode().typeId(), MTypeId(0x82041));
}

// A thousand load and unload cycles in one process. After each unload the
// type and every registration are gone and the library is no longer mapped;
// after each load the type's functions lie in the library just mapped, and a
// node computes what the first one did. LeakSanitizer watches the cycles.
TEST_F(PluginLifecycle, LoadsAndUnloadsAThousandTimesLeavingNothingBehind) {
    std::optional<MFloatVector> first;
    for (int round = 0; round < 1000; ++round) {
        auto plugin = loadSorvane();
        const host::NodeType* type = host::findNodeType("sorvane");
        ASSERT_NE(type, nullptr) << "round " << round;
        ASSERT_EQ(type->attributes.size(), nodeAttributeCount()) << "round " << round;
        ASSERT_EQ(host::nodeTypes().size(), 1u) << "round " << round;
        void* base = pluginBase();
        ASSERT_NE(base, nullptr) << "round " << round;
        ASSERT_EQ(moduleOf(reinterpret_cast<void*>(type->creator)), base) << "round " << round;
        ASSERT_EQ(moduleOf(reinterpret_cast<void*>(type->initialize)), base) << "round " << round;
        {
            host::Node node("sorvane");
            host::Evaluation& e = node.values();
            e.set(type->attribute("normalCamera"), MFloatVector(0.0f, 0.0f, 1.0f));
            e.setElementCount(type->attribute("lightDataArray"), 1);
            host::LightData light = e.elementDefault(type->attribute("lightDataArray"));
            light.direction = MFloatVector(0.0f, 0.6f, 0.8f);
            light.intensity = MFloatVector(1.0f, 1.0f, 1.0f);
            e.setLight(type->attribute("lightDataArray"), 0, light);
            const MFloatVector color = e.requestVector(type->attribute("outColor"));
            if (!first) first = color;
            ASSERT_EQ(color, *first) << "round " << round;
        }
        plugin->unload();
        ASSERT_EQ(host::findNodeType("sorvane"), nullptr) << "round " << round;
        ASSERT_TRUE(host::nodeTypes().empty()) << "round " << round;
        ASSERT_THROW(host::Node("sorvane"), sorvane::HostError) << "round " << round;
        ASSERT_EQ(pluginBase(), nullptr)
            << "round " << round << ": the plug-in stayed mapped after unloading";
    }
}

TEST_F(PluginLifecycle, UnloadRefusesWhileNodesOfItsTypeExist) {
    auto plugin = loadSorvane();
    {
        host::Node node("sorvane");
        EXPECT_THROW(plugin->unload(), sorvane::HostError);
        EXPECT_TRUE(plugin->loaded());
        EXPECT_EQ(node.getFloat("diffuse"), 0.8f) << "the node still works";
    }
    EXPECT_NO_THROW(plugin->unload());
}

// A type name or id already taken: registerNode fails, yet initializePlugin
// still runs the refresh command and reports success.
struct Taken {
    const char* name;
    unsigned id;
};

std::ostream& operator<<(std::ostream& os, const Taken& t) { return os << t.name << " " << t.id; }

class TakenRegistration : public PluginLifecycle, public ::testing::WithParamInterface<Taken> {};

void* makeNothing() { return nullptr; }
MStatus initializeNothing() { return MS::kSuccess; }

TEST_P(TakenRegistration, LoadStillSucceedsAndRunsTheCommand) {
    MObject blocker = host::builtinPlugin("blocker");
    MFnPlugin fn(blocker);
    ASSERT_EQ(fn.registerNode(GetParam().name, MTypeId(GetParam().id), makeNothing, initializeNothing),
              MS::kSuccess);

    auto plugin = loadSorvane();
    EXPECT_TRUE(plugin->loaded());
    EXPECT_TRUE(plugin->nodeTypes().empty());
    EXPECT_EQ(plugin->loadCommands(), std::vector<std::string>{kRefresh});
    plugin->unload();
    EXPECT_EQ(plugin->unloadCommands(), std::vector<std::string>{kRefresh});
    EXPECT_NE(host::findNodeType(GetParam().name), nullptr) << "the blocker keeps its type";
}

INSTANTIATE_TEST_SUITE_P(IdOrName, TakenRegistration,
                         ::testing::Values(Taken{"blocker", 0x82041}, Taken{"sorvane", 0x7f001}));

// A failing call in the light-data set-up prints one report per failing call,
// and initialize carries on to the end.
struct LightDataFault {
    const char* call;
    const char* attribute;
    std::size_t reports;
    std::size_t affects;  // the affects calls that found both attributes
};

std::ostream& operator<<(std::ostream& os, const LightDataFault& f) {
    return os << f.call << " on " << (*f.attribute ? f.attribute : "every attribute");
}

class LightDataFaults : public PluginLifecycle, public ::testing::WithParamInterface<LightDataFault> {};

TEST_P(LightDataFaults, ReportEachFailureAndFinishInitialize) {
    host::injectFault({GetParam().call, GetParam().attribute});
    auto plugin = loadSorvane();
    const std::string& reports = plugin->loadReports();

    const std::regex report(
        "\nAPI error detected in \\.\\\\sorvaneNode\\.cpp at line ([0-9]+)\n\\(k[A-Za-z]+\\): [^\n]+\n");
    std::size_t count = 0;
    std::string rest = reports;
    std::smatch match;
    long previousLine = 0;
    while (std::regex_search(rest, match, report)) {
        EXPECT_EQ(match.position(0), 0) << "nothing but reports: " << reports;
        const long line = std::stol(match[1]);
        EXPECT_GT(line, previousLine) << "each report names the line of its own call";
        previousLine = line;
        ++count;
        rest = match.suffix();
    }
    EXPECT_EQ(rest, "") << reports;
    EXPECT_EQ(count, GetParam().reports) << reports;

    const host::NodeType* type = host::findNodeType("sorvane");
    ASSERT_NE(type, nullptr) << "initialize returned success";
    EXPECT_EQ(type->affects.size(), GetParam().affects) << "every affects call still ran";
    EXPECT_EQ(plugin->loadCommands(), std::vector<std::string>{kRefresh});
}

INSTANTIATE_TEST_SUITE_P(
    Calls, LightDataFaults,
    ::testing::Values(LightDataFault{"MFnAttribute::setHidden", "lightAmbient", 1, affectsCount()},
                      LightDataFault{"MFnNumericAttribute::setDefault", "lightIntensity", 1, affectsCount()},
                      LightDataFault{"MFnLightDataAttribute::setDefault", "", 1, affectsCount()},
                      // Every storable call of the group: 14 children and the array. The
                      // groups above fail theirs too, unreported.
                      LightDataFault{"MFnAttribute::setStorable", "", 15, affectsCount()},
                      // A failed create leaves the function set on nothing: its setters
                      // fail too, and so does the light data made from it, whose two
                      // affects calls then find nothing.
                      LightDataFault{"MFnNumericAttribute::createAddr", "lightBlindData", 10,
                                     affectsCount() - 2}));

TEST_F(PluginLifecycle, ANodeOfAnotherPluginCannotBeMadeFromAnUnknownType) {
    EXPECT_THROW(host::Node("noSuchType"), sorvane::HostError);
}

TEST_F(PluginLifecycle, LoadFailuresNameWhatWasWrong) {
    try {
        host::LoadedPlugin::load("/nonexistent/sorvane.so");
        FAIL() << "loaded a missing file";
    } catch (const sorvane::HostError& error) {
        EXPECT_NE(std::string(error.what()).find("/nonexistent/sorvane.so"), std::string::npos)
            << error.what();
    }
    try {
        host::LoadedPlugin::load(SORVANE_NOT_A_PLUGIN);
        FAIL() << "loaded a library without MApiVersion";
    } catch (const sorvane::HostError& error) {
        EXPECT_NE(std::string(error.what()).find("MApiVersion"), std::string::npos) << error.what();
    }
    // Linked against OpenMaya like any plug-in, but without the export: the
    // lookup must not find an MApiVersion among its dependencies.
    try {
        host::LoadedPlugin::load(SORVANE_UNVERSIONED_PLUGIN);
        FAIL() << "loaded a plug-in without MApiVersion";
    } catch (const sorvane::HostError& error) {
        EXPECT_NE(std::string(error.what()).find("MApiVersion"), std::string::npos) << error.what();
    }
    auto plugin = loadSorvane();
    EXPECT_THROW(loadSorvane(), sorvane::HostError) << "a second load of the same plug-in";
}

}  // namespace
}  // namespace sorvane::testing
