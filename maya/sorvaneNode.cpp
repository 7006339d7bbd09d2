#include "sorvaneNode.h"

#include <maya/MArrayDataHandle.h>
#include <maya/MDataHandle.h>
#include <maya/MFloatVector.h>
#include <maya/MFnLightDataAttribute.h>
#include <maya/MFnNumericAttribute.h>
#include <maya/MFnNumericData.h>
#include <maya/MString.h>

#include "shadingEvaluation.h"

namespace sorvane {

// 0x82041 = 532545, in the range for local plug-ins.
MTypeId sorvane::id(0x82041);

MObject sorvane::colorR, sorvane::colorG, sorvane::colorB, sorvane::color;
MObject sorvane::transparencyR, sorvane::transparencyG, sorvane::transparencyB, sorvane::transparency;
MObject sorvane::ambientColorR, sorvane::ambientColorG, sorvane::ambientColorB, sorvane::ambientColor;
MObject sorvane::incandescenceR, sorvane::incandescenceG, sorvane::incandescenceB, sorvane::incandescence;
MObject sorvane::diffuse;
MObject sorvane::scatteringColorR, sorvane::scatteringColorG, sorvane::scatteringColorB,
    sorvane::scatteringColor;
MObject sorvane::scattering;
MObject sorvane::anisotropy;
MObject sorvane::depth;
MObject sorvane::oppositionColorR, sorvane::oppositionColorG, sorvane::oppositionColorB,
    sorvane::oppositionColor;
MObject sorvane::opposition;
MObject sorvane::backlightColorR, sorvane::backlightColorG, sorvane::backlightColorB, sorvane::backlightColor;
MObject sorvane::backlight;
MObject sorvane::eccentricity;
MObject sorvane::specularRollOff;
MObject sorvane::specularColorR, sorvane::specularColorG, sorvane::specularColorB, sorvane::specularColor;
MObject sorvane::outColorR, sorvane::outColorG, sorvane::outColorB, sorvane::outColor;
MObject sorvane::outTransparencyR, sorvane::outTransparencyG, sorvane::outTransparencyB,
    sorvane::outTransparency;
MObject sorvane::normalCameraX, sorvane::normalCameraY, sorvane::normalCameraZ, sorvane::normalCamera;
MObject sorvane::rayDirectionX, sorvane::rayDirectionY, sorvane::rayDirectionZ, sorvane::rayDirection;
MObject sorvane::pointCameraX, sorvane::pointCameraY, sorvane::pointCameraZ, sorvane::pointCamera;
MObject sorvane::lightDirectionX, sorvane::lightDirectionY, sorvane::lightDirectionZ, sorvane::lightDirection;
MObject sorvane::lightIntensityR, sorvane::lightIntensityG, sorvane::lightIntensityB, sorvane::lightIntensity;
MObject sorvane::lightAmbient;
MObject sorvane::lightDiffuse;
MObject sorvane::lightSpecular;
MObject sorvane::lightShadowFraction;
MObject sorvane::preShadowIntensity;
MObject sorvane::lightBlindData;
MObject sorvane::lightDataArray;

sorvane::sorvane() = default;

sorvane::~sorvane() {}

void sorvane::postConstructor() { setMPSafe(true); }

void* sorvane::creator() { return new sorvane(); }

namespace {

struct ChildNames {
    const char* longName;
    const char* shortName;
};

// The material inputs are keyable and saved; their children are made with
// the compound's default so that both agree.
void createColor(MFnNumericAttribute& nAttr, MObject& compound, MObject& r, MObject& g, MObject& b,
                 const char* longName, const char* shortName, ChildNames rName, ChildNames gName,
                 ChildNames bName, float value) {
    r = nAttr.create(rName.longName, rName.shortName, MFnNumericData::kFloat, static_cast<double>(value));
    g = nAttr.create(gName.longName, gName.shortName, MFnNumericData::kFloat, static_cast<double>(value));
    b = nAttr.create(bName.longName, bName.shortName, MFnNumericData::kFloat, static_cast<double>(value));
    compound = nAttr.create(longName, shortName, r, g, b);
    nAttr.setKeyable(true);
    nAttr.setStorable(true);
    nAttr.setDefault(value, value, value);
    nAttr.setUsedAsColor(true);
}

void createScalar(MFnNumericAttribute& nAttr, MObject& attribute, const char* longName, const char* shortName,
                  float value, double softMin, double softMax) {
    attribute = nAttr.create(longName, shortName, MFnNumericData::kFloat, static_cast<double>(value));
    nAttr.setKeyable(true);
    nAttr.setStorable(true);
    nAttr.setDefault(value);
    nAttr.setSoftMin(softMin);
    nAttr.setSoftMax(softMax);
}

void createOutput(MFnNumericAttribute& nAttr, MObject& compound, MObject& r, MObject& g, MObject& b,
                  const char* longName, const char* shortName, ChildNames rName, ChildNames gName,
                  ChildNames bName) {
    r = nAttr.create(rName.longName, rName.shortName, MFnNumericData::kFloat, 0.0);
    g = nAttr.create(gName.longName, gName.shortName, MFnNumericData::kFloat, 0.0);
    b = nAttr.create(bName.longName, bName.shortName, MFnNumericData::kFloat, 0.0);
    compound = nAttr.create(longName, shortName, r, g, b);
    nAttr.setHidden(false);
    nAttr.setReadable(true);
    nAttr.setWritable(false);
}

// Filled by the renderer for every sample, so neither saved nor shown.
void createSampleInput(MFnNumericAttribute& nAttr, MObject& compound, MObject& x, MObject& y, MObject& z,
                       const char* longName, const char* shortName, ChildNames xName, ChildNames yName,
                       ChildNames zName) {
    x = nAttr.create(xName.longName, xName.shortName, MFnNumericData::kFloat, 1.0);
    y = nAttr.create(yName.longName, yName.shortName, MFnNumericData::kFloat, 1.0);
    z = nAttr.create(zName.longName, zName.shortName, MFnNumericData::kFloat, 1.0);
    compound = nAttr.create(longName, shortName, x, y, z);
    nAttr.setStorable(false);
    nAttr.setDefault(1.0f, 1.0f, 1.0f);
    nAttr.setHidden(true);
}

}  // namespace

MStatus sorvane::initialize() {
    MFnNumericAttribute nAttr;
    MFnLightDataAttribute lAttr;

    createColor(nAttr, color, colorR, colorG, colorB, "color", "c", {"colorR", "cr"}, {"colorG", "cg"},
                {"colorB", "cb"}, 0.5f);
    createColor(nAttr, transparency, transparencyR, transparencyG, transparencyB, "transparency", "it",
                {"transparencyR", "itr"}, {"transparencyG", "itg"}, {"transparencyB", "itb"}, 0.0f);
    createColor(nAttr, ambientColor, ambientColorR, ambientColorG, ambientColorB, "ambientColor", "ambC",
                {"ambientColorR", "ambCR"}, {"ambientColorG", "ambCG"}, {"ambientColorB", "ambCB"}, 0.0f);
    createColor(nAttr, incandescence, incandescenceR, incandescenceG, incandescenceB, "incandescence", "ic",
                {"incandescenceR", "ir"}, {"incandescenceG", "ig"}, {"incandescenceB", "ib"}, 0.0f);
    createScalar(nAttr, diffuse, "diffuse", "dfl", 0.8f, 0.0, 1.0);
    createColor(nAttr, scatteringColor, scatteringColorR, scatteringColorG, scatteringColorB,
                "scatteringColor", "sc", {"scatteringColorR", "scr"}, {"scatteringColorG", "scg"},
                {"scatteringColorB", "scb"}, 0.5f);
    createScalar(nAttr, scattering, "scattering", "sctr", 0.3f, 0.0, 1.0);
    createScalar(nAttr, anisotropy, "anisotropy", "ani", 0.65f, -1.0, 1.0);
    createScalar(nAttr, depth, "depth", "dpth", 0.3f, 0.0, 1.0);
    createColor(nAttr, oppositionColor, oppositionColorR, oppositionColorG, oppositionColorB,
                "oppositionColor", "opc", {"oppositionColorR", "opcr"}, {"oppositionColorG", "opcg"},
                {"oppositionColorB", "opcb"}, 0.6f);
    createScalar(nAttr, opposition, "opposition", "oppt", 0.25f, 0.0, 1.0);
    createColor(nAttr, backlightColor, backlightColorR, backlightColorG, backlightColorB, "backlightColor",
                "bc", {"backlightColorR", "bcr"}, {"backlightColorG", "bcg"}, {"backlightColorB", "bcb"},
                0.4f);
    createScalar(nAttr, backlight, "backlight", "bcl", 0.3f, 0.0, 1.0);
    createScalar(nAttr, eccentricity, "eccentricity", "et", 0.2f, 0.0, 1.0);
    createScalar(nAttr, specularRollOff, "specularRollOff", "sro", 0.3f, 0.0, 1.0);
    createColor(nAttr, specularColor, specularColorR, specularColorG, specularColorB, "specularColor", "spc",
                {"specularColorR", "spcr"}, {"specularColorG", "spcg"}, {"specularColorB", "spcb"}, 0.5f);

    createOutput(nAttr, outColor, outColorR, outColorG, outColorB, "outColor", "oc", {"outColorR", "ocr"},
                 {"outColorG", "ocg"}, {"outColorB", "ocb"});
    createOutput(nAttr, outTransparency, outTransparencyR, outTransparencyG, outTransparencyB,
                 "outTransparency", "ot", {"outTransparencyR", "otr"}, {"outTransparencyG", "otg"},
                 {"outTransparencyB", "otb"});

    createSampleInput(nAttr, normalCamera, normalCameraX, normalCameraY, normalCameraZ, "normalCamera", "n",
                      {"normalCameraX", "nx"}, {"normalCameraY", "ny"}, {"normalCameraZ", "nz"});
    createSampleInput(nAttr, rayDirection, rayDirectionX, rayDirectionY, rayDirectionZ, "rayDirection", "rad",
                      {"rayDirectionX", "rdx"}, {"rayDirectionY", "rdy"}, {"rayDirectionZ", "rdz"});
    createSampleInput(nAttr, pointCamera, pointCameraX, pointCameraY, pointCameraZ, "pointCamera", "pc",
                      {"pointCameraX", "px"}, {"pointCameraY", "py"}, {"pointCameraZ", "pz"});

    // The light data is what the renderer relies on most: every call is checked.
    MStatus status = MS::kSuccess;

    lightDirectionX = nAttr.create("lightDirectionX", "ldx", MFnNumericData::kFloat, 1.0, &status);
    CHECK_MSTATUS(status);
    CHECK_MSTATUS(nAttr.setStorable(false));
    CHECK_MSTATUS(nAttr.setHidden(true));
    CHECK_MSTATUS(nAttr.setReadable(true));
    CHECK_MSTATUS(nAttr.setWritable(false));
    CHECK_MSTATUS(nAttr.setDefault(1.0f));
    lightDirectionY = nAttr.create("lightDirectionY", "ldy", MFnNumericData::kFloat, 1.0, &status);
    CHECK_MSTATUS(status);
    CHECK_MSTATUS(nAttr.setStorable(false));
    CHECK_MSTATUS(nAttr.setHidden(true));
    CHECK_MSTATUS(nAttr.setReadable(true));
    CHECK_MSTATUS(nAttr.setWritable(false));
    CHECK_MSTATUS(nAttr.setDefault(1.0f));
    lightDirectionZ = nAttr.create("lightDirectionZ", "ldz", MFnNumericData::kFloat, 1.0, &status);
    CHECK_MSTATUS(status);
    CHECK_MSTATUS(nAttr.setStorable(false));
    CHECK_MSTATUS(nAttr.setHidden(true));
    CHECK_MSTATUS(nAttr.setReadable(true));
    CHECK_MSTATUS(nAttr.setWritable(false));
    CHECK_MSTATUS(nAttr.setDefault(1.0f));
    lightDirection =
        nAttr.create("lightDirection", "ld", lightDirectionX, lightDirectionY, lightDirectionZ, &status);
    CHECK_MSTATUS(status);
    CHECK_MSTATUS(nAttr.setStorable(false));
    CHECK_MSTATUS(nAttr.setHidden(true));
    CHECK_MSTATUS(nAttr.setReadable(true));
    CHECK_MSTATUS(nAttr.setWritable(false));
    CHECK_MSTATUS(nAttr.setDefault(1.0f, 1.0f, 1.0f));

    lightIntensityR = nAttr.create("lightIntensityR", "lir", MFnNumericData::kFloat, 1.0, &status);
    CHECK_MSTATUS(status);
    CHECK_MSTATUS(nAttr.setStorable(false));
    CHECK_MSTATUS(nAttr.setHidden(true));
    CHECK_MSTATUS(nAttr.setReadable(true));
    CHECK_MSTATUS(nAttr.setWritable(false));
    CHECK_MSTATUS(nAttr.setDefault(1.0f));
    lightIntensityG = nAttr.create("lightIntensityG", "lig", MFnNumericData::kFloat, 1.0, &status);
    CHECK_MSTATUS(status);
    CHECK_MSTATUS(nAttr.setStorable(false));
    CHECK_MSTATUS(nAttr.setHidden(true));
    CHECK_MSTATUS(nAttr.setReadable(true));
    CHECK_MSTATUS(nAttr.setWritable(false));
    CHECK_MSTATUS(nAttr.setDefault(1.0f));
    lightIntensityB = nAttr.create("lightIntensityB", "lib", MFnNumericData::kFloat, 1.0, &status);
    CHECK_MSTATUS(status);
    CHECK_MSTATUS(nAttr.setStorable(false));
    CHECK_MSTATUS(nAttr.setHidden(true));
    CHECK_MSTATUS(nAttr.setReadable(true));
    CHECK_MSTATUS(nAttr.setWritable(false));
    CHECK_MSTATUS(nAttr.setDefault(1.0f));
    lightIntensity =
        nAttr.create("lightIntensity", "li", lightIntensityR, lightIntensityG, lightIntensityB, &status);
    CHECK_MSTATUS(status);
    CHECK_MSTATUS(nAttr.setStorable(false));
    CHECK_MSTATUS(nAttr.setHidden(true));
    CHECK_MSTATUS(nAttr.setReadable(true));
    CHECK_MSTATUS(nAttr.setWritable(false));
    CHECK_MSTATUS(nAttr.setDefault(1.0f, 1.0f, 1.0f));

    lightAmbient = nAttr.create("lightAmbient", "la", MFnNumericData::kBoolean, 1.0, &status);
    CHECK_MSTATUS(status);
    CHECK_MSTATUS(nAttr.setStorable(false));
    CHECK_MSTATUS(nAttr.setHidden(true));
    CHECK_MSTATUS(nAttr.setReadable(true));
    CHECK_MSTATUS(nAttr.setWritable(false));
    CHECK_MSTATUS(nAttr.setDefault(true));

    lightDiffuse = nAttr.create("lightDiffuse", "ldf", MFnNumericData::kBoolean, 1.0, &status);
    CHECK_MSTATUS(status);
    CHECK_MSTATUS(nAttr.setStorable(false));
    CHECK_MSTATUS(nAttr.setHidden(true));
    CHECK_MSTATUS(nAttr.setReadable(true));
    CHECK_MSTATUS(nAttr.setWritable(false));
    CHECK_MSTATUS(nAttr.setDefault(true));

    lightSpecular = nAttr.create("lightSpecular", "ls", MFnNumericData::kBoolean, 0.0, &status);
    CHECK_MSTATUS(status);
    CHECK_MSTATUS(nAttr.setStorable(false));
    CHECK_MSTATUS(nAttr.setHidden(true));
    CHECK_MSTATUS(nAttr.setReadable(true));
    CHECK_MSTATUS(nAttr.setWritable(false));
    CHECK_MSTATUS(nAttr.setDefault(false));

    lightShadowFraction = nAttr.create("lightShadowFraction", "lsf", MFnNumericData::kFloat, 1.0, &status);
    CHECK_MSTATUS(status);
    CHECK_MSTATUS(nAttr.setStorable(false));
    CHECK_MSTATUS(nAttr.setHidden(true));
    CHECK_MSTATUS(nAttr.setReadable(true));
    CHECK_MSTATUS(nAttr.setWritable(false));
    CHECK_MSTATUS(nAttr.setDefault(1.0f));

    preShadowIntensity = nAttr.create("preShadowIntensity", "psi", MFnNumericData::kFloat, 1.0, &status);
    CHECK_MSTATUS(status);
    CHECK_MSTATUS(nAttr.setStorable(false));
    CHECK_MSTATUS(nAttr.setHidden(true));
    CHECK_MSTATUS(nAttr.setReadable(true));
    CHECK_MSTATUS(nAttr.setWritable(false));
    CHECK_MSTATUS(nAttr.setDefault(1.0f));

    lightBlindData = nAttr.createAddr("lightBlindData", "lbld", NULL, &status);
    CHECK_MSTATUS(status);
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
    addAttribute(color);
    addAttribute(transparency);
    addAttribute(ambientColor);
    addAttribute(incandescence);
    addAttribute(diffuse);
    addAttribute(scatteringColor);
    addAttribute(scattering);
    addAttribute(anisotropy);
    addAttribute(depth);
    addAttribute(oppositionColor);
    addAttribute(opposition);
    addAttribute(backlightColor);
    addAttribute(backlight);
    addAttribute(eccentricity);
    addAttribute(specularRollOff);
    addAttribute(specularColor);
    addAttribute(outColor);
    addAttribute(outTransparency);
    addAttribute(rayDirection);
    addAttribute(pointCamera);
    addAttribute(normalCamera);
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
    // affects outTransparency. The order is the shipped node's.
    attributeAffects(colorR, outColor);
    attributeAffects(colorG, outColor);
    attributeAffects(colorB, outColor);
    attributeAffects(color, outColor);

    attributeAffects(transparencyR, outTransparency);
    attributeAffects(transparencyG, outTransparency);
    attributeAffects(transparencyB, outTransparency);

    attributeAffects(ambientColorR, outColor);
    attributeAffects(ambientColorG, outColor);
    attributeAffects(ambientColorB, outColor);
    attributeAffects(ambientColor, outColor);

    attributeAffects(transparency, outTransparency);

    attributeAffects(transparencyR, outColor);
    attributeAffects(transparencyG, outColor);
    attributeAffects(transparencyB, outColor);
    attributeAffects(transparency, outColor);

    attributeAffects(incandescenceR, outColor);
    attributeAffects(incandescenceG, outColor);
    attributeAffects(incandescenceB, outColor);
    attributeAffects(incandescence, outColor);
    attributeAffects(diffuse, outColor);

    attributeAffects(scatteringColorR, outColor);
    attributeAffects(scatteringColorG, outColor);
    attributeAffects(scatteringColorB, outColor);
    attributeAffects(scatteringColor, outColor);
    attributeAffects(scattering, outColor);
    attributeAffects(anisotropy, outColor);
    attributeAffects(depth, outColor);

    attributeAffects(oppositionColorR, outColor);
    attributeAffects(oppositionColorG, outColor);
    attributeAffects(oppositionColorB, outColor);
    attributeAffects(oppositionColor, outColor);
    attributeAffects(opposition, outColor);

    attributeAffects(backlightColorR, outColor);
    attributeAffects(backlightColorG, outColor);
    attributeAffects(backlightColorB, outColor);
    attributeAffects(backlightColor, outColor);
    attributeAffects(backlight, outColor);
    attributeAffects(eccentricity, outColor);
    attributeAffects(specularRollOff, outColor);

    attributeAffects(specularColorR, outColor);
    attributeAffects(specularColorG, outColor);
    attributeAffects(specularColorB, outColor);
    attributeAffects(specularColor, outColor);

    attributeAffects(lightIntensityR, outColor);
    attributeAffects(lightIntensityB, outColor);
    attributeAffects(lightIntensityG, outColor);
    attributeAffects(lightIntensity, outColor);

    attributeAffects(rayDirectionX, outColor);
    attributeAffects(rayDirectionY, outColor);
    attributeAffects(rayDirectionZ, outColor);
    attributeAffects(rayDirection, outColor);

    attributeAffects(pointCamera, outColor);
    attributeAffects(pointCameraX, outColor);
    attributeAffects(pointCameraY, outColor);
    attributeAffects(pointCameraZ, outColor);

    attributeAffects(normalCameraX, outColor);
    attributeAffects(normalCameraY, outColor);
    attributeAffects(normalCameraZ, outColor);
    attributeAffects(normalCamera, outColor);

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

}  // namespace

MStatus sorvane::compute(const MPlug& plug, MDataBlock& block) {
    if (plug == outColor || plug == outColorR || plug == outColorG || plug == outColorB) {
        ShadingSample sample;
        sample.rayDirection = toVec3(block.inputValue(rayDirection).asFloatVector());
        sample.normalCamera = toVec3(block.inputValue(normalCamera).asFloatVector());
        sample.color = toColor(block.inputValue(color).asFloatVector());
        sample.ambientColor = toColor(block.inputValue(ambientColor).asFloatVector());
        sample.incandescence = toColor(block.inputValue(incandescence).asFloatVector());
        sample.scatteringColor = toColor(block.inputValue(scatteringColor).asFloatVector());
        sample.oppositionColor = toColor(block.inputValue(oppositionColor).asFloatVector());
        sample.backlightColor = toColor(block.inputValue(backlightColor).asFloatVector());
        sample.specularColor = toColor(block.inputValue(specularColor).asFloatVector());
        sample.diffuse = block.inputValue(diffuse).asFloat();
        sample.scattering = block.inputValue(scattering).asFloat();
        sample.anisotropy = block.inputValue(anisotropy).asFloat();
        sample.depth = block.inputValue(depth).asFloat();
        sample.opposition = block.inputValue(opposition).asFloat();
        sample.backlight = block.inputValue(backlight).asFloat();
        sample.eccentricity = block.inputValue(eccentricity).asFloat();
        sample.specularRollOff = block.inputValue(specularRollOff).asFloat();

        // Straight from the array into the evaluation: nothing is collected.
        OutColorEvaluation evaluation(sample);
        MArrayDataHandle lights = block.inputArrayValue(lightDataArray);
        const unsigned int count = lights.elementCount();
        for (unsigned int i = 1; i <= count; ++i) {
            MDataHandle element = lights.inputValue();
            LightSample light;
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

}  // namespace sorvane
