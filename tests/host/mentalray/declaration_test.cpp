#include <cstddef>
#include <cstring>
#include <fstream>
#include <iterator>

#include "mentalray/sorvaneParameters.h"
#include "tests/support/mentalrayTesting.h"

namespace sorvane::mrhost {
namespace {

using testing::BadDeclaration;
using testing::DeclarationErrors;
using testing::declarationPath;
using testing::libraryPath;
using testing::shippedDeclaration;

struct FieldCase {
    const char* name;
    std::size_t offset;
};

// The library's compiled offsets, a field per row of its table and the
// lights, against what the host lays out from the shipped declaration.
#define SORVANE_FIELD_CASE(name, ...) {#name, offsetof(SorvaneParameters, name)},
#define SORVANE_SHADER_COLOR SORVANE_FIELD_CASE
#define SORVANE_SHADER_SCALAR SORVANE_FIELD_CASE
#define SORVANE_SHADER_VECTOR SORVANE_FIELD_CASE
#define SORVANE_SHADER_BOOLEAN SORVANE_FIELD_CASE
const FieldCase kFields[] = {SORVANE_SHADER_PARAMETERS{"lights", offsetof(SorvaneParameters, i_lights)}};
#undef SORVANE_FIELD_CASE
#undef SORVANE_SHADER_COLOR
#undef SORVANE_SHADER_SCALAR
#undef SORVANE_SHADER_VECTOR
#undef SORVANE_SHADER_BOOLEAN

TEST(ShippedDeclaration, LaysOutExactlyTheLibrarysBlock) {
    const BlockLayout layout(shippedDeclaration());
    ASSERT_EQ(layout.parameters().size(), std::size(kFields));
    for (std::size_t i = 0; i < std::size(kFields); ++i) {
        SCOPED_TRACE(kFields[i].name);
        EXPECT_EQ(layout.parameters()[i].parameter->name, kFields[i].name);
        EXPECT_EQ(static_cast<std::size_t>(layout.parameters()[i].offset), kFields[i].offset);
    }
    EXPECT_EQ(static_cast<std::size_t>(layout.size()), sizeof(SorvaneParameters));
    EXPECT_EQ(layout.declaration().version, 1);
    EXPECT_EQ(layout.declaration().returns, "color");
    const ParameterLayout* lights = layout.find("lights");
    ASSERT_NE(lights, nullptr);
    EXPECT_TRUE(lights->parameter->isArray);
    EXPECT_EQ(typeText(*lights->parameter), "array light");
}

TEST(ShippedDeclaration, TheLibraryReadsEveryLaidOutFieldAndNothingElse) {
    const LoadedShader shader(libraryPath(), declarationPath());
    EXPECT_TRUE(layoutMatches(shader));
    // The order in which the shader fetches them.
    const std::vector<int> expected{0,  16, 32, 64, 92,  112, 144, 136, 140, 48,  160,
                                    60, 80, 84, 88, 108, 128, 132, 184, 180, 188, 164};
    EXPECT_EQ(probeParameterOffsets(shader), expected);
}

TEST(ShippedDeclaration, DefaultsMatchTheMayaNodeWhereTheRoleIsTheSame) {
    const BlockLayout layout(shippedDeclaration());
    const auto value = [&](const char* name) { return layout.find(name)->parameter->defaultValue; };
    EXPECT_EQ(value("color"), (std::vector<double>{0.5, 0.5, 0.5, 1.0}));
    EXPECT_EQ(value("diffuse"), std::vector<double>{0.8});
    EXPECT_EQ(value("anisotropy"), std::vector<double>{0.65});
    EXPECT_EQ(value("oppositionColor"), (std::vector<double>{0.6, 0.6, 0.6, 1.0}));
    EXPECT_EQ(value("eccentricity"), std::vector<double>{0.2});
    // Added to the surface normal here, so it must not tilt it by default.
    EXPECT_EQ(value("normalCamera"), (std::vector<double>{0.0, 0.0, 0.0}));
    EXPECT_EQ(value("useIrradiance"), std::vector<double>{0.0});
}

// A shuffled declaration lays fields where the library does not read them.
TEST(LayoutProbe, NoticesADeclarationThatDisagreesWithTheLibrary) {
    const std::string path = ::testing::TempDir() + "/qm7r_sorvane.mi";
    {
        std::string text = "declare shader color \"qm7r_sorvane\" (\n";
        for (const Parameter& p : shippedDeclaration().parameters) {
            // diffuse as a colour shifts every later field by 12 bytes.
            const std::string type = p.name == "diffuse" ? "color" : typeText(p);
            text += "  " + type + " \"" + p.name + "\"" + (p.isArray ? "\n" : ",\n");
        }
        text += ") version 1 end declare\n";
        std::FILE* file = std::fopen(path.c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fputs(text.c_str(), file);
        std::fclose(file);
    }
    const LoadedShader shader(libraryPath(), path);
    EXPECT_FALSE(layoutMatches(shader));
}

TEST(DeclarationReader, ReadsTheGrammarOurDeclarationsUse) {
    const auto declarations = parseDeclarations(R"(
# a comment
declare shader
    color "first" (
        color "c" default 0.1 0.2 0.3,      #: softmin 0 softmax 1
        boolean "a" default on, boolean "b" default false,
        integer "i" default -7,
        scalar "s" default .5,
        vector "v" default 1 2. 1.e1,
        color texture "t",
        array light "l"
    )
    version 3
    apply material, shadow
end declare
declare "old" ( scalar "x" ) end declare
)",
                                                "test.mi");
    ASSERT_EQ(declarations.size(), 2u);
    const Declaration& d = declarations[0];
    EXPECT_EQ(d.name, "first");
    EXPECT_EQ(d.version, 3);
    EXPECT_EQ(d.apply, (std::vector<std::string>{"material", "shadow"}));
    ASSERT_EQ(d.parameters.size(), 8u);
    // A colour default without alpha has alpha 0, as the renderer reads it.
    EXPECT_EQ(d.parameters[0].defaultValue, (std::vector<double>{0.1, 0.2, 0.3, 0.0}));
    EXPECT_EQ(d.parameters[1].defaultValue, std::vector<double>{1.0});
    EXPECT_EQ(d.parameters[2].defaultValue, std::vector<double>{0.0});
    EXPECT_EQ(d.parameters[3].defaultValue, std::vector<double>{-7.0});
    EXPECT_EQ(d.parameters[5].defaultValue, (std::vector<double>{1.0, 2.0, 10.0}));
    EXPECT_EQ(d.parameters[6].kind, ParameterType::Tag);
    EXPECT_EQ(d.parameters[6].typeName, "color texture");
    EXPECT_FALSE(d.parameters[6].hasDefault);
    const BlockLayout layout(d);
    EXPECT_EQ(layout.find("l")->offset, 16 + 4 + 4 + 4 + 4 + 12 + 4);
    EXPECT_EQ(layout.size(), 48 + 12);
    EXPECT_EQ(declarations[1].version, 0);
    EXPECT_EQ(declarations[1].returns, "");
}

TEST_P(DeclarationErrors, NameTheLineAndWhatWasWrong) {
    try {
        parseDeclarations(GetParam().text, "bad.mi");
        FAIL() << "accepted";
    } catch (const HostError& error) {
        EXPECT_THAT(error.what(), ::testing::HasSubstr(GetParam().message));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, DeclarationErrors,
    ::testing::Values(
        BadDeclaration{"declare shader color \"s\" (\n scalar \"x\" default 1\n scalar \"y\") end declare",
                       "bad.mi:3: expected ',' or ')' after the parameter \"x\", got 'scalar'"},
        BadDeclaration{"declare shader color \"s\" ( scalar \"x\" default big ) end declare",
                       "bad.mi:1: expected a number in the default of \"x\", got 'big'"},
        BadDeclaration{"declare shader color \"s\" ( boolean \"b\" default yes ) end declare",
                       "expected on, off, true, false, 1 or 0 as the default of \"b\""},
        BadDeclaration{"declare shader color \"s\" ( integer \"i\" default 2.5 ) end declare",
                       "expected a 32-bit integer as the default of \"i\""},
        BadDeclaration{"declare shader color \"s\" ( integer \"i\" default 3000000000 ) end declare",
                       "expected a 32-bit integer"},
        BadDeclaration{"declare shader color \"s\" ( scalar \"x\", scalar \"x\" ) end declare",
                       "the parameter \"x\" is declared twice"},
        BadDeclaration{"declare shader color \"s\" ( widget \"w\" ) end declare",
                       "expected a parameter type, got 'widget'"},
        BadDeclaration{"declare shader color \"s\" ( array light \"l\" default 1 ) end declare",
                       "the array \"l\" cannot have a default"},
        BadDeclaration{"declare shader color \"s\" ( struct \"t\" { } ) end declare",
                       "bad.mi:1: the struct \"t\" has no members"},
        BadDeclaration{"declare shader color \"s\" ( scalar \"x\" ) version one end declare",
                       "expected an integer version of shader \"s\", got 'one'"},
        BadDeclaration{"declare shader color \"s\" ( scalar \"x\" )\n", "bad.mi:2: expected 'end'"},
        BadDeclaration{"declare shader color \"s\" scalar \"x\" ) end declare",
                       "bad.mi:1: expected '(' after the name of shader \"s\", got 'scalar'"},
        BadDeclaration{"declare shader color \"s\n", "bad.mi:1: a quoted name is not closed on its line"},
        BadDeclaration{"code \"x.c\"", "expected 'declare', got 'code'"}));

// A NUL byte once made the reader spin on an empty word; now it is read as a
// character of the word it stands in, and refused with it.
TEST(DeclarationReader, RefusesANulByteAndEnds) {
    using namespace std::string_literals;
    for (const std::string& text : {"\0"s, "declare\0 shader"s, "# note\n..\0..\n"s}) {
        EXPECT_THROW(parseDeclarations(text, "bad.mi"), HostError);
    }
}

// Two declarations of the shader: neither is taken silently.
TEST(LoadedShader, RefusesAShaderDeclaredTwice) {
    const std::string path = ::testing::TempDir() + "/twice.mi";
    {
        std::ifstream shipped(declarationPath());
        const std::string text((std::istreambuf_iterator<char>(shipped)), std::istreambuf_iterator<char>());
        std::ofstream(path) << text << "\n" << text;
    }
    try {
        const LoadedShader shader(libraryPath(), path);
        FAIL() << "loaded";
    } catch (const HostError& error) {
        EXPECT_THAT(error.what(),
                    ::testing::HasSubstr("declares the shader \"qm7r_sorvane\" twice (" + path + ":"));
    }
}

TEST(DeclarationReader, AMissingFileIsNamed) {
    EXPECT_THROW(
        {
            try {
                readDeclarations("/nonexistent/x.mi");
            } catch (const HostError& error) {
                EXPECT_STREQ(error.what(),
                             "cannot open the declaration /nonexistent/x.mi: No such file or directory");
                throw;
            }
        },
        HostError);
}

class ParameterBlockTest : public ::testing::Test {
protected:
    ParameterBlockTest()
        : shader_(libraryPath(), declarationPath()), instance_(shader_.instantiate(scene_)) {}

    template <class T>
    T at(int offset) const {
        T value;
        std::memcpy(&value, static_cast<const char*>(instance_->block()) + offset, sizeof value);
        return value;
    }

    LoadedShader shader_;
    SceneDatabase scene_;
    std::unique_ptr<ShaderInstance> instance_;
};

TEST_F(ParameterBlockTest, StartsWithTheDeclaredDefaults) {
    EXPECT_EQ(at<float>(60), 0.8f);  // diffuse
    EXPECT_EQ(at<float>(12), 1.0f);  // color alpha
    EXPECT_EQ(at<int>(160), 0);      // useIrradiance off
    EXPECT_EQ(at<int>(184), 0);      // no lights
    EXPECT_EQ(instance_->ghostOffset(), 0);
}

TEST_F(ParameterBlockTest, AnArrayRunsFromItsFirstElementPastTheBlock) {
    instance_->setArray("lights", {0x301, 0x302, 0x303}, 2);
    EXPECT_EQ(at<int>(180), 2);
    EXPECT_EQ(at<int>(184), 3);
    const std::vector<miTag> expected{0, 0, 0x301, 0x302, 0x303};
    for (std::size_t k = 0; k < expected.size(); ++k) {
        EXPECT_EQ(at<miTag>(188 + 4 * static_cast<int>(k)), expected[k]) << k;
    }
    EXPECT_EQ(instance_->blockBytes(), 188 + 5 * 4);
}

TEST_F(ParameterBlockTest, AConnectionSetsTheGhostTagAndKeepsTheBlockValue) {
    instance_->setScalar("diffuse", 0.25f);
    instance_->connectValues("diffuse", {0.75f});
    const int ghost = instance_->ghostOffset();
    ASSERT_GE(ghost, instance_->blockBytes());
    EXPECT_EQ(at<float>(60), 0.25f);
    EXPECT_NE(at<miTag>(60 + ghost), miNULLTAG);
    EXPECT_EQ(at<miTag>(0 + ghost), miNULLTAG);  // color is not connected
    EXPECT_EQ(at<miTag>(188 + ghost), miNULLTAG);
    // Array data added later moves the ghost area, not the tags' meaning.
    instance_->setArray("lights", {1, 2, 3, 4});
    EXPECT_NE(at<miTag>(60 + instance_->ghostOffset()), miNULLTAG);
}

struct BadValue {
    const char* name;
    std::vector<float> values;
    const char* message;
};

void PrintTo(const BadValue& c, std::ostream* os) { *os << c.name << " x" << c.values.size(); }

class ParameterValueErrors : public ParameterBlockTest, public ::testing::WithParamInterface<BadValue> {};

TEST_P(ParameterValueErrors, AreRefusedWithTheParameterNamed) {
    try {
        instance_->setValues(GetParam().name, GetParam().values);
        FAIL() << "accepted";
    } catch (const HostError& error) {
        EXPECT_THAT(error.what(), ::testing::HasSubstr(GetParam().message));
    }
    EXPECT_EQ(at<float>(60), 0.8f);  // nothing half-written
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParameterValueErrors,
    ::testing::Values(
        BadValue{"colour", {1, 1, 1}, "the shader \"qm7r_sorvane\" has no parameter \"colour\""},
        BadValue{"color", {1, 1}, "the color parameter \"color\" takes 3 or 4 values, not 2"},
        BadValue{"diffuse", {1, 2}, "the scalar parameter \"diffuse\" takes 1 value, not 2"},
        BadValue{"normalCamera", {1, 2, 3, 4}, "takes 3 values, not 4"},
        BadValue{"n_lights", {1.5f}, "the integer parameter \"n_lights\" takes a whole number"}));

TEST_F(ParameterBlockTest, AColorOfThreeValuesHasAlphaOne) {
    instance_->setValues("ambientColor", {0.1f, 0.2f, 0.3f});
    EXPECT_EQ(at<float>(16 + 12), 1.0f);
}

}  // namespace
}  // namespace sorvane::mrhost
