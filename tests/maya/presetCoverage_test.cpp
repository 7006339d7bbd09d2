// Applying a preset must leave no value of the material behind: every
// attribute preset Maya reads sets every attribute a user can set on the
// node, those its preset leaves out at the node's defaults.
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/mayaTesting.h"

namespace sorvane::testing {
namespace {

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class PresetCoverage : public SorvaneSuite {
protected:
    // What the Attribute Editor lets a user set: writable top-level inputs
    // that the renderer does not fill.
    static std::vector<const host::Attribute*> userAttributes() {
        std::vector<const host::Attribute*> attributes;
        for (const auto& a : type().attributes) {
            if (a->writable && !a->hidden && !a->output && !a->parent && !a->array && !a->arrayOwner) {
                attributes.push_back(a.get());
            }
        }
        return attributes;
    }

    static std::vector<std::string> channels(const host::Attribute& attribute) {
        if (attribute.children.empty()) return {attribute.longName};
        std::vector<std::string> names;
        for (const host::Attribute* child : attribute.children) names.push_back(child->longName);
        return names;
    }
};

TEST_F(PresetCoverage, EveryPresetSetsEveryUserAttribute) {
    const auto presets = nlohmann::json::parse(readFile(SORVANE_PRESETS_JSON));
    const std::vector<const host::Attribute*> attributes = userAttributes();
    // The node's own inputs, so an empty list cannot pass.
    ASSERT_GE(attributes.size(), 16u);
    ASSERT_FALSE(presets.empty());
    for (const auto& [name, preset] : presets.items()) {
        SCOPED_TRACE("preset \"" + name + "\"");
        // Maya's preset (values for all hosts and Maya's own); mental ray's section never reaches the node.
        std::set<std::string> named;
        for (const char* section : {"attributes", "maya"}) {
            if (!preset.contains(section)) continue;
            for (const auto& [attribute, value] : preset[section].items()) named.insert(attribute);
        }
        const std::string mel = readFile(std::string(SORVANE_ATTR_PRESETS) + "/" + name + ".mel");
        ASSERT_FALSE(mel.empty()) << "no attribute preset made for it";
        for (const host::Attribute* attribute : attributes) {
            const bool given = named.count(attribute->longName) || named.count(attribute->shortName);
            for (const std::string& channel : channels(*attribute)) {
                std::smatch value;
                ASSERT_TRUE(
                    std::regex_search(mel, value, std::regex("blendAttr \"" + channel + "\" ([^;]+);")))
                    << channel << " is not set by " << name << ".mel";
                if (given) continue;
                const host::Attribute& set =
                    attribute->children.empty() ? *attribute : type().attribute(channel.c_str());
                EXPECT_EQ(std::stof(value[1]), set.defaultFloat)
                    << channel << ", left out, is not at its default";
            }
        }
    }
}

}  // namespace
}  // namespace sorvane::testing
