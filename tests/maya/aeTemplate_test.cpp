// The Attribute Editor template against the node it lays out.
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "mayaTesting.h"

namespace sorvane::testing {
namespace {

class AETemplate : public SorvaneSuite {
protected:
    static std::set<std::string> named(const char* flag) {
        std::ifstream file(SORVANE_AE_TEMPLATE);
        std::stringstream text;
        text << file.rdbuf();
        const std::string mel = text.str();
        std::set<std::string> names;
        const std::regex control(std::string("editorTemplate\\s+") + flag + "\\s+\"([A-Za-z0-9_]+)\"");
        for (auto it = std::sregex_iterator(mel.begin(), mel.end(), control); it != std::sregex_iterator();
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
    for (const auto& names : {controls, suppressed}) {
        for (const std::string& name : names) EXPECT_NE(type().find(name), nullptr) << name;
    }
}

TEST_F(AETemplate, ShowsEveryKeyableAttributeAndHidesTheRendererInputs) {
    const std::set<std::string> controls = named("-addControl");
    const std::set<std::string> suppressed = named("-suppress");
    for (const auto& attribute : type().attributes) {
        const std::string& name = attribute->longName;
        if (attribute->keyable) {
            // A channel appears through its compound.
            const bool shown =
                controls.count(name) || (attribute->parent && controls.count(attribute->parent->longName));
            EXPECT_TRUE(shown) << name << " is keyable but not in the template";
        }
        if (attribute->hidden && !attribute->parent) {
            EXPECT_TRUE(suppressed.count(name)) << name << " is filled by the renderer but not suppressed";
        }
        EXPECT_FALSE(controls.count(name) && suppressed.count(name)) << name;
    }
    for (const char* name : {"normalCamera", "rayDirection", "pointCamera", "lightDataArray"}) {
        EXPECT_TRUE(suppressed.count(name)) << name;
    }
}

}  // namespace
}  // namespace sorvane::testing
