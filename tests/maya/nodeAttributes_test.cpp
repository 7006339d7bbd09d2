// The material table against what is written beside it: the documentation
// tables, the default preset, and the mental ray declaration the build makes.
// The Attribute Editor template is made from the table by the build too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include "host/mentalray/declaration.h"
#include "host/mentalray/nodeFactoryHints.h"
#include "maya/nodeAttributeDocs.h"
#include "maya/nodeAttributes.h"
#include "mentalray/shaderParameters.h"

namespace sorvane::mayaplugin {
// A row shows as its name in a failure.
void PrintTo(const NodeAttribute& row, std::ostream* os) { *os << row.longName; }
}  // namespace sorvane::mayaplugin

namespace sorvane::testing {
namespace {

using namespace ::sorvane::mayaplugin;

using Row = NodeAttribute;

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(AttributeTable, EveryNameOfTheNodeIsItsOwn) {
    // Maya looks attributes up by long and short name alike.
    std::multiset<std::string> names;
    for (const Row& row : kNodeAttributes) {
        names.insert(row.longName);
        names.insert(row.shortName);
        if (!row.compound()) continue;
        for (const Row::Channel& channel : row.channels) {
            names.insert(channel.longName);
            names.insert(channel.shortName);
        }
    }
    names.insert(kLightDataArray);
    for (const char* child : kLightDataChildren) names.insert(child);
    for (const std::string& name : names) EXPECT_EQ(names.count(name), 1u) << name;
}

// The documentation's tables must be the rendered ones, verbatim. With
// SORVANE_UPDATE_REFERENCES=1 the test writes them in, in place of the
// block that starts as the rendered one does; review the difference.
struct Document {
    const char* path;
    std::string (*render)();
    const char* blockEnd;  // what follows the block
};

void PrintTo(const Document& d, std::ostream* os) { *os << d.path; }

class Documentation : public ::testing::TestWithParam<Document> {};

bool rewrite(const Document& d, std::string text, const std::string& expected) {
    const std::size_t start = text.find(expected.substr(0, expected.find('\n') + 1));
    if (start == std::string::npos) return false;
    const std::size_t end = text.find(d.blockEnd, start);
    if (end == std::string::npos) return false;
    text.replace(start, end - start, expected);
    std::ofstream out(d.path, std::ios::binary);
    return static_cast<bool>(out << text);
}

TEST_P(Documentation, ListsTheTableAsItIs) {
    const std::string text = readFile(GetParam().path);
    ASSERT_FALSE(text.empty()) << GetParam().path << " cannot be read";
    const std::string expected = GetParam().render();
    if (text.find(expected) != std::string::npos) return;
    if (std::getenv("SORVANE_UPDATE_REFERENCES") != nullptr) {
        ASSERT_TRUE(rewrite(GetParam(), text, expected))
            << GetParam().path << ": the table's block is not found";
        return;
    }
    ADD_FAILURE() << GetParam().path << " does not hold the attribute table as it now is "
                  << "(SORVANE_UPDATE_REFERENCES=1 writes it in); expected:\n"
                  << expected;
}

INSTANTIATE_TEST_SUITE_P(HandKept, Documentation,
                         ::testing::Values(Document{SORVANE_README, readmeTable, "\n\n"},
                                           Document{SORVANE_NODE_HEADER, nodeHeaderComment,
                                                    "// The rows are nodeAttributes.h"}));

// One material row at a time: its default in the preset and, where mental
// ray has a parameter of the same role, in the declaration.
class MaterialRow : public ::testing::TestWithParam<Row> {
protected:
    static const nlohmann::json& defaultPreset() {
        static const nlohmann::json preset =
            nlohmann::json::parse(readFile(SORVANE_PRESETS_JSON)).at("default");
        return preset;
    }
    static const mrhost::Declaration& declaration() {
        static const mrhost::Declaration shipped = mrhost::readDeclarations(SORVANE_MR_DECLARATION).at(0);
        return shipped;
    }
    static const mrhost::ParameterHints* hints(const std::string& parameter) {
        static const mrhost::NodeFactoryHints all =
            mrhost::readNodeFactoryHints(SORVANE_MR_DECLARATION).at(0);
        return all.find(parameter);
    }
    static const mrhost::Parameter* parameter(const std::string& name) {
        for (const mrhost::Parameter& p : declaration().parameters) {
            if (p.name == name) return &p;
        }
        return nullptr;
    }
};

// Where the default preset names a row, it holds the row's default; what it
// leaves out, the build fills in at the same.
TEST_P(MaterialRow, DefaultPresetHoldsTheDefault) {
    const Row& row = GetParam();
    // Values every host takes, or Maya's own where mental ray has no counterpart.
    const char* section = row.mentalray ? "attributes" : "maya";
    if (!defaultPreset().contains(section) || !defaultPreset()[section].contains(row.longName)) return;
    const nlohmann::json& value = defaultPreset()[section][row.longName];
    if (row.compound()) {
        ASSERT_TRUE(value.is_array() && value.size() == 3) << value;
        for (const auto& channel : value) EXPECT_EQ(channel.get<float>(), row.defaultValue) << value;
    } else {
        EXPECT_EQ(value.get<float>(), row.defaultValue);
    }
}

class MentalRayCounterpart : public MaterialRow {};

TEST_P(MentalRayCounterpart, HasTheKindDefaultAndSlider) {
    const Row& row = GetParam();
    const mrhost::Parameter* p = parameter(row.mentalray);
    ASSERT_NE(p, nullptr) << row.mentalray << " is not declared";
    const mrhost::ParameterType kind = row.kind == Row::Kind::color    ? mrhost::ParameterType::Color
                                       : row.kind == Row::Kind::vector ? mrhost::ParameterType::Vector
                                                                       : mrhost::ParameterType::Scalar;
    EXPECT_EQ(p->kind, kind);
    ASSERT_TRUE(p->hasDefault);
    const std::size_t components = row.compound() ? 3 : 1;
    ASSERT_GE(p->defaultValue.size(), components);
    for (std::size_t i = 0; i < components; ++i) {
        EXPECT_EQ(static_cast<float>(p->defaultValue[i]), row.defaultValue) << "component " << i;
    }
    if (!row.softRange) return;
    // The slider is the node's, narrowed where the shader takes less (a hard min).
    const mrhost::ParameterHints* h = hints(row.mentalray);
    ASSERT_NE(h, nullptr);
    const auto hint = [&](const char* name, double fallback) {
        const auto found = h->values.find(name);
        return found == h->values.end() ? fallback : found->second.front();
    };
    EXPECT_EQ(hint("softmin", -1e30), std::max(row.softMin, hint("min", row.softMin)));
    EXPECT_EQ(hint("softmax", 1e30), std::min(row.softMax, hint("max", row.softMax)));
}

std::vector<Row> materialRows(bool withCounterpartOnly) {
    std::vector<Row> rows;
    for (const Row& row : kNodeAttributes) {
        if (row.group == Row::Group::material && (row.mentalray || !withCounterpartOnly)) rows.push_back(row);
    }
    return rows;
}

std::string rowName(const ::testing::TestParamInfo<Row>& info) { return info.param.longName; }

INSTANTIATE_TEST_SUITE_P(EachMaterialAttribute, MaterialRow, ::testing::ValuesIn(materialRows(false)),
                         rowName);
INSTANTIATE_TEST_SUITE_P(EachSharedAttribute, MentalRayCounterpart, ::testing::ValuesIn(materialRows(true)),
                         rowName);

// Each row of the shader's table as the build declares it: in its place,
// of its type, with its default, and the node factory's limits and slider.
class DeclaredParameter : public ::testing::TestWithParam<std::size_t> {};

TEST_P(DeclaredParameter, IsDeclaredAsTheTableSays) {
    const std::size_t place = GetParam();
    const sorvane::mrplugin::ShaderParameter& row = sorvane::mrplugin::kShaderParameters[place];
    using Type = sorvane::mrplugin::ShaderParameter::Type;
    const mrhost::Declaration declaration = mrhost::readDeclarations(SORVANE_MR_DECLARATION).at(0);
    ASSERT_GT(declaration.parameters.size(), place);
    const mrhost::Parameter& p = declaration.parameters[place];
    EXPECT_EQ(p.name, row.name);
    const mrhost::ParameterType kind = row.type == Type::color    ? mrhost::ParameterType::Color
                                       : row.type == Type::vector ? mrhost::ParameterType::Vector
                                       : row.type == Type::scalar ? mrhost::ParameterType::Scalar
                                                                  : mrhost::ParameterType::Boolean;
    EXPECT_EQ(p.kind, kind);
    ASSERT_TRUE(p.hasDefault);
    const std::size_t components = row.type == Type::color || row.type == Type::vector ? 3 : 1;
    ASSERT_GE(p.defaultValue.size(), components);
    for (std::size_t i = 0; i < components; ++i) {
        EXPECT_EQ(static_cast<float>(p.defaultValue[i]), row.defaultValue) << "component " << i;
    }
    if (row.type != Type::scalar) return;
    const mrhost::NodeFactoryHints all = mrhost::readNodeFactoryHints(SORVANE_MR_DECLARATION).at(0);
    const mrhost::ParameterHints* h = all.find(row.name);
    ASSERT_NE(h, nullptr);
    const auto hint = [&](const char* name) -> std::optional<double> {
        const auto found = h->values.find(name);
        if (found == h->values.end()) return std::nullopt;
        return found->second.front();
    };
    EXPECT_EQ(hint("min"), row.min.present ? std::optional<double>(row.min.value) : std::nullopt);
    EXPECT_EQ(hint("max"), row.max.present ? std::optional<double>(row.max.value) : std::nullopt);
    EXPECT_EQ(hint("softmin"), row.min.present ? std::max(row.softMin, row.min.value) : row.softMin);
    EXPECT_EQ(hint("softmax"), row.max.present ? std::min(row.softMax, row.max.value) : row.softMax);
}

INSTANTIATE_TEST_SUITE_P(EachShaderParameter, DeclaredParameter,
                         ::testing::Range<std::size_t>(0, sorvane::mrplugin::kShaderParameterCount),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                             return std::string(sorvane::mrplugin::kShaderParameters[info.param].name);
                         });

// The default preset's mental ray section holds what only the shader has, at
// the declaration's default (subsurfaceIntensity's balanced 0.22).
TEST(DefaultPreset, MentalRaysOwnValuesAreTheDeclaredDefaults) {
    const nlohmann::json preset = nlohmann::json::parse(readFile(SORVANE_PRESETS_JSON)).at("default");
    const mrhost::Declaration declaration = mrhost::readDeclarations(SORVANE_MR_DECLARATION).at(0);
    ASSERT_TRUE(preset.contains("mentalray"));
    for (const auto& item : preset["mentalray"].items()) {
        const std::string& name = item.key();
        const auto& value = item.value();
        SCOPED_TRACE(name);
        for (const Row& row : kNodeAttributes) {
            EXPECT_FALSE(row.mentalray && name == row.mentalray) << "a counterpart of " << row.longName;
        }
        const auto p = std::find_if(declaration.parameters.begin(), declaration.parameters.end(),
                                    [&](const mrhost::Parameter& q) { return q.name == name; });
        ASSERT_NE(p, declaration.parameters.end()) << "not declared";
        ASSERT_TRUE(p->hasDefault);
        EXPECT_EQ(value.get<float>(), static_cast<float>(p->defaultValue.at(0)));
    }
    // Nothing in the preset that is no material attribute of the node.
    for (const char* section : {"attributes", "maya"}) {
        for (const auto& item : preset[section].items()) {
            const std::string& name = item.key();
            const bool known = std::any_of(
                std::begin(kNodeAttributes), std::end(kNodeAttributes),
                [&](const Row& r) { return r.group == Row::Group::material && name == r.longName; });
            EXPECT_TRUE(known) << name << " in \"" << section << "\"";
        }
    }
}

}  // namespace
}  // namespace sorvane::testing
