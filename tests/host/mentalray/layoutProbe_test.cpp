// Declarations that disagree with the library: the probe must name the first
// parameter that differs without ever letting the library read memory the
// host does not own (run under AddressSanitizer to see the second).

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/mentalrayTesting.h"

namespace sorvane::mrhost {
namespace {

using testing::libraryPath;
using testing::shippedDeclaration;

// A declaration's parameters as written: type and name, no defaults.
using ParameterLines = std::vector<std::pair<std::string, std::string>>;

ParameterLines shippedLines() {
    ParameterLines lines;
    for (const Parameter& p : shippedDeclaration().parameters) lines.emplace_back(typeText(p), p.name);
    return lines;
}

std::size_t indexOf(const ParameterLines& lines, const std::string& name) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].second == name) return i;
    }
    throw HostError("no parameter " + name);
}

std::string writeDeclaration(const std::string& fileName, const ParameterLines& lines) {
    std::string text = "declare shader color \"qm7r_sorvane\" (\n";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text +=
            "  " + lines[i].first + " \"" + lines[i].second + "\"" + (i + 1 < lines.size() ? ",\n" : "\n");
    }
    text += ") version 1 end declare\n";
    const std::string path = ::testing::TempDir() + "/" + fileName;
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) throw HostError("cannot write " + path);
    std::fputs(text.c_str(), file);
    std::fclose(file);
    return path;
}

struct MismatchCase {
    const char* name;
    std::function<void(ParameterLines&)> edit;
    const char* difference;  // nullptr: the layouts agree
};

std::ostream& operator<<(std::ostream& os, const MismatchCase& c) { return os << c.name; }

const MismatchCase kCases[] = {
    {"Shipped", [](ParameterLines&) {}, nullptr},
    {"ScalarMadeColor", [](ParameterLines& l) { l[indexOf(l, "diffuse")].first = "color"; },
     "parameter \"diffuse\" is laid out at 60 as a color (16 bytes); the library's field there is 4 bytes "
     "(a boolean, integer, scalar or tag)"},
    {"ColorMadeScalar", [](ParameterLines& l) { l[indexOf(l, "color")].first = "scalar"; },
     "parameter \"color\" is laid out at 0 as a scalar (4 bytes); the library's field there is 16 bytes (a "
     "color)"},
    {"VectorMadeColor", [](ParameterLines& l) { l[indexOf(l, "normalCamera")].first = "color"; },
     "parameter \"normalCamera\" is laid out at 48 as a color (16 bytes); the library's field there is 12 "
     "bytes (a vector)"},
    {"ArrayMadeSingle", [](ParameterLines& l) { l.back().first = "light"; },
     "declares 20 parameters; the library reads 22 fields, the first missing at offset 184"},
    {"Emptied", [](ParameterLines& l) { l.clear(); },
     "declares no parameters; the library reads 22 fields, the first at offset 0"},
    {"OnlyTheFirst", [](ParameterLines& l) { l.resize(1); },
     "declares 1 parameter; the library reads 22 fields, the first missing at offset 16"},
    {"OnlyAScalar",
     [](ParameterLines& l) {
         l = {{"scalar", "diffuse"}};
     },
     "parameter \"diffuse\" is laid out at 0 as a scalar (4 bytes); the library's field there is 16 bytes "
     "(a color)"},
    {"OneRemoved", [](ParameterLines& l) { l.erase(l.begin() + indexOf(l, "normalCamera")); },
     "parameter \"diffuse\" is laid out at 48 as a scalar (4 bytes); the library's field there is 12 bytes "
     "(a vector)"},
    {"ArrayRemoved", [](ParameterLines& l) { l.pop_back(); },
     "declares 19 parameters; the library reads 22 fields, the first missing at offset 180"},
    {"TwoSwapped",
     [](ParameterLines& l) { std::swap(l[indexOf(l, "scatteringColor")], l[indexOf(l, "scattering")]); },
     "parameter \"scattering\" is laid out at 64 as a scalar (4 bytes); the library's field there is 16 "
     "bytes (a color)"},
    {"ArrayMovedFirst",
     [](ParameterLines& l) {
         l.insert(l.begin(), l.back());
         l.pop_back();
     },
     "parameter \"lights\" is laid out at 0 as the start index of an array light (4 bytes); the library's "
     "field there is 16 bytes (a color)"},
    {"OneAdded", [](ParameterLines& l) { l.emplace_back("scalar", "extra"); },
     "parameter \"extra\" is laid out at 192 as a scalar (4 bytes); the library reads no field there"},
    {"HundredThousandAdded",
     [](ParameterLines& l) {
         for (int k = 0; k < 100000; ++k)
             l.emplace_back(k % 2 ? "color" : "scalar", "extra" + std::to_string(k));
     },
     "parameter \"extra0\" is laid out at 192 as a scalar (4 bytes); the library reads no field there"},
};

class DeclarationAgainstLibrary : public ::testing::TestWithParam<MismatchCase> {};

TEST_P(DeclarationAgainstLibrary, NamesTheFirstDifferenceWithoutReadingOutsideTheProbe) {
    ParameterLines lines = shippedLines();
    GetParam().edit(lines);
    const std::string path = writeDeclaration(std::string("mismatch-") + GetParam().name + ".mi", lines);
    const LoadedShader shader(libraryPath(), path);

    const std::optional<std::string> difference = layoutDifference(shader);
    if (GetParam().difference == nullptr) {
        EXPECT_EQ(difference, std::nullopt);
        EXPECT_TRUE(layoutMatches(shader));
        EXPECT_NO_THROW(requireMatchingLayout(shader));
        return;
    }
    EXPECT_EQ(difference.value_or("(none)"), GetParam().difference);
    EXPECT_FALSE(layoutMatches(shader));
    try {
        requireMatchingLayout(shader);
        ADD_FAILURE() << "a mismatched declaration was accepted";
    } catch (const HostError& error) {
        EXPECT_EQ(std::string(error.what()),
                  path + " does not match " + libraryPath() + ": " + GetParam().difference);
    }
}

INSTANTIATE_TEST_SUITE_P(Declarations, DeclarationAgainstLibrary, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The same block with a parameter retyped within its size, or two of one
// size renamed: only the declaration shipped beside the library tells them
// apart, and --set scattering must not drive depth.
TEST(DeclarationAgainstShipped, NamesAndTypesMustMatchTooWhereTheBlockDoes) {
    const std::filesystem::path library(libraryPath());
    const std::string shipped =
        (library.parent_path().parent_path() / "include" / "qm7r_sorvane.mi").string();
    const std::pair<std::function<void(ParameterLines&)>, std::string> cases[] = {
        {[](ParameterLines& l) { l[indexOf(l, "diffuse")].first = "integer"; },
         "parameter 5 is declared integer \"diffuse\", where the shipped declaration " + shipped +
             " has scalar \"diffuse\""},
        {[](ParameterLines& l) {
             std::swap(l[indexOf(l, "scattering")].second, l[indexOf(l, "depth")].second);
         },
         "parameter 7 is declared scalar \"depth\", where the shipped declaration " + shipped +
             " has scalar \"scattering\""},
    };
    for (const auto& [edit, difference] : cases) {
        ParameterLines lines = shippedLines();
        edit(lines);
        const LoadedShader shader(libraryPath(), writeDeclaration("renamed.mi", lines));
        EXPECT_EQ(layoutDifference(shader).value_or("(none)"), difference);
        EXPECT_THROW(requireMatchingLayout(shader), HostError);
    }
    EXPECT_EQ(layoutDifference(LoadedShader(libraryPath(), writeDeclaration("same.mi", shippedLines()))),
              std::nullopt);
}

// Whatever the declaration, the library reads the same fields in the same
// order: the probe's block is the host's, not the declared one.
TEST(LayoutProbe, ReadsDoNotDependOnTheDeclaration) {
    const LoadedShader shipped(libraryPath(), testing::declarationPath());
    const std::vector<int> expected = probeParameterOffsets(shipped);
    ASSERT_EQ(expected.size(), 22u);
    const LoadedShader one(libraryPath(), writeDeclaration("probe-one.mi", {{"scalar", "diffuse"}}));
    EXPECT_EQ(probeParameterOffsets(one), expected);
}

struct ReadsCase {
    const char* name;
    const char* declaration;
    std::vector<int> reads;
    const char* difference;
};

std::ostream& operator<<(std::ostream& os, const ReadsCase& c) { return os << c.name; }

// The comparison alone, with reads as a library might make them.
class LayoutComparison : public ::testing::TestWithParam<ReadsCase> {};

TEST_P(LayoutComparison, FindsTheFirstDifference) {
    const std::vector<Declaration> declarations = parseDeclarations(GetParam().declaration, "test.mi");
    ASSERT_EQ(declarations.size(), 1u);
    const BlockLayout layout(declarations.front());
    const std::optional<std::string> difference = firstLayoutDifference(layout, GetParam().reads);
    if (GetParam().difference == nullptr) {
        EXPECT_EQ(difference, std::nullopt);
    } else {
        EXPECT_EQ(difference.value_or("(none)"), GetParam().difference);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Reads, LayoutComparison,
    ::testing::Values(
        ReadsCase{"RepeatedAndOutOfOrder",
                  "declare shader color \"s\" ( color \"c\", scalar \"x\", array light \"l\" ) end declare",
                  {20, 0, 16, 24, 16, 28, 0},
                  nullptr},
        ReadsCase{"BeforeTheBlock",
                  "declare shader color \"s\" ( scalar \"x\" ) end declare",
                  {-8, 0},
                  "the library reads a field at -8, before the first parameter"},
        ReadsCase{"FieldNeverRead",
                  "declare shader color \"s\" ( scalar \"x\", scalar \"y\" ) end declare",
                  {0},
                  "parameter \"y\" is laid out at 4 as a scalar (4 bytes); the library reads no field there"},
        ReadsCase{
            "TransformAsColor",
            "declare shader color \"s\" ( transform \"t\", scalar \"x\" ) end declare",
            {0, 16, 64},
            "parameter \"t\" is laid out at 0 as a transform (64 bytes); the library's field there is 16 "
            "bytes (a color)"},
        ReadsCase{"NothingRead", "declare shader color \"s\" ( ) end declare", {}, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sorvane::mrhost
