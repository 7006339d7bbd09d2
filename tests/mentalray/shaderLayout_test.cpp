// shader.h against the renderer's own layout: a library built on it reads
// the state and the shader record where a real renderer writes them. Checked
// by the compiler in the 64-bit and the 32-bit trees.

#include <cstddef>
#include <cstring>

#include "mentalray/sorvaneParameters.h"
#include "tests/support/mentalrayTesting.h"

namespace {

static_assert(sizeof(miColor) == 16);
static_assert(sizeof(miVector) == 12);
static_assert(sizeof(miTag) == 4);
static_assert(sizeof(miBoolean) == 4);
static_assert(sizeof(miInteger) == 4);
static_assert(sizeof(miPointer) == 8);
static_assert(sizeof(miLock) == 8);

// The same on every size: pointers in the record are 8-byte unions.
static_assert(sizeof(miFunction) == 128);
static_assert(offsetof(miFunction, parameter_size) == 88);
static_assert(offsetof(miFunction, result_size) == 92);
static_assert(offsetof(miFunction, ghost_offs) == 96);
static_assert(offsetof(miFunction, parameters) == 120);

struct StateFigures {
    std::size_t size, dir, normal, point, pri, tex, shader, user;
};

constexpr StateFigures kState =
#if defined(_WIN64) || defined(__LP64__)
    {352, 108, 208, 196, 168, 296, 312, 336};
#elif defined(_WIN32)
    // A double is 8-aligned inside structs there, even at 32 bits.
    {280, 80, 180, 168, 144, 244, 256, 268};
#else
    // i386: a double is 4-aligned inside structs.
    {272, 80, 176, 164, 140, 240, 252, 264};
#endif

static_assert(sizeof(void*) == 4 || sizeof(void*) == 8);
static_assert(sizeof(miState) == kState.size);
static_assert(offsetof(miState, dir) == kState.dir);
static_assert(offsetof(miState, normal) == kState.normal);
static_assert(offsetof(miState, point) == kState.point);
static_assert(offsetof(miState, pri) == kState.pri);
static_assert(offsetof(miState, tex) == kState.tex);
static_assert(offsetof(miState, shader) == kState.shader);
static_assert(offsetof(miState, user) == kState.user);

}  // namespace

namespace sorvane::mrhost {
namespace {

using testing::declarationPath;
using testing::libraryPath;

class ShaderRecord : public ::testing::Test {
protected:
    ShaderRecord() : shader_(libraryPath(), declarationPath()), instance_(shader_.instantiate(scene_)) {}

    LoadedShader shader_;
    SceneDatabase scene_;
    std::unique_ptr<ShaderInstance> instance_;
};

// The shader gets the block at its record's `parameters`, and finds the ghost
// tags ghost_offs past it in the same allocation.
TEST_F(ShaderRecord, HoldsTheBlockAndTheGhostAreaAfterIt) {
    instance_->setArray("lights", {7, 8, 9});
    instance_->connectValues("diffuse", {0.5f});
    const miFunction* seen = nullptr;
    instance_->connect("depth", [&](const miState& state) -> const void* {
        seen = state.shader;
        return static_cast<const char*>(instance_->block()) + offsetof(SorvaneParameters, depth);
    });
    const miFunction& record = instance_->function();
    EXPECT_EQ(instance_->block(), static_cast<const void*>(record.parameters));
    EXPECT_EQ(record.parameter_size, static_cast<int>(sizeof(SorvaneParameters)));
    EXPECT_EQ(record.result_size, 16);
    ASSERT_EQ(record.ghost_offs, instance_->blockBytes());
    // Through the block's own pointer: the record declares `parameters` as
    // char[8] and lets it run on, which indexing past 8 may not say.
    const char* parameters = static_cast<const char*>(instance_->block());
    miTag ghost;
    std::memcpy(&ghost, parameters + offsetof(SorvaneParameters, depth) + record.ghost_offs, sizeof ghost);
    EXPECT_NE(ghost, miNULLTAG);
    std::memcpy(&ghost, parameters + offsetof(SorvaneParameters, lights) + record.ghost_offs, sizeof ghost);
    EXPECT_EQ(ghost, miNULLTAG);

    testing::shadeOnce(*instance_);
    EXPECT_EQ(seen, &record);
    EXPECT_EQ(scene_.counters().phenEval(), 2);
}

// The gather gets the whole state, copied by value: its last fields too.
TEST_F(ShaderRecord, TheIrradianceStateIsACompleteCopy) {
    instance_->setBoolean("useIrradiance", true);
    int userData = 0;
    miState gathered{};
    scene_.setIrradianceProvider([&](const miState& state, miColor& out) {
        gathered = state;
        out = {0, 0, 0, 0};
    });
    miState state = instance_->newState();
    state.tex = {0.25f, 0.5f, 0.75f};
    state.thread = 3;
    state.count = 11;
    state.user = &userData;
    state.user_size = static_cast<int>(sizeof userData);
    state.dist = 2.5;
    miColor result{};
    instance_->shade(result, state);
    ASSERT_EQ(scene_.counters().computeIrradiance(), 1);
    EXPECT_EQ(gathered.shader, &instance_->function());
    EXPECT_EQ(gathered.tex.z, 0.75f);
    EXPECT_EQ(gathered.thread, 3);
    EXPECT_EQ(gathered.count, 11);
    EXPECT_EQ(gathered.user, &userData);
    EXPECT_EQ(gathered.user_size, static_cast<int>(sizeof userData));
    EXPECT_EQ(gathered.dist, 2.5);
    EXPECT_EQ(gathered.version, 2);
}

}  // namespace
}  // namespace sorvane::mrhost
