#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>

#include "tests/support/mentalrayTesting.h"

namespace sorvane::mrhost {
namespace {

using testing::declarationPath;
using testing::libraryPath;
using testing::scripted;
using testing::shadeOnce;
using testing::shippedDeclaration;
using testing::StderrCapture;

std::string hexHandle(const void* handle) {
    char text[32];
    std::snprintf(text, sizeof text, "%08" PRIxPTR, reinterpret_cast<std::uintptr_t>(handle));
    return text;
}

#ifdef _WIN32
constexpr int kNameNotFound = 127;  // GetLastError's ERROR_PROC_NOT_FOUND
constexpr const char* kNotALibrary = ": not a PE file";
#else
constexpr int kNameNotFound = 0;  // dlsym leaves errno alone
constexpr const char* kNotALibrary = ": not an ELF file";
#endif

std::string lookupFailure(const char* name, const void* handle) {
    return std::string("dlsym failed on \"") + name + "\" (handle: " + hexHandle(handle) +
           " error: " + std::to_string(kNameNotFound) + ")\n";
}

// Every renderer function gets used: a connected parameter, one light, irradiance.
void useEveryFunction(Scene& scene, ShaderInstance& instance) {
    const miTag light = scene.addLight(scripted({{{1.0f, 1.0f, 1.0f, 1.0f}, {0.0f, 0.0f, 1.0f}}}));
    scene.setIrradiance({0.5f, 0.5f, 0.5f, 1.0f});
    instance.setArray("lights", {light});
    instance.setBoolean("useIrradiance", true);
    instance.connectValues("diffuse", {0.5f});
}

TEST(Binding, TheVersionFunctionAgreesWithTheDeclaration) {
    const ShaderLibrary library(libraryPath(), shippedDeclaration());
    EXPECT_EQ(library.version(), 1);
    EXPECT_TRUE(library.warnings().empty());
    EXPECT_EQ(library.exports(),
              (std::vector<std::string>{"miSetModuleHandle", "qm7r_sorvane", "qm7r_sorvane_version"}));
}

TEST(Binding, AVersionMismatchRefusesTheLibrary) {
    // A declaration without a version counts as 0, and is named so.
    const struct {
        int version;
        bool versioned;
        const char* says;
    } cases[] = {{2, true, "says version 2"}, {0, false, "gives no version, which counts as 0"}};
    for (const auto& c : cases) {
        Declaration declaration = shippedDeclaration();
        declaration.version = c.version;
        declaration.versioned = c.versioned;
        try {
            ShaderLibrary library(libraryPath(), declaration);
            FAIL() << "loaded";
        } catch (const HostError& error) {
            EXPECT_THAT(error.what(),
                        ::testing::HasSubstr(std::string("qm7r_sorvane_version() returns 1, but the "
                                                         "declaration of \"qm7r_sorvane\" ") +
                                             c.says));
        }
    }
}

// The export table is read from the file before the loader sees it: a library
// cut short is refused by name, whichever format this platform uses.
TEST(Binding, ATruncatedLibraryIsRefusedBeforeLoading) {
    std::ifstream in(libraryPath(), std::ios::binary);
    const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(whole.size(), 1024u);
    const std::string cut =
        (std::filesystem::path(declarationPath()).parent_path() / "qm7r_sorvane_truncated").string();
    std::ofstream(cut, std::ios::binary).write(whole.data(), 1024);
    try {
        ShaderLibrary library(cut, shippedDeclaration());
        ADD_FAILURE() << "loaded";
    } catch (const HostError& error) {
        EXPECT_EQ(error.what(), cut + ": truncated or damaged shared library");
    }
    std::filesystem::remove(cut);
}

struct LoadFailure {
    std::string library;
    std::string message;
};

void PrintTo(const LoadFailure& c, std::ostream* os) { *os << c.message; }

class LoadFailures : public ::testing::TestWithParam<LoadFailure> {};

TEST_P(LoadFailures, RefuseTheLibraryAndSayWhy) {
    try {
        ShaderLibrary library(GetParam().library, shippedDeclaration());
        FAIL() << "loaded";
    } catch (const HostError& error) {
        EXPECT_THAT(error.what(), ::testing::HasSubstr(GetParam().message));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, LoadFailures,
    ::testing::Values(
        LoadFailure{"/nonexistent/qm7r_sorvane.so",
                    "cannot open the shader library /nonexistent/qm7r_sorvane.so: No such file or directory"},
        LoadFailure{declarationPath(), std::string(declarationPath()) + kNotALibrary},
        LoadFailure{RendererModule::get().path(),
                    RendererModule::get().path() + " has no shader entry \"qm7r_sorvane\""}));

TEST(Binding, BeforeAModuleHandleEachStubSaysSoAndStillLooksUp) {
    const BlockLayout layout(shippedDeclaration());
    const ShaderLibrary library(libraryPath(), layout.declaration());
    Scene scene;
    ShaderInstance instance(library, layout, scene);
    useEveryFunction(scene, instance);
    StderrCapture err;
    const miColor result = shadeOnce(instance);
    // The null handle goes to the lookup, which finds nothing in the
    // process's global scope: the renderer modules are loaded locally.
    const std::string once = "DYNLOAD: dl_handle null\n" + lookupFailure("mi_phen_eval", nullptr);
    EXPECT_EQ(err.take(), once + "DYNLOAD: dl_handle null\n" + lookupFailure("mi_sample_light", nullptr) +
                              "DYNLOAD: dl_handle null\n" + lookupFailure("mi_compute_irradiance", nullptr));
    EXPECT_EQ(scene.counters().sampleLight(), 0);
    EXPECT_EQ(result.a, 1.0f);
}

class BindingTest : public ::testing::Test {
protected:
    explicit BindingTest(const char* module = RendererModule::kStandard)
        : module_(RendererModule::get(module)), shader_(libraryPath(), declarationPath(), module_) {
        RendererModule::get(RendererModule::kStandard).resetLookups();
        RendererModule::get(RendererModule::kAlternate).resetLookups();
        module_.resetLookups();
        instance_ = shader_.instantiate(scene_);
        useEveryFunction(scene_, *instance_);
    }

    RendererModule& module_;
    LoadedShader shader_;
    Scene scene_;
    std::unique_ptr<ShaderInstance> instance_;
};

TEST_F(BindingTest, LooksEachFunctionUpOnceOnFirstUseAndNeverAgain) {
    StderrCapture err;
    const miColor first = shadeOnce(*instance_);
    for (const char* name : {"mi_phen_eval", "mi_sample_light", "mi_compute_irradiance"}) {
        EXPECT_EQ(module_.lookups(name), 1) << name;
    }
    for (int i = 0; i < 3; ++i) {
        const miColor again = shadeOnce(*instance_);
        EXPECT_EQ(std::memcmp(&again, &first, sizeof first), 0);
    }
    EXPECT_EQ(module_.totalLookups(), 3);
    EXPECT_EQ(err.take(), "");
    EXPECT_EQ(scene_.counters().computeIrradiance(), 4);
}

TEST_F(BindingTest, ASecondModuleHandleRebindsEveryStub) {
    RendererModule& alternate = RendererModule::get(RendererModule::kAlternate);
    const miColor before = shadeOnce(*instance_);
    shader_.library().setModuleHandle(alternate.handle());
    StderrCapture err;
    const miColor after = shadeOnce(*instance_);
    shadeOnce(*instance_);
    for (const char* name : {"mi_phen_eval", "mi_sample_light", "mi_compute_irradiance"}) {
        EXPECT_EQ(module_.lookups(name), 1) << name;
        EXPECT_EQ(alternate.lookups(name), 1) << name;
    }
    EXPECT_EQ(err.take(), "");
    EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0);
}

// A thousand rebindings across modules with and without the functions: after
// each, the stubs look their functions up in the module just handed over,
// never in an earlier one, and the shader answers as that module lets it.
TEST_F(BindingTest, RebindsToANewModuleAThousandTimesWithoutAStaleEntry) {
    struct Binding {
        RendererModule& module;
        long lookups;  // one per function the module has
        std::optional<miColor> result;
    };
    Binding bindings[] = {{RendererModule::get(RendererModule::kStandard), 3, {}},
                          {RendererModule::get(RendererModule::kBare), 0, {}},
                          {RendererModule::get(RendererModule::kAlternate), 3, {}},
                          {RendererModule::get(RendererModule::kWithoutIrradiance), 2, {}}};
    StderrCapture err;
    for (int round = 0; round < 1000; ++round) {
        Binding& binding = bindings[round % 4];
        for (const Binding& b : bindings) b.module.resetLookups();
        shader_.library().setModuleHandle(binding.module.handle());
        const miColor result = shadeOnce(*instance_);
        for (const Binding& other : bindings) {
            const long expected = &other.module == &binding.module ? binding.lookups : 0;
            ASSERT_EQ(other.module.totalLookups(), expected)
                << "round " << round << ": " << other.module.path() << " after binding "
                << binding.module.path();
        }
        if (!binding.result) binding.result = result;
        ASSERT_EQ(std::memcmp(&result, &*binding.result, sizeof result), 0)
            << "round " << round << ": " << result << " bound to " << binding.module.path() << ", first "
            << *binding.result;
    }
    // The modules differ in what the shader can reach: a bare one gives no light.
    EXPECT_NE(std::memcmp(&*bindings[0].result, &*bindings[1].result, sizeof(miColor)), 0);
    EXPECT_EQ(std::memcmp(&*bindings[0].result, &*bindings[2].result, sizeof(miColor)), 0);
}

class ModuleWithoutIrradiance : public BindingTest {
protected:
    ModuleWithoutIrradiance() : BindingTest(RendererModule::kWithoutIrradiance) {}
};

TEST_F(ModuleWithoutIrradiance, AFailedLookupIsReportedAndRepeatedOnEveryCall) {
    StderrCapture err;
    const miColor withMissing = shadeOnce(*instance_);
    shadeOnce(*instance_);
    const std::string failure = lookupFailure("mi_compute_irradiance", module_.handle());
    EXPECT_EQ(err.take(), failure + failure);
    EXPECT_EQ(module_.lookups("mi_compute_irradiance"), 0);  // the module has none to resolve
    EXPECT_EQ(module_.lookups("mi_sample_light"), 1);
    EXPECT_EQ(scene_.counters().computeIrradiance(), 0);
    // The stub gave black, which adds nothing.
    instance_->setBoolean("useIrradiance", false);
    const miColor without = shadeOnce(*instance_);
    EXPECT_EQ(std::memcmp(&withMissing, &without, sizeof without), 0);
}

class BareModule : public BindingTest {
protected:
    BareModule() : BindingTest(RendererModule::kBare) {}
};

TEST_F(BareModule, StubsWithoutTheirFunctionGiveValuesTheShaderCanUse) {
    instance_->setScalar("diffuse", 0.3f);  // the connected 0.5 cannot be fetched
    miColor result;
    {
        StderrCapture err;
        result = shadeOnce(*instance_);
        const void* h = module_.handle();
        EXPECT_EQ(err.take(), lookupFailure("mi_phen_eval", h) + lookupFailure("mi_sample_light", h) +
                                  lookupFailure("mi_compute_irradiance", h));
    }
    // No light sample and black irradiance: only ambient and incandescence.
    Scene plain;
    auto reference = shader_.instantiate(plain);
    reference->setScalar("diffuse", 0.3f);
    const miColor expected = shadeOnce(*reference);
    EXPECT_EQ(std::memcmp(&result, &expected, sizeof result), 0);
}

TEST_F(BindingTest, ThreadsRacingOnTheFirstCallsAllShadeAlike) {
    constexpr int kThreads = 8;
    constexpr int kSamples = 50;
    // A graph-driven parameter with per-thread storage, as a texture would have.
    instance_->connect("color", [](const miState& state) -> const void* {
        thread_local miColor value;
        value = {0.25f + state.point.x, 0.5f, 0.75f, 1.0f};
        return &value;
    });
    std::atomic<int> ready{0};
    std::vector<std::vector<miColor>> results(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            ready.fetch_add(1);
            while (ready.load() < kThreads) {
            }
            for (int i = 0; i < kSamples; ++i) {
                miState state = instance_->newState();
                state.point.x = 0.01f * static_cast<float>(i);
                miColor result{0, 0, 0, 0};
                instance_->shade(result, state);
                results[static_cast<std::size_t>(t)].push_back(result);
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int i = 0; i < kSamples; ++i) {
        miState state = instance_->newState();
        state.point.x = 0.01f * static_cast<float>(i);
        miColor expected{0, 0, 0, 0};
        instance_->shade(expected, state);
        for (int t = 0; t < kThreads; ++t) {
            const miColor& got = results[static_cast<std::size_t>(t)][static_cast<std::size_t>(i)];
            ASSERT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << "thread " << t << " sample " << i;
        }
    }
    for (const char* name : {"mi_phen_eval", "mi_sample_light", "mi_compute_irradiance"}) {
        EXPECT_GE(module_.lookups(name), 1) << name;
        EXPECT_LE(module_.lookups(name), kThreads) << name;
    }
    EXPECT_EQ(scene_.counters().lightSamples(), (kThreads + 1) * kSamples);
}

}  // namespace
}  // namespace sorvane::mrhost
