// The Attribute Editor template against the node it lays out.
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "tests/support/mayaTesting.h"

namespace sorvane::testing {
namespace {

class AETemplate : public SorvaneSuite {
protected:
    static std::string mel() {
        std::ifstream file(SORVANE_AE_TEMPLATE);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    static std::set<std::string> named(const char* flag) {
        const std::string mel = AETemplate::mel();
        std::set<std::string> names;
        const std::regex control(std::string("editorTemplate\\s+") + flag + "\\s+\"([A-Za-z0-9_]+)\"");
        for (auto it = std::sregex_iterator(mel.begin(), mel.end(), control); it != std::sregex_iterator();
             ++it) {
            names.insert((*it)[1]);
        }
        return names;
    }

    // The attributes given custom controls: -callCustom "new" "replace" "attribute".
    static std::set<std::string> customControls() {
        const std::string mel = AETemplate::mel();
        std::set<std::string> names;
        const std::regex custom("editorTemplate\\s+-callCustom\\s+\"\\w+\"\\s+\"\\w+\"\\s+\"(\\w+)\"");
        for (auto it = std::sregex_iterator(mel.begin(), mel.end(), custom); it != std::sregex_iterator();
             ++it) {
            names.insert((*it)[1]);
        }
        return names;
    }
};

TEST_F(AETemplate, NamesOnlyAttributesOfTheNode) {
    const std::set<std::string> controls = named("-addControl");
    const std::set<std::string> suppressed = named("-suppress");
    ASSERT_FALSE(controls.empty());
    for (const auto& names : {controls, suppressed, customControls()}) {
        for (const std::string& name : names) EXPECT_NE(type().find(name), nullptr) << name;
    }
}

TEST_F(AETemplate, ShowsEveryKeyableAttributeAndHidesTheRendererInputs) {
    const std::set<std::string> controls = named("-addControl");
    const std::set<std::string> suppressed = named("-suppress");
    const std::set<std::string> custom = customControls();
    for (const auto& attribute : type().attributes) {
        const std::string& name = attribute->longName;
        if (attribute->keyable) {
            // A channel appears through its compound.
            const bool shown =
                controls.count(name) || (attribute->parent && controls.count(attribute->parent->longName));
            EXPECT_TRUE(shown) << name << " is keyable but not in the template";
        }
        if (attribute->hidden && !attribute->parent) {
            EXPECT_TRUE(suppressed.count(name) || custom.count(name))
                << name << " is filled by the renderer but neither suppressed nor given its own control";
        }
        EXPECT_FALSE(controls.count(name) && suppressed.count(name)) << name;
    }
    for (const char* name : {"rayDirection", "pointCamera", "lightDataArray"}) {
        EXPECT_TRUE(suppressed.count(name)) << name;
    }
}

// Bumping is connecting a bump node to normalCamera: the template must offer
// it in its own layout through a navigation control, as Maya's surface
// shaders do, with both procedures it names defined beside it.
TEST_F(AETemplate, OffersBumpMappingOnNormalCamera) {
    const std::string text = mel();
    const std::regex bump(
        "-beginLayout\\s+\"Bump "
        "Mapping\"[^;]*;\\s*editorTemplate\\s+-callCustom\\s+\"(\\w+)\"\\s+\"(\\w+)\"\\s+"
        "\"normalCamera\"\\s*;\\s*editorTemplate\\s+-endLayout");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(text, match, bump))
        << "no Bump Mapping layout with a custom normalCamera control";
    for (const std::string& proc : {match[1].str(), match[2].str()}) {
        const std::regex definition("global proc " + proc +
                                    "\\s*\\(string \\$\\w+\\)\\s*\\{[^}]*"
                                    "attrNavigationControlGrp[^}]*\\}");
        EXPECT_TRUE(std::regex_search(text, definition)) << proc << " is not defined as a navigation control";
    }
    EXPECT_FALSE(named("-suppress").count("normalCamera")) << "normalCamera is shown, so not suppressed";
}

}  // namespace
}  // namespace sorvane::testing
