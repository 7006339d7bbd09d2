#include "sorvaneNode.h"

#include <cstddef>
#include <iostream>

#include <maya/MArrayDataHandle.h>
#include <maya/MDataHandle.h>
#include <maya/MFloatVector.h>
#include <maya/MFnLightDataAttribute.h>
#include <maya/MFnNumericAttribute.h>
#include <maya/MFnNumericData.h>
#include <maya/MString.h>

#include "shadingEvaluation.h"

namespace sorvane::mayaplugin {

// 0x82041 = 532545, in the range for local plug-ins.
MTypeId SorvaneNode::id(0x82041);

// One null handle per attribute and channel until initialize assigns it.
#define SORVANE_NODE_COLOR(name, ...) \
    MObject SorvaneNode::name##R, SorvaneNode::name##G, SorvaneNode::name##B, SorvaneNode::name;
#define SORVANE_NODE_SCALAR(name, ...) MObject SorvaneNode::name;
#define SORVANE_NODE_VECTOR(name, ...) \
    MObject SorvaneNode::name##X, SorvaneNode::name##Y, SorvaneNode::name##Z, SorvaneNode::name;
SORVANE_NODE_ATTRIBUTES
#undef SORVANE_NODE_COLOR
#undef SORVANE_NODE_SCALAR
#undef SORVANE_NODE_VECTOR
MObject SorvaneNode::lightDirectionX, SorvaneNode::lightDirectionY, SorvaneNode::lightDirectionZ,
    SorvaneNode::lightDirection;
MObject SorvaneNode::lightIntensityR, SorvaneNode::lightIntensityG, SorvaneNode::lightIntensityB,
    SorvaneNode::lightIntensity;
MObject SorvaneNode::lightAmbient;
MObject SorvaneNode::lightDiffuse;
MObject SorvaneNode::lightSpecular;
MObject SorvaneNode::lightShadowFraction;
MObject SorvaneNode::preShadowIntensity;
MObject SorvaneNode::lightBlindData;
MObject SorvaneNode::lightDataArray;

SorvaneNode::SorvaneNode() = default;

SorvaneNode::~SorvaneNode() {}

void SorvaneNode::postConstructor() { setMPSafe(true); }

void* SorvaneNode::creator() { return new SorvaneNode(); }

namespace {

// Where a row's handles live: the compound (or scalar) and its channels.
struct Handles {
    MObject* attribute;
    MObject* channels[3];
};

#define SORVANE_NODE_COLOR(name, ...) \
    Handles{&SorvaneNode::name, {&SorvaneNode::name##R, &SorvaneNode::name##G, &SorvaneNode::name##B}},
#define SORVANE_NODE_SCALAR(name, ...) Handles{&SorvaneNode::name, {}},
#define SORVANE_NODE_VECTOR(name, ...) \
    Handles{&SorvaneNode::name, {&SorvaneNode::name##X, &SorvaneNode::name##Y, &SorvaneNode::name##Z}},
const Handles kHandles[] = {SORVANE_NODE_ATTRIBUTES};
#undef SORVANE_NODE_COLOR
#undef SORVANE_NODE_SCALAR
#undef SORVANE_NODE_VECTOR
static_assert(sizeof kHandles / sizeof kHandles[0] == kNodeAttributeCount);

using Row = NodeAttribute;

// A compound's three float channels, created with the row's default (the
// single-precision value widened), so that channels and compound agree.
void createChannels(MFnNumericAttribute& nAttr, const Row& row, const Handles& handles) {
    for (int i = 0; i < 3; ++i) {
        *handles.channels[i] = nAttr.create(row.channels[i].longName, row.channels[i].shortName,
                                            MFnNumericData::kFloat, static_cast<double>(row.defaultValue));
    }
}

// The material inputs are keyable and saved.
void createMaterialInput(MFnNumericAttribute& nAttr, const Row& row, const Handles& handles) {
    const float value = row.defaultValue;
    if (row.kind == Row::Kind::scalar) {
        *handles.attribute =
            nAttr.create(row.longName, row.shortName, MFnNumericData::kFloat, static_cast<double>(value));
        nAttr.setKeyable(true);
        nAttr.setStorable(true);
        nAttr.setDefault(value);
        nAttr.setSoftMin(row.softMin);
        nAttr.setSoftMax(row.softMax);
        return;
    }
    createChannels(nAttr, row, handles);
    *handles.attribute = nAttr.create(row.longName, row.shortName, *handles.channels[0], *handles.channels[1],
                                      *handles.channels[2]);
    nAttr.setKeyable(true);
    nAttr.setStorable(true);
    nAttr.setDefault(value, value, value);
    nAttr.setUsedAsColor(true);
}

void createOutput(MFnNumericAttribute& nAttr, const Row& row, const Handles& handles) {
    createChannels(nAttr, row, handles);
    *handles.attribute = nAttr.create(row.longName, row.shortName, *handles.channels[0], *handles.channels[1],
                                      *handles.channels[2]);
    nAttr.setHidden(false);
    nAttr.setReadable(true);
    nAttr.setWritable(false);
}

// Filled by the renderer for every sample, so neither saved nor shown.
void createSampleInput(MFnNumericAttribute& nAttr, const Row& row, const Handles& handles) {
    const float value = row.defaultValue;
    createChannels(nAttr, row, handles);
    *handles.attribute = nAttr.create(row.longName, row.shortName, *handles.channels[0], *handles.channels[1],
                                      *handles.channels[2]);
    nAttr.setStorable(false);
    nAttr.setDefault(value, value, value);
    nAttr.setHidden(true);
}

template <class Visit>
void forEachSampleInputInWiringOrder(Visit visit) {
    for (int slot = 0; slot < static_cast<int>(kNodeAttributeCount); ++slot) {
        for (std::size_t i = 0; i < kNodeAttributeCount; ++i) {
            const Row& row = kNodeAttributes[i];
            if (row.group == Row::Group::sampleInput && row.wiringSlot == slot) visit(row, kHandles[i]);
        }
    }
}

void createAttribute(MFnNumericAttribute& nAttr, const Row& row, const Handles& handles) {
    switch (row.group) {
        case Row::Group::material:
            createMaterialInput(nAttr, row, handles);
            return;
        case Row::Group::output:
            createOutput(nAttr, row, handles);
            return;
        case Row::Group::sampleInput:
            createSampleInput(nAttr, row, handles);
            return;
    }
}

// A child of the light data array: filled by the renderer for every light,
// so hidden, read-only and not saved. A compound names its three channels;
// `line` is the source line reported when a call fails, as CHECK_MSTATUS
// reports its own.
struct LightDataChild {
    MObject* handle;
    const char* longName;
    const char* shortName;
    MFnNumericData::Type type;
    double value;  // created with, and its default
    MObject* channels[3];
    int line;
};

void checkAt(MStatus status, int line) {
    if (status != MS::kSuccess) {
        std::cerr << "\nAPI error detected in " << __FILE__ << " at line " << line << std::endl;
        status.perror("");
    }
}

void hideLightDataChild(MFnNumericAttribute& nAttr, int line) {
    checkAt(nAttr.setStorable(false), line);
    checkAt(nAttr.setHidden(true), line);
    checkAt(nAttr.setReadable(true), line);
    checkAt(nAttr.setWritable(false), line);
}

void createLightDataChild(MFnNumericAttribute& nAttr, const LightDataChild& child) {
    MStatus status;
    const float value = static_cast<float>(child.value);
    if (child.channels[0] != nullptr) {
        *child.handle = nAttr.create(child.longName, child.shortName, *child.channels[0], *child.channels[1],
                                     *child.channels[2], &status);
    } else {
        *child.handle = nAttr.create(child.longName, child.shortName, child.type, child.value, &status);
    }
    checkAt(status, child.line);
    hideLightDataChild(nAttr, child.line);
    if (child.channels[0] != nullptr) {
        checkAt(nAttr.setDefault(value, value, value), child.line);
    } else if (child.type == MFnNumericData::kBoolean) {
        checkAt(nAttr.setDefault(child.value != 0.0), child.line);
    } else {
        checkAt(nAttr.setDefault(value), child.line);
    }
}

}  // namespace

MStatus SorvaneNode::initialize() {
    MFnNumericAttribute nAttr;
    MFnLightDataAttribute lAttr;

    for (std::size_t i = 0; i < kNodeAttributeCount; ++i) {
        createAttribute(nAttr, kNodeAttributes[i], kHandles[i]);
    }

    // The light data is what the renderer relies on most: every call is
    // checked, and a failure is reported at the line of its row below.
    // Channels come before their compound, as Maya builds compounds.
    const LightDataChild children[] = {
        {&lightDirectionX, "lightDirectionX", "ldx", MFnNumericData::kFloat, 1.0, {}, __LINE__},
        {&lightDirectionY, "lightDirectionY", "ldy", MFnNumericData::kFloat, 1.0, {}, __LINE__},
        {&lightDirectionZ, "lightDirectionZ", "ldz", MFnNumericData::kFloat, 1.0, {}, __LINE__},
        {&lightDirection,
         "lightDirection",
         "ld",
         MFnNumericData::kFloat,
         1.0,
         {&lightDirectionX, &lightDirectionY, &lightDirectionZ},
         __LINE__},
        {&lightIntensityR, "lightIntensityR", "lir", MFnNumericData::kFloat, 1.0, {}, __LINE__},
        {&lightIntensityG, "lightIntensityG", "lig", MFnNumericData::kFloat, 1.0, {}, __LINE__},
        {&lightIntensityB, "lightIntensityB", "lib", MFnNumericData::kFloat, 1.0, {}, __LINE__},
        {&lightIntensity,
         "lightIntensity",
         "li",
         MFnNumericData::kFloat,
         1.0,
         {&lightIntensityR, &lightIntensityG, &lightIntensityB},
         __LINE__},
        {&lightAmbient, "lightAmbient", "la", MFnNumericData::kBoolean, 1.0, {}, __LINE__},
        {&lightDiffuse, "lightDiffuse", "ldf", MFnNumericData::kBoolean, 1.0, {}, __LINE__},
        {&lightSpecular, "lightSpecular", "ls", MFnNumericData::kBoolean, 0.0, {}, __LINE__},
        {&lightShadowFraction, "lightShadowFraction", "lsf", MFnNumericData::kFloat, 1.0, {}, __LINE__},
        {&preShadowIntensity, "preShadowIntensity", "psi", MFnNumericData::kFloat, 1.0, {}, __LINE__},
    };
    for (const LightDataChild& child : children) createLightDataChild(nAttr, child);

    MStatus status = MS::kSuccess;
    lightBlindData = nAttr.createAddr("lightBlindData", "lbld", NULL, &status);
    CHECK_MSTATUS(status);
    // Written out: when the address cannot be made, each call on it fails
    // too, and each says so at its own line.
    CHECK_MSTATUS(nAttr.setStorable(false));
    CHECK_MSTATUS(nAttr.setHidden(true));
    CHECK_MSTATUS(nAttr.setReadable(true));
    CHECK_MSTATUS(nAttr.setWritable(false));

    lightDataArray =
        lAttr.create("lightDataArray", "ltd", lightDirection, lightIntensity, lightAmbient, lightDiffuse,
                     lightSpecular, lightShadowFraction, preShadowIntensity, lightBlindData, &status);
    CHECK_MSTATUS(status);
    CHECK_MSTATUS(lAttr.setArray(true));
    CHECK_MSTATUS(lAttr.setStorable(false));
    CHECK_MSTATUS(lAttr.setHidden(true));
    // An element the renderer leaves unfilled is a black light.
    CHECK_MSTATUS(lAttr.setDefault(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, true, true, false, 1.0f, 1.0f, NULL));

    // Statuses ignored, as for the groups above; a compound brings its children.
    // Materials and outputs go in creation order, the sample inputs in the
    // renderer's; the light data's children are added one by one.
    for (std::size_t i = 0; i < kNodeAttributeCount; ++i) {
        if (kNodeAttributes[i].group != Row::Group::sampleInput) addAttribute(*kHandles[i].attribute);
    }
    forEachSampleInputInWiringOrder(
        [](const Row&, const Handles& handles) { addAttribute(*handles.attribute); });
    addAttribute(lightDirection);
    addAttribute(lightIntensity);
    addAttribute(lightAmbient);
    addAttribute(lightDiffuse);
    addAttribute(lightSpecular);
    addAttribute(lightShadowFraction);
    addAttribute(preShadowIntensity);
    addAttribute(lightBlindData);
    addAttribute(lightDataArray);

    // Every input, channel by channel, affects outColor; transparency also
    // affects outTransparency. The order is the shipped node's: transparency's
    // channels affect outTransparency in its place, the rest of its
    // dependencies follow the next row's.
    const auto affects = [](const Row& row, const Handles& handles, const MObject& output) {
        if (row.compound() && row.channelOrder == Row::ChannelOrder::compoundFirst) {
            attributeAffects(*handles.attribute, output);
        }
        for (MObject* channel : handles.channels) {
            if (channel != nullptr) attributeAffects(*channel, output);
        }
        if (row.channelOrder == Row::ChannelOrder::channelsFirst)
            attributeAffects(*handles.attribute, output);
    };
    std::size_t held = kNodeAttributeCount;
    for (std::size_t i = 0; i < kNodeAttributeCount; ++i) {
        const Row& row = kNodeAttributes[i];
        if (row.group != Row::Group::material) continue;
        if (row.affects == Row::Affects::outColorAndTransparency) {
            for (MObject* channel : kHandles[i].channels) attributeAffects(*channel, outTransparency);
            held = i;
            continue;
        }
        affects(row, kHandles[i], outColor);
        if (held != kNodeAttributeCount) {
            attributeAffects(*kHandles[held].attribute, outTransparency);
            affects(kNodeAttributes[held], kHandles[held], outColor);
            held = kNodeAttributeCount;
        }
    }

    attributeAffects(lightIntensityR, outColor);
    attributeAffects(lightIntensityB, outColor);
    attributeAffects(lightIntensityG, outColor);
    attributeAffects(lightIntensity, outColor);

    forEachSampleInputInWiringOrder(
        [&](const Row& row, const Handles& handles) { affects(row, handles, outColor); });

    attributeAffects(lightDirectionX, outColor);
    attributeAffects(lightDirectionY, outColor);
    attributeAffects(lightDirectionZ, outColor);
    attributeAffects(lightDirection, outColor);

    attributeAffects(lightAmbient, outColor);
    attributeAffects(lightSpecular, outColor);
    attributeAffects(lightDiffuse, outColor);
    attributeAffects(lightShadowFraction, outColor);
    attributeAffects(preShadowIntensity, outColor);
    attributeAffects(lightBlindData, outColor);
    attributeAffects(lightDataArray, outColor);

    return MS::kSuccess;
}

namespace {

Vec3 toVec3(const MFloatVector& v) { return {v.x, v.y, v.z}; }
Color toColor(const MFloatVector& v) { return {v.x, v.y, v.z}; }

// Where compute puts each material input: the ShadingSample field of its
// name (a row without one does not build). Outputs and sample inputs have no
// such field; compute reads the sample inputs itself.
struct SampleField {
    MObject* attribute;
    Color ShadingInputs::*color;
    float ShadingInputs::*scalar;
};

#define SORVANE_SAMPLE_FIELD_material(name, color, scalar) SampleField{&SorvaneNode::name, color, scalar},
#define SORVANE_SAMPLE_FIELD_output(name, color, scalar)
#define SORVANE_NODE_COLOR(name, value, description, shortName, r, g, b, group, ...) \
    SORVANE_SAMPLE_FIELD_##group(name, &ShadingInputs::name, nullptr)
#define SORVANE_NODE_SCALAR(name, ...) SORVANE_SAMPLE_FIELD_material(name, nullptr, &ShadingInputs::name)
#define SORVANE_NODE_VECTOR(name, ...)
const SampleField kSampleFields[] = {SORVANE_NODE_ATTRIBUTES};
#undef SORVANE_SAMPLE_FIELD_material
#undef SORVANE_SAMPLE_FIELD_output
#undef SORVANE_NODE_COLOR
#undef SORVANE_NODE_SCALAR
#undef SORVANE_NODE_VECTOR

}  // namespace

MStatus SorvaneNode::compute(const MPlug& plug, MDataBlock& block) {
    if (plug == outColor || plug == outColorR || plug == outColorG || plug == outColorB) {
        ShadingInputs sample;
        sample.rayDirection = toVec3(block.inputValue(rayDirection).asFloatVector());
        sample.normalCamera = toVec3(block.inputValue(normalCamera).asFloatVector());
        for (const SampleField& field : kSampleFields) {
            // transparency only enters at the end: read after the lights.
            if (field.color == &ShadingInputs::transparency) continue;
            MDataHandle value = block.inputValue(*field.attribute);
            if (field.color != nullptr) {
                sample.*field.color = toColor(value.asFloatVector());
            } else {
                sample.*field.scalar = value.asFloat();
            }
        }

        // Straight from the array into the evaluation: nothing is collected.
        OutColorEvaluation evaluation(sample);
        MArrayDataHandle lights = block.inputArrayValue(lightDataArray);
        const unsigned int count = lights.elementCount();
        for (unsigned int i = 1; i <= count; ++i) {
            MDataHandle element = lights.inputValue();
            LightDataElement light;
            light.lightIntensity = toColor(element.child(lightIntensity).asFloatVector());
            light.lightDirection = toVec3(element.child(lightDirection).asFloatVector());
            light.preShadowIntensity = element.child(preShadowIntensity).asFloat();
            light.lightAmbient = element.child(lightAmbient).asBool();
            light.lightDiffuse = element.child(lightDiffuse).asBool();
            light.lightSpecular = element.child(lightSpecular).asBool();
            evaluation.addLight(light);
            if (!lights.next()) {
                break;
            }
        }

        sample.transparency = toColor(block.inputValue(transparency).asFloatVector());
        const Color result = evaluation.finish();
        MDataHandle out = block.outputValue(outColor);
        out.asFloatVector() = MFloatVector(result.r, result.g, result.b);
        out.setClean();
        return MS::kSuccess;
    }
    if (plug == outTransparency || plug == outTransparencyR || plug == outTransparencyG ||
        plug == outTransparencyB) {
        const MFloatVector value = block.inputValue(transparency).asFloatVector();
        MDataHandle out = block.outputValue(outTransparency);
        out.asFloatVector() = value;
        out.setClean();
        return MS::kSuccess;
    }
    return MS::kUnknownParameter;
}

}  // namespace sorvane::mayaplugin
