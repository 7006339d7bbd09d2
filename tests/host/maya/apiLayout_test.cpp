// The API objects have Maya's sizes, alignments, byte orders, virtual slots
// and exported members, so that a plug-in built against Maya's own headers
// runs in this host; and the host keeps its state inside those footprints
// whatever the plug-in does with the bytes.
#include <maya/MArrayDataHandle.h>
#include <maya/MDataBlock.h>
#include <maya/MDataHandle.h>
#include <maya/MFloatVector.h>
#include <maya/MFnLightDataAttribute.h>
#include <maya/MFnNumericAttribute.h>
#include <maya/MObject.h>
#include <maya/MPlug.h>
#include <maya/MPxNode.h>
#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MTypeId.h>
#define MNoVersionString  // only plug-ins define MApiVersion
#include <maya/MFnPlugin.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <thread>
#include <type_traits>
#include <vector>

#if defined(__unix__)
#include <dlfcn.h>
#endif

#include "host/maya/mayaHost.h"

namespace {

namespace host = sorvane::mayahost;

// Maya ships its plug-ins 64-bit only; these are its figures there.
#if UINTPTR_MAX > 0xffffffffu
static_assert(sizeof(void*) == 8);

template <typename T, std::size_t Size, std::size_t Align>
constexpr bool hasFootprint() {
    static_assert(sizeof(T) == Size, "size differs from Maya's");
    static_assert(alignof(T) == Align, "alignment differs from Maya's");
    return true;
}
static_assert(hasFootprint<MObject, 16, 8>());
static_assert(hasFootprint<MStatus, 3, 1>());
static_assert(hasFootprint<MString, 16, 8>());
static_assert(hasFootprint<MTypeId, 4, 4>());
static_assert(hasFootprint<MPlug, 16, 8>());
static_assert(hasFootprint<MDataBlock, 16, 8>());
static_assert(hasFootprint<MDataHandle, 32, 1>());
static_assert(hasFootprint<MArrayDataHandle, 41, 1>());
static_assert(hasFootprint<MFloatVector, 12, 4>());
static_assert(hasFootprint<MFnNumericAttribute, 56, 8>());
static_assert(hasFootprint<MFnLightDataAttribute, 56, 8>());
static_assert(hasFootprint<MFnPlugin, 32, 8>());
static_assert(hasFootprint<MPxNode, 16, 8>());
#endif

// Passed and returned through memory, as Maya's own are: each has a copy
// constructor or destructor of its own there.
static_assert(!std::is_trivially_copyable_v<MStatus>);
static_assert(!std::is_trivially_copyable_v<MObject>);
static_assert(!std::is_trivially_copyable_v<MString>);
static_assert(!std::is_trivially_copyable_v<MTypeId>);
// Copied byte for byte by the plug-in.
static_assert(std::is_trivially_copyable_v<MDataHandle>);
static_assert(std::is_trivially_copyable_v<MArrayDataHandle>);
static_assert(std::is_trivially_copyable_v<MFloatVector>);
static_assert(offsetof(MFloatVector, x) == 0 && offsetof(MFloatVector, y) == 4 &&
              offsetof(MFloatVector, z) == 8);

// --- Bytes that Maya's inline members read ----------------------------------

struct StatusBytes {
    const char* what;
    MStatus status;
    unsigned char code, internalCode, success;
};

MStatus withSet(bool status, unsigned char code, unsigned char internalCode) {
    MStatus s;
    s.set(status, code, internalCode);
    return s;
}

MStatus copyOf(const MStatus& status) { return MStatus(status); }

TEST(ApiLayout, StatusBytesAreCodeInternalCodeAndSuccessFlag) {
    const StatusBytes cases[] = {
        {"default", MStatus(), 0, 0xff, 1},
        {"success", MStatus(MS::kSuccess), 0, 0xff, 1},
        {"failure", MStatus(MS::kFailure), 1, 0xff, 0},
        {"unknown parameter", MStatus(MS::kUnknownParameter), 5, 0xff, 0},
        {"set", withSet(false, 7, 42), 7, 42, 0},
        {"copied", copyOf(withSet(false, 8, 3)), 8, 3, 0},
    };
    for (const StatusBytes& c : cases) {
        unsigned char bytes[3];
        std::memcpy(bytes, &c.status, sizeof bytes);
        EXPECT_EQ(bytes[0], c.code) << c.what;
        EXPECT_EQ(bytes[1], c.internalCode) << c.what;
        EXPECT_EQ(bytes[2], c.success) << c.what;
    }
}

// --- The virtual table of MPxNode -------------------------------------------

#if defined(__GNUC__)
// Itanium C++ ABI: a pointer to a virtual member holds 1 + its byte offset in
// the table. The destructor takes slots 0 and 1 (complete, deleting).
template <typename F>
std::ptrdiff_t slotOf(F member) {
    static_assert(sizeof member == 2 * sizeof(std::ptrdiff_t));
    std::ptrdiff_t words[2];
    std::memcpy(words, &member, sizeof words);
    return (words[0] - 1) / static_cast<std::ptrdiff_t>(sizeof(void*));
}

TEST(ApiLayout, MPxNodeVirtualsKeepMayasSlots) {
    const std::pair<const char*, std::ptrdiff_t> slots[] = {
        {"postConstructor", slotOf(&MPxNode::postConstructor)},
        {"compute", slotOf(&MPxNode::compute)},
        {"getInternalValueInContext", slotOf(&MPxNode::getInternalValueInContext)},
        {"setInternalValueInContext", slotOf(&MPxNode::setInternalValueInContext)},
        {"getInternalValue", slotOf(&MPxNode::getInternalValue)},
        {"setInternalValue", slotOf(&MPxNode::setInternalValue)},
        {"internalArrayCount", slotOf(&MPxNode::internalArrayCount)},
        {"copyInternalData", slotOf(&MPxNode::copyInternalData)},
        {"legalConnection", slotOf(&MPxNode::legalConnection)},
        {"legalDisconnection", slotOf(&MPxNode::legalDisconnection)},
        {"setDependentsDirty", slotOf(&MPxNode::setDependentsDirty)},
        {"connectionMade", slotOf(&MPxNode::connectionMade)},
        {"connectionBroken", slotOf(&MPxNode::connectionBroken)},
        {"isPassiveOutput", slotOf(&MPxNode::isPassiveOutput)},
        {"shouldSave", slotOf(&MPxNode::shouldSave)},
        {"passThroughToOne", slotOf(&MPxNode::passThroughToOne)},
        {"passThroughToMany", slotOf(&MPxNode::passThroughToMany)},
        {"type", slotOf(&MPxNode::type)},
        {"isAbstractClass", slotOf(&MPxNode::isAbstractClass)},
    };
    std::ptrdiff_t expected = 2;
    for (const auto& [name, slot] : slots) EXPECT_EQ(slot, expected++) << name;
}
#endif

// The table pointer, then the host's pointer, which a node class reaches.
struct InstanceProbe : MPxNode {
    std::ptrdiff_t instanceOffset() const {
        return reinterpret_cast<const char*>(&instance) - reinterpret_cast<const char*>(this);
    }
};

TEST(ApiLayout, MPxNodeKeepsItsInstancePointerAfterTheTablePointer) {
    InstanceProbe probe;
    EXPECT_EQ(probe.instanceOffset(), static_cast<std::ptrdiff_t>(sizeof(void*)));
}

// --- Members that Maya's headers declare out of line ------------------------

// The names of the API without a release namespace; a host built from
// 2018-and-later headers has them inside Autodesk::Maya::OpenMaya<release>.
#if defined(__unix__) && MAYA_API_VERSION < 20180000
TEST(ApiLayout, OutOfLineMembersAreExportedByTheHostLibraries) {
    const char* const symbols[] = {
        "_ZN7MObjectC1Ev",                  // MObject::MObject()
        "_ZN7MObjectD1Ev",                  // MObject::~MObject()
        "_ZN7MObjectaSERKS_",               // MObject::operator=(const MObject&)
        "_ZN7MObject8kNullObjE",            // MObject::kNullObj
        "_ZN7MStringC1Ev",                  // MString::MString()
        "_ZN7MStringC1EPKc",                // MString::MString(const char*)
        "_ZN7MStringC1ERKS_",               // MString::MString(const MString&)
        "_ZN7MStringD1Ev",                  // MString::~MString()
        "_ZN7MStringaSERKS_",               // MString::operator=(const MString&)
        "_ZNK7MStringeqERKS_",              // MString::operator==(const MString&) const
        "_ZN7MTypeIdC1Ej",                  // MTypeId::MTypeId(unsigned int)
        "_ZN7MTypeIdD1Ev",                  // MTypeId::~MTypeId()
        "_ZN7MFnBaseC1Ev",                  // MFnBase::MFnBase()
        "_ZN7MFnBaseC2Ev",                  // ... as a derived set's inline constructor calls it
        "_ZN7MStatusC1ENS_11MStatusCodeE",  // MStatus::MStatus(MStatusCode)
    };
    for (const char* symbol : symbols) {
        EXPECT_NE(dlsym(RTLD_DEFAULT, symbol), nullptr) << symbol;
    }
}
#endif

// --- MString ----------------------------------------------------------------

TEST(ApiLayout, StringsAreValuesWhateverAliasesThem) {
    MString s("abc");
    s = s;
    EXPECT_EQ(s, "abc") << "self-assignment";
    s += s;
    EXPECT_EQ(s, "abcabc") << "appended to itself";
    s = s.asChar() + 3;
    EXPECT_EQ(s, "abc") << "assigned from its own text";
    MString copy(s);
    copy += "d";
    EXPECT_EQ(s, "abc") << "a copy has text of its own";
    EXPECT_EQ(MString("x\0y", 3).length(), 3u) << "a counted text keeps its NULs";
    EXPECT_NE(MString("x\0y", 3), MString("x"));
    EXPECT_EQ(MString(nullptr), MString());
    EXPECT_EQ(MString("abc", -1), "") << "a negative length gives the empty string";
    EXPECT_STREQ(MString().asChar(), "");
    MString emptied("text");
    emptied = "";
    EXPECT_EQ(emptied.length(), 0u);
    EXPECT_EQ(MString("n=") + MString() + "1", "n=1");
}

TEST(ApiLayout, StringCopiesOnManyThreadsShareNothing) {
    const MString shared("light");
    std::vector<std::thread> threads;
    std::vector<int> matches(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                MString mine(shared);
                mine += t;
                MString other;
                other = mine;
                matches[static_cast<std::size_t>(t)] += other == mine && !(shared == mine);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    for (int m : matches) EXPECT_EQ(m, 2000);
    EXPECT_EQ(shared, "light");
}

// --- Handles the plug-in moves as bytes -------------------------------------

// A node whose compute copies its handles byte by byte to odd addresses, as a
// plug-in built against Maya's headers may, and reads through the copies.
struct BytewiseNode : MPxNode {
    static MObject level, intensity, lights, out, outR, outG, outB;
    static bool parentIsOut;

    static void* creator() { return new BytewiseNode; }

    // The function sets live in memory full of stale bytes: a constructor
    // inlined into a plug-in need not clear anything past MFnBase.
    static MStatus initialize() {
        alignas(MFnNumericAttribute) unsigned char nBytes[sizeof(MFnNumericAttribute)];
        alignas(MFnLightDataAttribute) unsigned char lBytes[sizeof(MFnLightDataAttribute)];
        std::memset(nBytes, 0xff, sizeof nBytes);
        std::memset(lBytes, 0xff, sizeof lBytes);
        auto& n = *new (nBytes) MFnNumericAttribute;
        auto& l = *new (lBytes) MFnLightDataAttribute;

        level = n.create("level", "lv", MFnNumericData::kFloat, 0.5);
        MObject dx = n.create("dx", "dx", MFnNumericData::kFloat, 0.0);
        MObject dy = n.create("dy", "dy", MFnNumericData::kFloat, 0.0);
        MObject dz = n.create("dz", "dz", MFnNumericData::kFloat, 0.0);
        MObject direction = n.create("dir", "d", dx, dy, dz);
        MObject ir = n.create("ir", "ir", MFnNumericData::kFloat, 0.0);
        MObject ig = n.create("ig", "ig", MFnNumericData::kFloat, 0.0);
        MObject ib = n.create("ib", "ib", MFnNumericData::kFloat, 0.0);
        intensity = n.create("int", "i", ir, ig, ib);
        MObject ambient = n.create("amb", "am", MFnNumericData::kBoolean, 1.0);
        MObject diffuse = n.create("dif", "df", MFnNumericData::kBoolean, 1.0);
        MObject specular = n.create("spe", "sp", MFnNumericData::kBoolean, 0.0);
        MObject shadow = n.create("sha", "sh", MFnNumericData::kFloat, 1.0);
        MObject pre = n.create("pre", "pr", MFnNumericData::kFloat, 1.0);
        MObject blind = n.createAddr("bli", "bl");
        lights =
            l.create("lights", "ls", direction, intensity, ambient, diffuse, specular, shadow, pre, blind);
        l.setArray(true);
        l.setKeyable(true);  // the light data keeps this to itself
        outR = n.create("outR", "or", MFnNumericData::kFloat, 0.0);
        outG = n.create("outG", "og", MFnNumericData::kFloat, 0.0);
        outB = n.create("outB", "ob", MFnNumericData::kFloat, 0.0);
        out = n.create("out", "o", outR, outG, outB);
        n.setWritable(false);  // reaches the children
        l.~MFnLightDataAttribute();
        n.~MFnNumericAttribute();

        addAttribute(level);
        addAttribute(lights);
        addAttribute(out);
        attributeAffects(level, out);
        attributeAffects(lights, out);
        return MS::kSuccess;
    }

    template <typename T>
    static T* misplaced(unsigned char (&buffer)[sizeof(T) + 1], const T& value) {
        std::memcpy(buffer + 1, &value, sizeof value);
        return reinterpret_cast<T*>(buffer + 1);
    }

    MStatus compute(const MPlug& plug, MDataBlock& block) override {
        if (!(plug == outR) && !(plug == out)) return MS::kUnknownParameter;
        parentIsOut = plug == outR && plug.parent() == out && !(plug == out);
        unsigned char levelBytes[sizeof(MDataHandle) + 1];
        const float value = misplaced(levelBytes, block.inputValue(level))->asFloat();

        unsigned char arrayBytes[sizeof(MArrayDataHandle) + 1];
        MArrayDataHandle* array = misplaced(arrayBytes, block.inputArrayValue(lights));
        float sum = 0.0f;
        for (unsigned i = 0; i < array->elementCount(); ++i) {
            unsigned char elementBytes[sizeof(MDataHandle) + 1];
            MDataHandle* element = misplaced(elementBytes, array->inputValue());
            sum += element->child(intensity).asFloatVector().x;
            if (!array->next()) break;
        }
        unsigned char outBytes[sizeof(MDataHandle) + 1];
        MDataHandle* result = misplaced(outBytes, block.outputValue(out));
        result->set3Float(value, static_cast<float>(array->elementCount()), sum);
        result->setClean();
        return MS::kSuccess;
    }
};

MObject BytewiseNode::level, BytewiseNode::intensity, BytewiseNode::lights, BytewiseNode::out,
    BytewiseNode::outR, BytewiseNode::outG, BytewiseNode::outB;
bool BytewiseNode::parentIsOut = false;

class Bytewise : public ::testing::Test {
protected:
    void SetUp() override {
        MObject plugin = host::builtinPlugin("bytewise");
        MFnPlugin fn(plugin, "test", "1");
        ASSERT_EQ(
            fn.registerNode("bytewise", MTypeId(0x7f200), BytewiseNode::creator, BytewiseNode::initialize),
            MS::kSuccess);
        type_ = host::findNodeType("bytewise");
        ASSERT_NE(type_, nullptr);
    }
    void TearDown() override { host::unregisterBuiltin("bytewise"); }
    const host::NodeType* type_ = nullptr;
};

TEST_F(Bytewise, FlagsReachChildrenByTheFunctionSetsClassNotByStaleBytes) {
    EXPECT_TRUE(type_->attribute("lights").keyable);
    for (const char* child : {"dir", "int", "amb", "sha", "bli"}) {
        EXPECT_FALSE(type_->attribute(child).keyable) << child;
    }
    for (const char* child : {"outR", "outG", "outB"}) {
        EXPECT_FALSE(type_->attribute(child).writable) << child;
    }
}

TEST_F(Bytewise, HandlesCopiedAsBytesToOddAddressesStillReachTheBlock) {
    host::Node node("bytewise");
    host::Evaluation e(node);
    const host::Attribute& lights = type_->attribute("lights");
    e.set(type_->attribute("level"), 0.25f);
    e.setElementCount(lights, 3);
    for (unsigned i = 0; i < 3; ++i) {
        host::LightData light = e.elementDefault(lights);
        light.intensity = MFloatVector(static_cast<float>(i + 1), 0, 0);
        e.setLight(lights, i, light);
    }
    EXPECT_EQ(e.requestVector(type_->attribute("out")), MFloatVector(0.25f, 3.0f, 6.0f));
    EXPECT_FALSE(e.isDirty(type_->attribute("out")));
    EXPECT_EQ(e.compute(type_->attribute("outR")), MS::kSuccess);
    EXPECT_TRUE(BytewiseNode::parentIsOut) << "a child's plug is its own attribute's, and its parent is out";
}

}  // namespace
