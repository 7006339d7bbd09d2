// The node's attribute schema, read back from what the loaded plug-in registered.
#include <optional>
#include <string>
#include <vector>

#include "maya/nodeAttributes.h"
#include "tests/support/mayaTesting.h"

namespace sorvane::testing {
namespace {

using namespace ::shading;

using host::AttributeKind;

struct Flags {
    bool keyable, storable, hidden, readable, writable, usedAsColor, array;
};

// A flag set on a numeric compound reaches its children, except usedAsColor.
constexpr Flags kMaterial{true, true, false, true, true, false, false};
constexpr Flags kMaterialColor{true, true, false, true, true, true, false};
constexpr Flags kOutput{false, true, false, true, false, false, false};
constexpr Flags kSampleInput{false, false, true, true, true, false, false};
constexpr Flags kLightChild{false, false, true, true, false, false, false};
constexpr Flags kLightArray{false, false, true, true, true, false, true};

struct Row {
    std::string longName;
    std::string shortName;
    AttributeKind kind;
    std::string parent;
    float value[3];  // default; one value for a float or bool
    std::optional<double> softMin, softMax;
    Flags flags;
};

void compound(std::vector<Row>& rows, const std::string& name, const std::string& shortName,
              const char* const (&children)[3][2], float value, Flags compoundFlags, Flags childFlags,
              const std::string& parent = "") {
    for (const auto& child : children) {
        rows.push_back({child[0], child[1], AttributeKind::Float, name, {value}, {}, {}, childFlags});
    }
    rows.push_back(
        {name, shortName, AttributeKind::Compound, parent, {value, value, value}, {}, {}, compoundFlags});
}

void color(std::vector<Row>& rows, const std::string& name, const std::string& shortName,
           const char* const (&children)[3][2], float value) {
    compound(rows, name, shortName, children, value, kMaterialColor, kMaterial);
}

void scalar(std::vector<Row>& rows, const std::string& name, const std::string& shortName, float value,
            double softMin) {
    rows.push_back({name, shortName, AttributeKind::Float, "", {value}, softMin, 1.0, kMaterial});
}

std::vector<Row> expectedSchema() {
    std::vector<Row> rows;
    color(rows, "color", "c", {{"colorR", "cr"}, {"colorG", "cg"}, {"colorB", "cb"}}, 0.5f);
    color(rows, "transparency", "it",
          {{"transparencyR", "itr"}, {"transparencyG", "itg"}, {"transparencyB", "itb"}}, 0.0f);
    color(rows, "ambientColor", "ambC",
          {{"ambientColorR", "ambCR"}, {"ambientColorG", "ambCG"}, {"ambientColorB", "ambCB"}}, 0.0f);
    color(rows, "incandescence", "ic",
          {{"incandescenceR", "ir"}, {"incandescenceG", "ig"}, {"incandescenceB", "ib"}}, 0.0f);
    scalar(rows, "diffuse", "dfl", 0.8f, 0.0);
    color(rows, "scatteringColor", "sc",
          {{"scatteringColorR", "scr"}, {"scatteringColorG", "scg"}, {"scatteringColorB", "scb"}}, 0.5f);
    scalar(rows, "scattering", "sctr", 0.3f, 0.0);
    scalar(rows, "anisotropy", "ani", 0.65f, -1.0);
    scalar(rows, "depth", "dpth", 0.3f, 0.0);
    color(rows, "oppositionColor", "opc",
          {{"oppositionColorR", "opcr"}, {"oppositionColorG", "opcg"}, {"oppositionColorB", "opcb"}}, 0.6f);
    scalar(rows, "opposition", "oppt", 0.25f, 0.0);
    color(rows, "backlightColor", "bc",
          {{"backlightColorR", "bcr"}, {"backlightColorG", "bcg"}, {"backlightColorB", "bcb"}}, 0.4f);
    scalar(rows, "backlight", "bcl", 0.3f, 0.0);
    scalar(rows, "eccentricity", "et", 0.2f, 0.0);
    scalar(rows, "specularRollOff", "sro", 0.3f, 0.0);
    color(rows, "specularColor", "spc",
          {{"specularColorR", "spcr"}, {"specularColorG", "spcg"}, {"specularColorB", "spcb"}}, 0.5f);

    compound(rows, "outColor", "oc", {{"outColorR", "ocr"}, {"outColorG", "ocg"}, {"outColorB", "ocb"}}, 0.0f,
             kOutput, kOutput);
    compound(rows, "outTransparency", "ot",
             {{"outTransparencyR", "otr"}, {"outTransparencyG", "otg"}, {"outTransparencyB", "otb"}}, 0.0f,
             kOutput, kOutput);

    compound(rows, "normalCamera", "n",
             {{"normalCameraX", "nx"}, {"normalCameraY", "ny"}, {"normalCameraZ", "nz"}}, 1.0f, kSampleInput,
             kSampleInput);
    compound(rows, "rayDirection", "rad",
             {{"rayDirectionX", "rdx"}, {"rayDirectionY", "rdy"}, {"rayDirectionZ", "rdz"}}, 1.0f,
             kSampleInput, kSampleInput);
    compound(rows, "pointCamera", "pc",
             {{"pointCameraX", "px"}, {"pointCameraY", "py"}, {"pointCameraZ", "pz"}}, 1.0f, kSampleInput,
             kSampleInput);

    compound(rows, "lightDirection", "ld",
             {{"lightDirectionX", "ldx"}, {"lightDirectionY", "ldy"}, {"lightDirectionZ", "ldz"}}, 1.0f,
             kLightChild, kLightChild, "lightDataArray");
    compound(rows, "lightIntensity", "li",
             {{"lightIntensityR", "lir"}, {"lightIntensityG", "lig"}, {"lightIntensityB", "lib"}}, 1.0f,
             kLightChild, kLightChild, "lightDataArray");
    rows.push_back(
        {"lightAmbient", "la", AttributeKind::Bool, "lightDataArray", {1.0f}, {}, {}, kLightChild});
    rows.push_back(
        {"lightDiffuse", "ldf", AttributeKind::Bool, "lightDataArray", {1.0f}, {}, {}, kLightChild});
    rows.push_back(
        {"lightSpecular", "ls", AttributeKind::Bool, "lightDataArray", {0.0f}, {}, {}, kLightChild});
    rows.push_back(
        {"lightShadowFraction", "lsf", AttributeKind::Float, "lightDataArray", {1.0f}, {}, {}, kLightChild});
    rows.push_back(
        {"preShadowIntensity", "psi", AttributeKind::Float, "lightDataArray", {1.0f}, {}, {}, kLightChild});
    rows.push_back(
        {"lightBlindData", "lbld", AttributeKind::Address, "lightDataArray", {}, {}, {}, kLightChild});
    rows.push_back({"lightDataArray", "ltd", AttributeKind::LightData, "", {}, {}, {}, kLightArray});
    return rows;
}

class Schema : public SorvaneSuite {};

TEST_F(Schema, EveryAttributeInCreationOrderMatchesTheTable) {
    const std::vector<Row> rows = expectedSchema();
    ASSERT_EQ(rows.size(), 75u);
    ASSERT_EQ(type().attributes.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        const host::Attribute& a = *type().attributes[i];
        SCOPED_TRACE("attribute " + std::to_string(i + 1) + " " + row.longName);
        EXPECT_EQ(a.longName, row.longName);
        EXPECT_EQ(a.shortName, row.shortName);
        EXPECT_EQ(a.kind, row.kind);
        EXPECT_EQ(a.parent ? a.parent->longName : "", row.parent);
        EXPECT_TRUE(a.onType);
        EXPECT_EQ(a.softMin, row.softMin);
        EXPECT_EQ(a.softMax, row.softMax);
        EXPECT_FALSE(a.min || a.max) << "no hard limit is set";
        EXPECT_EQ(a.keyable, row.flags.keyable);
        EXPECT_EQ(a.storable, row.flags.storable);
        EXPECT_EQ(a.hidden, row.flags.hidden);
        EXPECT_EQ(a.readable, row.flags.readable);
        EXPECT_EQ(a.writable, row.flags.writable);
        EXPECT_EQ(a.usedAsColor, row.flags.usedAsColor);
        EXPECT_EQ(a.array, row.flags.array);
        switch (row.kind) {
            case AttributeKind::Float:
                EXPECT_EQ(a.defaultFloat, row.value[0]);
                break;
            case AttributeKind::Bool:
                EXPECT_EQ(a.defaultBool, row.value[0] != 0.0f);
                break;
            case AttributeKind::Compound:
                EXPECT_EQ(a.defaultVector(), MFloatVector(row.value[0], row.value[1], row.value[2]));
                break;
            case AttributeKind::Address:
                EXPECT_EQ(a.defaultAddress, nullptr);
                break;
            case AttributeKind::LightData:
                break;
        }
    }
}

// The attribute table declares what its documentation and the checks of the
// preset and declaration rely on: each row must be what the plug-in registers.
TEST_F(Schema, EachTableRowIsWhatThePluginRegisters) {
    for (const NodeAttribute& row : kNodeAttributes) {
        SCOPED_TRACE(row.longName);
        const host::Attribute& a = attr(row.longName);
        const NodeAttribute::Flags flags = row.flags();
        const auto expectFlags = [&](const host::Attribute& b, bool usedAsColor) {
            EXPECT_EQ(b.keyable, flags.keyable) << b.longName;
            EXPECT_EQ(b.storable, flags.storable) << b.longName;
            EXPECT_EQ(b.hidden, flags.hidden) << b.longName;
            EXPECT_EQ(b.readable, flags.readable) << b.longName;
            EXPECT_EQ(b.writable, flags.writable) << b.longName;
            EXPECT_EQ(b.usedAsColor, usedAsColor) << b.longName;
        };
        EXPECT_EQ(a.shortName, row.shortName);
        expectFlags(a, flags.usedAsColor);
        EXPECT_EQ(a.softMin, row.softRange ? std::optional<double>(row.softMin) : std::nullopt);
        EXPECT_EQ(a.softMax, row.softRange ? std::optional<double>(row.softMax) : std::nullopt);
        if (!row.compound()) {
            EXPECT_EQ(a.defaultFloat, row.defaultValue);
            continue;
        }
        const float v = row.defaultValue;
        EXPECT_EQ(a.defaultVector(), MFloatVector(v, v, v));
        ASSERT_EQ(a.children.size(), 3u);
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(a.children[i]->longName, row.channels[i].longName);
            EXPECT_EQ(a.children[i]->shortName, row.channels[i].shortName);
            expectFlags(*a.children[i], false);
        }
    }
}

TEST_F(Schema, LightArrayElementDefaultIsABlackLightUnlikeItsChildren) {
    const host::LightData d = attr("lightDataArray").defaultLight();
    EXPECT_EQ(d.direction, MFloatVector(0, 0, 0));
    EXPECT_EQ(d.intensity, MFloatVector(0, 0, 0));
    EXPECT_TRUE(d.ambient);
    EXPECT_TRUE(d.diffuse);
    EXPECT_FALSE(d.specular);
    EXPECT_EQ(d.shadowFraction, 1.0f);
    EXPECT_EQ(d.preShadowIntensity, 1.0f);
    EXPECT_EQ(d.blindData, nullptr);
    std::vector<std::string> children;
    for (const host::Attribute* child : attr("lightDataArray").children) children.push_back(child->longName);
    EXPECT_EQ(children, (std::vector<std::string>{"lightDirection", "lightIntensity", "lightAmbient",
                                                  "lightDiffuse", "lightSpecular", "lightShadowFraction",
                                                  "preShadowIntensity", "lightBlindData"}));
}

TEST_F(Schema, AddedInOrder) {
    std::vector<std::string> added;
    for (const host::Attribute* a : type().added) added.push_back(a->longName);
    EXPECT_EQ(added, (std::vector<std::string>{
                         "color",          "transparency",    "ambientColor",        "incandescence",
                         "diffuse",        "scatteringColor", "scattering",          "anisotropy",
                         "depth",          "oppositionColor", "opposition",          "backlightColor",
                         "backlight",      "eccentricity",    "specularRollOff",     "specularColor",
                         "outColor",       "outTransparency", "rayDirection",        "pointCamera",
                         "normalCamera",   "lightDirection",  "lightIntensity",      "lightAmbient",
                         "lightDiffuse",   "lightSpecular",   "lightShadowFraction", "preShadowIntensity",
                         "lightBlindData", "lightDataArray"}));
}

TEST_F(Schema, AffectsInOrder) {
    const char* const toColor = "outColor";
    const char* const toTransparency = "outTransparency";
    std::vector<std::pair<std::string, std::string>> expected;
    const auto add = [&](std::initializer_list<const char*> inputs, const char* output) {
        for (const char* input : inputs) expected.emplace_back(input, output);
    };
    add({"colorR", "colorG", "colorB", "color"}, toColor);
    add({"transparencyR", "transparencyG", "transparencyB"}, toTransparency);
    add({"ambientColorR", "ambientColorG", "ambientColorB", "ambientColor"}, toColor);
    add({"transparency"}, toTransparency);
    add({"transparencyR", "transparencyG", "transparencyB", "transparency"}, toColor);
    add({"incandescenceR", "incandescenceG", "incandescenceB", "incandescence", "diffuse"}, toColor);
    add({"scatteringColorR", "scatteringColorG", "scatteringColorB", "scatteringColor", "scattering",
         "anisotropy", "depth"},
        toColor);
    add({"oppositionColorR", "oppositionColorG", "oppositionColorB", "oppositionColor", "opposition"},
        toColor);
    add({"backlightColorR", "backlightColorG", "backlightColorB", "backlightColor", "backlight",
         "eccentricity", "specularRollOff"},
        toColor);
    add({"specularColorR", "specularColorG", "specularColorB", "specularColor"}, toColor);
    add({"lightIntensityR", "lightIntensityB", "lightIntensityG", "lightIntensity"}, toColor);
    add({"rayDirectionX", "rayDirectionY", "rayDirectionZ", "rayDirection"}, toColor);
    add({"pointCamera", "pointCameraX", "pointCameraY", "pointCameraZ"}, toColor);
    add({"normalCameraX", "normalCameraY", "normalCameraZ", "normalCamera"}, toColor);
    add({"lightDirectionX", "lightDirectionY", "lightDirectionZ", "lightDirection"}, toColor);
    add({"lightAmbient", "lightSpecular", "lightDiffuse", "lightShadowFraction", "preShadowIntensity",
         "lightBlindData", "lightDataArray"},
        toColor);
    ASSERT_EQ(expected.size(), 71u);

    std::vector<std::pair<std::string, std::string>> actual;
    for (const auto& [input, output] : type().affects) actual.emplace_back(input->longName, output->longName);
    EXPECT_EQ(actual, expected);
}

// Changing one input dirties outColor; only transparency and its channels
// dirty outTransparency.
class Dirtiness : public SorvaneSuite, public ::testing::WithParamInterface<const char*> {};

TEST_P(Dirtiness, OfBothOutputsAfterAChange) {
    host::Node node("sorvane");
    host::Evaluation evaluation(node);
    const host::Attribute& input = attr(GetParam());
    const host::Attribute& lights = attr("lightDataArray");
    const host::Attribute& outColor = attr("outColor");
    const host::Attribute& outTransparency = attr("outTransparency");
    evaluation.setElementCount(lights, 1);
    evaluation.requestVector(outColor);
    evaluation.requestVector(outTransparency);
    ASSERT_FALSE(evaluation.isDirty(outColor));
    ASSERT_FALSE(evaluation.isDirty(outTransparency));

    if (&input == &lights) {
        evaluation.setElementCount(lights, 2);
    } else if (input.arrayOwner) {
        switch (input.kind) {
            case AttributeKind::Float:
                evaluation.setElement(lights, 0, input, 0.5f);
                break;
            case AttributeKind::Bool:
                evaluation.setElement(lights, 0, input, false);
                break;
            case AttributeKind::Compound:
                evaluation.setElement(lights, 0, input, MFloatVector(0.1f, 0.2f, 0.3f));
                break;
            default:
                evaluation.setElement(lights, 0, input, static_cast<void*>(&node));
                break;
        }
    } else if (input.kind == AttributeKind::Compound) {
        evaluation.set(input, MFloatVector(0.1f, 0.2f, 0.3f));
    } else {
        evaluation.set(input, 0.5f);
    }

    const bool transparencyFamily = std::string(GetParam()).rfind("transparency", 0) == 0;
    EXPECT_TRUE(evaluation.isDirty(outColor));
    EXPECT_TRUE(evaluation.isDirty(attr("outColorG"))) << "a dirty output's children are dirty";
    EXPECT_EQ(evaluation.isDirty(outTransparency), transparencyFamily);
}

// Every compound and every child of one, outputs excluded: 67 inputs.
const char* const kInputs[] = {"colorR",
                               "colorG",
                               "colorB",
                               "color",
                               "transparencyR",
                               "transparencyG",
                               "transparencyB",
                               "transparency",
                               "ambientColorR",
                               "ambientColorG",
                               "ambientColorB",
                               "ambientColor",
                               "incandescenceR",
                               "incandescenceG",
                               "incandescenceB",
                               "incandescence",
                               "diffuse",
                               "scatteringColorR",
                               "scatteringColorG",
                               "scatteringColorB",
                               "scatteringColor",
                               "scattering",
                               "anisotropy",
                               "depth",
                               "oppositionColorR",
                               "oppositionColorG",
                               "oppositionColorB",
                               "oppositionColor",
                               "opposition",
                               "backlightColorR",
                               "backlightColorG",
                               "backlightColorB",
                               "backlightColor",
                               "backlight",
                               "eccentricity",
                               "specularRollOff",
                               "specularColorR",
                               "specularColorG",
                               "specularColorB",
                               "specularColor",
                               "normalCameraX",
                               "normalCameraY",
                               "normalCameraZ",
                               "normalCamera",
                               "rayDirectionX",
                               "rayDirectionY",
                               "rayDirectionZ",
                               "rayDirection",
                               "pointCameraX",
                               "pointCameraY",
                               "pointCameraZ",
                               "pointCamera",
                               "lightDirectionX",
                               "lightDirectionY",
                               "lightDirectionZ",
                               "lightDirection",
                               "lightIntensityR",
                               "lightIntensityG",
                               "lightIntensityB",
                               "lightIntensity",
                               "lightAmbient",
                               "lightDiffuse",
                               "lightSpecular",
                               "lightShadowFraction",
                               "preShadowIntensity",
                               "lightBlindData",
                               "lightDataArray"};
static_assert(sizeof kInputs / sizeof kInputs[0] == 67);

INSTANTIATE_TEST_SUITE_P(EachInput, Dirtiness, ::testing::ValuesIn(kInputs));

}  // namespace
}  // namespace sorvane::testing
