// The node's attribute schema, read back from what the loaded plug-in registered.
#include <algorithm>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "maya/nodeAttributes.h"
#include "tests/support/mayaTesting.h"
#include "tests/support/nodeTable.h"

namespace sorvane::testing {
namespace {

using namespace ::sorvane::mayaplugin;

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

// Each row of the table in creation order, a compound's channels before it.
void tableRows(std::vector<Row>& rows) {
    for (const NodeAttribute& t : kNodeAttributes) {
        if (!t.compound()) {
            rows.push_back({t.longName,
                            t.shortName,
                            AttributeKind::Float,
                            "",
                            {t.defaultValue},
                            t.softMin,
                            t.softMax,
                            kMaterial});
            continue;
        }
        const char* const children[3][2] = {{t.channels[0].longName, t.channels[0].shortName},
                                            {t.channels[1].longName, t.channels[1].shortName},
                                            {t.channels[2].longName, t.channels[2].shortName}};
        switch (t.group) {
            case NodeAttribute::Group::material:
                compound(rows, t.longName, t.shortName, children, t.defaultValue,
                         t.kind == NodeAttribute::Kind::color ? kMaterialColor : kMaterial, kMaterial);
                break;
            case NodeAttribute::Group::output:
                compound(rows, t.longName, t.shortName, children, t.defaultValue, kOutput, kOutput);
                break;
            case NodeAttribute::Group::sampleInput:
                compound(rows, t.longName, t.shortName, children, t.defaultValue, kSampleInput, kSampleInput);
                break;
        }
    }
}

std::vector<Row> expectedSchema() {
    std::vector<Row> rows;
    tableRows(rows);

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
    ASSERT_EQ(rows.size(), nodeAttributeCount());
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

// Whether every element of `part` is in `whole`, in the same order.
template <class T>
bool inOrderWithin(const std::vector<T>& part, const std::vector<T>& whole) {
    auto at = whole.begin();
    for (const T& element : part) {
        at = std::find(at, whole.end(), element);
        if (at == whole.end()) return false;
        ++at;
    }
    return true;
}

// The sample inputs in the renderer's order, as their wiring slots give it.
std::vector<const NodeAttribute*> sampleInputsInWiringOrder() {
    std::vector<const NodeAttribute*> inputs;
    for (const NodeAttribute& t : kNodeAttributes) {
        if (t.group == NodeAttribute::Group::sampleInput) inputs.push_back(&t);
    }
    std::sort(inputs.begin(), inputs.end(),
              [](const NodeAttribute* a, const NodeAttribute* b) { return a->wiringSlot < b->wiringSlot; });
    return inputs;
}

TEST_F(Schema, AddedInOrder) {
    // Materials and outputs in the table's order, the sample inputs in the
    // renderer's, then the light data's children and the array.
    std::vector<std::string> expected;
    for (const NodeAttribute& t : kNodeAttributes) {
        if (t.group != NodeAttribute::Group::sampleInput) expected.push_back(t.longName);
    }
    for (const NodeAttribute* t : sampleInputsInWiringOrder()) expected.push_back(t->longName);
    expected.insert(expected.end(), std::begin(kLightDataChildren), std::end(kLightDataChildren));
    expected.push_back(kLightDataArray);
    EXPECT_TRUE(inOrderWithin(
        std::vector<std::string>{"color",       "transparency",    "ambientColor",    "incandescence",
                                 "diffuse",     "scatteringColor", "scattering",      "anisotropy",
                                 "depth",       "oppositionColor", "opposition",      "backlightColor",
                                 "backlight",   "eccentricity",    "specularRollOff", "specularColor",
                                 "outColor",    "outTransparency", "rayDirection",    "pointCamera",
                                 "normalCamera"},
        expected))
        << "the released node's attributes keep their order";

    std::vector<std::string> added;
    for (const host::Attribute* a : type().added) added.push_back(a->longName);
    EXPECT_EQ(added, expected);
}

TEST_F(Schema, AffectsInOrder) {
    const char* const toColor = "outColor";
    const char* const toTransparency = "outTransparency";
    std::vector<std::pair<std::string, std::string>> expected;
    const auto add = [&](std::initializer_list<std::string> inputs, const char* output) {
        for (const std::string& input : inputs) expected.emplace_back(input, output);
    };
    // A row's channels, then the compound (or the other way round where the
    // row says so); a scalar alone.
    const auto addRow = [&](const NodeAttribute& t, const char* output) {
        if (!t.compound()) return add({t.longName}, output);
        const std::string name = t.longName;
        const std::initializer_list<std::string> channels = {t.channels[0].longName, t.channels[1].longName,
                                                             t.channels[2].longName};
        if (t.channelOrder == NodeAttribute::ChannelOrder::compoundFirst) add({name}, output);
        add(channels, output);
        if (t.channelOrder == NodeAttribute::ChannelOrder::channelsFirst) add({name}, output);
    };
    // The shipped node's order: transparency's channels affect
    // outTransparency in its place; the rest of its dependencies follow the
    // next material row's.
    const NodeAttribute* held = nullptr;
    for (const NodeAttribute& t : kNodeAttributes) {
        if (t.group != NodeAttribute::Group::material) continue;
        if (t.affects == NodeAttribute::Affects::outColorAndTransparency) {
            add({t.channels[0].longName, t.channels[1].longName, t.channels[2].longName}, toTransparency);
            held = &t;
            continue;
        }
        addRow(t, toColor);
        if (held != nullptr) {
            add({held->longName}, toTransparency);
            addRow(*held, toColor);
            held = nullptr;
        }
    }
    add({"lightIntensityR", "lightIntensityB", "lightIntensityG", "lightIntensity"}, toColor);
    for (const NodeAttribute* t : sampleInputsInWiringOrder()) addRow(*t, toColor);
    add({"lightDirectionX", "lightDirectionY", "lightDirectionZ", "lightDirection"}, toColor);
    add({"lightAmbient", "lightSpecular", "lightDiffuse", "lightShadowFraction", "preShadowIntensity",
         "lightBlindData", "lightDataArray"},
        toColor);
    ASSERT_EQ(expected.size(), affectsCount());
    // The released node's first dependencies, as it made them.
    const std::vector<std::pair<std::string, std::string>> released = {{"colorR", toColor},
                                                                       {"colorG", toColor},
                                                                       {"colorB", toColor},
                                                                       {"color", toColor},
                                                                       {"transparencyR", toTransparency},
                                                                       {"transparencyG", toTransparency},
                                                                       {"transparencyB", toTransparency},
                                                                       {"ambientColorR", toColor},
                                                                       {"ambientColorG", toColor},
                                                                       {"ambientColorB", toColor},
                                                                       {"ambientColor", toColor},
                                                                       {"transparency", toTransparency},
                                                                       {"transparencyR", toColor},
                                                                       {"transparencyG", toColor},
                                                                       {"transparencyB", toColor},
                                                                       {"transparency", toColor},
                                                                       {"incandescenceR", toColor}};
    EXPECT_TRUE(inOrderWithin(released, expected)) << "the released node's dependencies keep their order";

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

// Every input, and every channel and child of one: the table's materials
// and sample inputs, then the light data.
std::vector<const char*> inputs() {
    std::vector<const char*> names;
    for (const NodeAttribute& t : kNodeAttributes) {
        if (t.group == NodeAttribute::Group::output) continue;
        if (t.compound()) {
            for (const NodeAttribute::Channel& c : t.channels) names.push_back(c.longName);
        }
        names.push_back(t.longName);
    }
    for (const char* name : {"lightDirectionX", "lightDirectionY", "lightDirectionZ", "lightDirection",
                             "lightIntensityR", "lightIntensityG", "lightIntensityB", "lightIntensity"}) {
        names.push_back(name);
    }
    for (std::size_t i = 2; i < std::size(kLightDataChildren); ++i) names.push_back(kLightDataChildren[i]);
    names.push_back(kLightDataArray);
    return names;
}

INSTANTIATE_TEST_SUITE_P(EachInput, Dirtiness, ::testing::ValuesIn(inputs()));

}  // namespace
}  // namespace sorvane::testing
