// The host's own behaviour as Maya documents it, on a small node type made
// here: flags and defaults of new attributes, registration, array handles.
#include <maya/MArrayDataHandle.h>
#include <maya/MFnLightDataAttribute.h>
#include <maya/MFnNumericAttribute.h>
#define MNoVersionString  // only plug-ins define MApiVersion
#include <maya/MFnPlugin.h>

#include <gtest/gtest.h>

#include "host/maya/mayaHost.h"

namespace {

namespace host = sorvane::mayahost;

struct Probe : public MPxNode {
    static MObject level, tintR, tintG, tintB, tint, flag, pointer, lightX, lightY, lightZ, lightR, lightG,
        lightB, lightDir, lightColor, lights, out;
    static MStatus addStatus, duplicateStatus;
    static unsigned elementsSeen;

    static void* creator() { return new Probe; }
    static MStatus initialize() {
        MFnNumericAttribute n;
        MFnLightDataAttribute l;
        level = n.create("level", "lv", MFnNumericData::kFloat, 0.5);
        tintR = n.create("tintR", "tr", MFnNumericData::kFloat, 0.1);
        tintG = n.create("tintG", "tg", MFnNumericData::kFloat, 0.2);
        tintB = n.create("tintB", "tb", MFnNumericData::kFloat, 0.3);
        tint = n.create("tint", "t", tintR, tintG, tintB);
        n.setKeyable(true);
        n.setHidden(true);
        n.setUsedAsColor(true);
        flag = n.create("flag", "f", MFnNumericData::kBoolean, 1.0);
        pointer = n.createAddr("pointer", "ptr");
        lightX = n.create("lightX", "lx", MFnNumericData::kFloat, 1.0);
        lightY = n.create("lightY", "ly", MFnNumericData::kFloat, 1.0);
        lightZ = n.create("lightZ", "lz", MFnNumericData::kFloat, 1.0);
        lightDir = n.create("lightDir", "ldr", lightX, lightY, lightZ);
        lightR = n.create("lightR", "lr", MFnNumericData::kFloat, 1.0);
        lightG = n.create("lightG", "lg", MFnNumericData::kFloat, 1.0);
        lightB = n.create("lightB", "lb", MFnNumericData::kFloat, 1.0);
        lightColor = n.create("lightColor", "lc", lightR, lightG, lightB);
        MObject amb = n.create("amb", "am", MFnNumericData::kBoolean, 1.0);
        MObject dif = n.create("dif", "df", MFnNumericData::kBoolean, 1.0);
        MObject spe = n.create("spe", "sp", MFnNumericData::kBoolean, 0.0);
        MObject sha = n.create("sha", "sh", MFnNumericData::kFloat, 1.0);
        MObject pre = n.create("pre", "pr", MFnNumericData::kFloat, 1.0);
        MObject bli = n.createAddr("bli", "bl");
        lights = l.create("lights", "ls", lightDir, lightColor, amb, dif, spe, sha, pre, bli);
        l.setArray(true);
        l.setHidden(true);
        MObject outR = n.create("outR", "or", MFnNumericData::kFloat, 0.0);
        MObject outG = n.create("outG", "og", MFnNumericData::kFloat, 0.0);
        MObject outB = n.create("outB", "ob", MFnNumericData::kFloat, 0.0);
        out = n.create("out", "o", outR, outG, outB);
        n.setWritable(false);

        addAttribute(level);
        addAttribute(tint);
        addAttribute(flag);
        addAttribute(pointer);
        addAttribute(lights);
        addAttribute(out);
        duplicateStatus = addAttribute(tintR);
        attributeAffects(level, out);
        attributeAffects(lights, out);
        return MS::kSuccess;
    }
    // Counts the light elements through next(), as a shader's loop does.
    MStatus compute(const MPlug& plug, MDataBlock& block) override {
        if (!(plug == out)) return MS::kUnknownParameter;
        MArrayDataHandle array = block.inputArrayValue(lights);
        elementsSeen = 0;
        if (array.elementCount() > 0) {
            do {
                ++elementsSeen;
            } while (array.next());
        }
        MDataHandle h = block.outputValue(out);
        h.asFloatVector() = MFloatVector(block.inputValue(level).asFloat(), 0, 0);
        h.setClean();
        return MS::kSuccess;
    }
};

MObject Probe::level, Probe::tintR, Probe::tintG, Probe::tintB, Probe::tint, Probe::flag, Probe::pointer,
    Probe::lightX, Probe::lightY, Probe::lightZ, Probe::lightR, Probe::lightG, Probe::lightB, Probe::lightDir,
    Probe::lightColor, Probe::lights, Probe::out;
MStatus Probe::addStatus, Probe::duplicateStatus;
unsigned Probe::elementsSeen = 0;

class Host : public ::testing::Test {
protected:
    void SetUp() override {
        MObject plugin = host::builtinPlugin("probe");
        MFnPlugin fn(plugin, "test", "2");
        ASSERT_EQ(fn.registerNode("probe", MTypeId(0x7f100), Probe::creator, Probe::initialize),
                  MS::kSuccess);
        type_ = host::findNodeType("probe");
    }
    void TearDown() override {
        host::clearFaults();
        host::unregisterBuiltin("probe");
    }
    const host::Attribute& attr(const char* name) const { return type_->attribute(name); }
    const host::NodeType* type_ = nullptr;
};

TEST(MayaValues, EnumsHaveMayasValues) {
    EXPECT_EQ(MStatus::kSuccess, 0);
    EXPECT_EQ(MStatus::kUnknownParameter, 5);
    EXPECT_EQ(MStatus::kEndOfFile, 8);
    EXPECT_EQ(MFnNumericData::kBoolean, 1);
    EXPECT_EQ(MFnNumericData::kFloat, 10);
    EXPECT_EQ(MFnNumericData::kAddr, 17);
    EXPECT_EQ(MPxNode::kDependNode, 0);
}

TEST(MayaValues, StatusComparesByCodeAndPrintsItsError) {
    EXPECT_TRUE(MStatus() == MS::kSuccess);
    EXPECT_FALSE(MStatus(MS::kFailure));
    EXPECT_TRUE(MS::kFailure == MStatus(MS::kFailure));
    // What reaches the stream: Foundation's std::cerr need not be ours (a
    // Windows DLL may carry its own copy of the C++ library).
    ::testing::internal::CaptureStderr();
    MStatus(MS::kInvalidParameter).perror("");
    MStatus(MS::kFailure).perror("context");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "(kInvalidParameter): an argument was not valid\ncontext: (kFailure): the operation failed\n");
}

TEST(MayaValues, FloatVectorNormalizeLeavesATinyVectorAlone) {
    MFloatVector tiny(1e-11f, 0.0f, 0.0f);
    tiny.normalize();
    EXPECT_EQ(tiny, MFloatVector(1e-11f, 0.0f, 0.0f));
    EXPECT_EQ(MFloatVector(3, 0, 4).normal(), MFloatVector(0.6f, 0.0f, 0.8f));
    EXPECT_EQ(MFloatVector(1, 2, 3) * MFloatVector(4, 5, 6), 32.0f);
    EXPECT_EQ(MFloatVector(1, 2, 3)[7], 3.0f) << "any index past y is z";
}

TEST_F(Host, NewAttributesHaveMayasFlagsAndCompoundFlagsReachTheChildren) {
    const host::Attribute& level = attr("level");
    EXPECT_TRUE(level.readable && level.writable && level.storable && level.connectable);
    EXPECT_FALSE(level.keyable || level.hidden || level.array || level.usedAsColor);
    for (const char* child : {"tintR", "tintG", "tintB"}) {
        EXPECT_TRUE(attr(child).keyable) << child;
        EXPECT_TRUE(attr(child).hidden) << child;
        EXPECT_FALSE(attr(child).usedAsColor) << "usedAsColor is the compound's alone";
    }
    EXPECT_TRUE(attr("tint").usedAsColor);
    EXPECT_EQ(attr("tint").defaultVector(), MFloatVector(0.1f, 0.2f, 0.3f));
    EXPECT_TRUE(attr("lights").array);
    EXPECT_FALSE(attr("lightDir").array) << "a light data attribute keeps its flags to itself";
    EXPECT_FALSE(attr("lightDir").hidden);
    EXPECT_FALSE(attr("outR").writable);
}

TEST_F(Host, RegistrationRefusesTakenNamesAndIdsAndCallsOutsideInitialize) {
    MObject plugin = host::builtinPlugin("probe");
    MFnPlugin fn(plugin);
    EXPECT_EQ(fn.registerNode("probe", MTypeId(0x7f101), Probe::creator, Probe::initialize), MS::kFailure);
    EXPECT_EQ(fn.registerNode("probe2", MTypeId(0x7f100), Probe::creator, Probe::initialize), MS::kFailure);
    EXPECT_EQ(Probe::duplicateStatus, MS::kFailure) << "a child added twice";
    EXPECT_EQ(MPxNode::addAttribute(Probe::level), MS::kFailure);
    EXPECT_EQ(MPxNode::attributeAffects(Probe::level, Probe::out), MS::kFailure);
    EXPECT_EQ(type_->affects.size(), 2u);
}

TEST_F(Host, NextFailsAfterTheLastElement) {
    host::Node node("probe");
    host::Evaluation e(node);
    for (unsigned count : {0u, 1u, 3u}) {
        e.setElementCount(attr("lights"), count);
        e.requestVector(attr("out"));
        EXPECT_EQ(Probe::elementsSeen, count);
    }
}

TEST_F(Host, SettingAnInputDirtiesWhatItAffectsOnly) {
    host::Node node("probe");
    host::Evaluation e(node);
    EXPECT_TRUE(e.isDirty(attr("out")));
    EXPECT_EQ(e.requestVector(attr("out")), MFloatVector(0.5f, 0, 0));
    EXPECT_FALSE(e.isDirty(attr("out")));
    e.set(attr("tint"), MFloatVector(1, 1, 1));
    EXPECT_FALSE(e.isDirty(attr("out"))) << "tint affects nothing";
    e.set(attr("level"), 0.25f);
    EXPECT_TRUE(e.isDirty(attr("outG")));
    EXPECT_EQ(e.requestVector(attr("out")), MFloatVector(0.25f, 0, 0));
}

TEST_F(Host, BadRequestsAreRefusedWithTheAttributeNamed) {
    host::Node node("probe");
    host::Evaluation e(node);
    const auto message = [](auto&& call) {
        try {
            call();
        } catch (const host::Error& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([&] { node.set("nothing", 1.0f); }), "node type probe has no attribute \"nothing\"");
    EXPECT_EQ(message([&] { node.set("out", MFloatVector()); }), "\"out\" is not writable");
    EXPECT_EQ(message([&] { node.set("tint", 1.0f); }), "\"tint\" is a compound, not a float");
    EXPECT_EQ(message([&] { e.set(attr("lightDir"), MFloatVector()); }),
              "\"lightDir\" belongs to the elements of \"lights\"; set it per element");
    EXPECT_EQ(message([&] { e.setLight(attr("lights"), 2, host::LightData()); }),
              "\"lights\" has 0 elements, not element 2");
    EXPECT_EQ(message([&] {
                  host::injectFault({"MFnAttribute::setNothing", ""});
              }),
              "cannot inject a fault into \"MFnAttribute::setNothing\": not a call this host can fail");
}

TEST_F(Host, AFaultNarrowedToOneAttributeSparesTheOthers) {
    host::unregisterBuiltin("probe");
    host::injectFault({"MFnAttribute::setKeyable", "tint"});
    MObject plugin = host::builtinPlugin("probe");
    MFnPlugin fn(plugin);
    ASSERT_EQ(fn.registerNode("probe", MTypeId(0x7f100), Probe::creator, Probe::initialize), MS::kSuccess);
    EXPECT_FALSE(host::findNodeType("probe")->attribute("tintR").keyable);
    host::clearFaults();
    MFnNumericAttribute n;
    const MObject loose = n.create("loose", "lo", MFnNumericData::kFloat, 0.0);
    EXPECT_FALSE(loose.isNull());
    EXPECT_EQ(n.setKeyable(true), MS::kSuccess);
}

}  // namespace
