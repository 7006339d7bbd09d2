// Declaration files as users have them: shipped shader libraries, third-party
// packages and phenomena, with constructs the renderer accepts beyond the
// plain grammar. What the host cannot use costs that declaration alone, never
// the file or the include chain; our own shader's declaration is read strictly.

#include <filesystem>
#include <fstream>

#include "tests/support/mentalrayTesting.h"

namespace sorvane::mrhost {
namespace {

namespace fs = std::filesystem;
using testing::declarationPath;
using ::testing::HasSubstr;
using testing::libraryPath;

// "name(param type, ...)" for each declaration read, "!" marking phenomena.
std::string summary(const DeclarationFile& file) {
    std::string out;
    for (const Declaration& d : file.declarations) {
        out += (out.empty() ? "" : " ") + std::string(d.phenomenon ? "!" : "") + d.name + "(";
        for (std::size_t i = 0; i < d.parameters.size(); ++i) {
            out += (i ? ", " : "") + d.parameters[i].name + " " + typeText(d.parameters[i]);
        }
        out += ")";
    }
    return out;
}

struct ConstructCase {
    const char* what;
    const char* text;
    const char* declarations;  // summary() of what is read
};

void PrintTo(const ConstructCase& c, std::ostream* os) { *os << c.what; }

class Constructs : public ::testing::TestWithParam<ConstructCase> {};

TEST_P(Constructs, AreReadAsTheRendererReadsThem) {
    const DeclarationFile file = parseDeclarationFile(GetParam().text, "lib.mi");
    EXPECT_EQ(summary(file), GetParam().declarations);
    EXPECT_TRUE(file.notes.empty()) << file.notes.front();
}

INSTANTIATE_TEST_SUITE_P(
    Shipped, Constructs,
    ::testing::Values(
        ConstructCase{"a trailing comma",
                      "declare shader color \"s\" ( scalar \"a\", color \"c\", ) end declare",
                      "s(a scalar, c color)"},
        ConstructCase{"a trailing comma followed only by comment lines",
                      "declare shader color \"s\" (\n  scalar \"a\",\n  # \"b\" is gone\n  # so is \"c\"\n)\n"
                      "end declare",
                      "s(a scalar)"},
        ConstructCase{"a trailing comma in a struct's members",
                      "declare shader color \"s\" ( struct \"t\" { scalar \"a\", }, ) end declare",
                      "s(t struct)"},
        ConstructCase{"a gui block with nested braces",
                      "declare shader color \"s\" ( scalar \"a\" )\n version 2\n gui \"gui_s\" {\n"
                      "  control \"Global\" \"Global\" (\"uiName\" \"s\", \"category\" \"Texture\")\n"
                      "  control \"a\" \"scalar\" (\"value\" 0.5, \"range\" 0 1) { control \"x\" \"y\" }\n"
                      " }\nend declare",
                      "s(a scalar)"},
        ConstructCase{
            "boolean defaults written 0 and 1",
            "declare shader color \"s\" ( boolean \"on\" default 1, boolean \"off\" default 0 ) end "
            "declare",
            "s(on boolean, off boolean)"},
        ConstructCase{"option lines",
                      "declare shader color \"s\" ( scalar \"a\" )\n scanline off\n trace on\n shadow sort\n"
                      " face both\n derivative 1 2\n object space\n apply material\nend declare",
                      "s(a scalar)"},
        ConstructCase{"a phenomenon, its body skipped",
                      "declare phenomenon color \"p\" ( color \"tint\", array light \"lights\", )\n"
                      " shader \"tex\" \"mib_texture_lookup\" ( \"tex\" \"map.tif\", \"coord\" = \"uv\" )\n"
                      " shader \"mix\" \"mib_color_mix\" ( \"num\" 2, \"color_0\" = interface \"tint\" )\n"
                      " material \"m\" opaque = \"mix\" shadow = \"mix\" end material\n"
                      " light \"l\" \"mib_light_point\" ( \"color\" 1 1 1 ) origin 0 0 0 end light\n"
                      " root = \"mix\"\n output \"fb\" = \"tex\"\n lens = \"tex\" volume = \"tex\"\n"
                      " environment = \"tex\" contour = \"tex\"\n version 3\n apply material, texture\n"
                      "end declare\n"
                      "declare shader color \"after\" () end declare",
                      "!p(tint color, lights array light) after()"},
        ConstructCase{
            "a phenomenon with a struct result",
            "declare phenomenon struct { color \"a\", scalar \"b\" } \"p\" ( ) root = \"x\" end declare",
            "!p()"}),
    [](const ::testing::TestParamInfo<ConstructCase>& info) { return std::to_string(info.index); });

TEST(DeclarationsInUse, ConstructsKeepWhatTheyCarry) {
    const DeclarationFile file = parseDeclarationFile(
        "declare shader color \"s\" ( boolean \"b\" default 1 )\n scanline off\n derivative 1 2\n"
        " gui \"g\" { control \"b\" \"boolean\" (\"value\" 1) }\n version 4\n apply texture\nend declare\n"
        "declare phenomenon color \"p\" ( scalar \"k\" default 0.5 )\n"
        " shader \"x\" \"y\" ( \"version\" 9, \"apply\" 1 )\n root = \"x\"\n version 7\n apply material\n"
        "end declare\n",
        "lib.mi");
    ASSERT_EQ(file.declarations.size(), 2u);
    const Declaration& s = file.declarations[0];
    EXPECT_EQ(s.parameters[0].defaultValue, std::vector<double>{1.0});
    EXPECT_EQ(s.options, (std::vector<std::string>{"scanline off", "derivative 1 2"}));
    EXPECT_EQ(s.version, 4);
    EXPECT_EQ(s.apply, std::vector<std::string>{"texture"});
    const Declaration& p = file.declarations[1];
    EXPECT_TRUE(p.phenomenon);
    EXPECT_EQ(p.returns, "color");
    EXPECT_EQ(p.version, 7) << "a \"version\" inside the body's lists is a parameter name, not the clause";
    EXPECT_EQ(p.apply, std::vector<std::string>{"material"});
    EXPECT_EQ(p.parameters[0].defaultValue, std::vector<double>{0.5});
}

TEST(DeclarationsInUse, AGuiBlockLeavesTheLayoutAsItIs) {
    const char* const parameters = "( color \"c\", scalar \"s\", array light \"l\" )";
    const BlockLayout plain(
        parseDeclarations(std::string("declare shader color \"x\" ") + parameters + " end declare", "a.mi")
            .at(0));
    const BlockLayout withGui(parseDeclarations(std::string("declare shader color \"x\" ") + parameters +
                                                    " gui \"g\" { control \"c\" \"color\" (\"value\" 1 0 0) }"
                                                    " end declare",
                                                "b.mi")
                                  .at(0));
    EXPECT_EQ(plain.fieldOffsets(), withGui.fieldOffsets());
    EXPECT_EQ(plain.size(), withGui.size());
}

// Files of a folder that each test writes and removes.
class DeclarationChains : public ::testing::Test {
protected:
    DeclarationChains()
        : dir_(fs::path(::testing::TempDir()) /
               ("chains-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()))) {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    ~DeclarationChains() override { fs::remove_all(dir_); }

    std::string write(const std::string& name, const std::string& text) {
        const fs::path path = dir_ / name;
        std::ofstream(path) << text;
        return path.string();
    }

    fs::path dir_;
};

// A version range outside this host's (3.6.0) leaves out the declarations it
// holds, each with one note; the rest of the file, and the files that
// include it, are read on.
TEST_F(DeclarationChains, AVersionRangeLeavesOutOnlyWhatItHolds) {
    const std::string old = write("old.mi",
                                  "declare shader color \"before\" () end declare\n"
                                  "max version \"3.5.99\"\n"
                                  "declare shader color \"for35\" () end declare\n"
                                  "declare phenomenon color \"p35\" () root = \"x\" end declare\n");
    const std::string main = write("main.mi",
                                   "$include \"old.mi\"\n"
                                   "declare shader color \"own\" () min version \"3.7\" end declare\n"
                                   "declare shader color \"after\" () max version \"3.6.99\" end declare\n");
    const DeclarationFile file = readDeclarationFile(main);
    EXPECT_EQ(summary(file), "before() after()") << "the include's range ends with its file";
    ASSERT_EQ(file.notes.size(), 3u);
    EXPECT_EQ(file.notes[0], old +
                                 ":3: shader \"for35\" left out: it is for renderer versions up to 3.5.99 "
                                 "(max version at " +
                                 old + ":2); this host reads as 3.6.0");
    EXPECT_EQ(file.notes[1], old +
                                 ":4: phenomenon \"p35\" left out: it is for renderer versions up to 3.5.99 "
                                 "(max version at " +
                                 old + ":2); this host reads as 3.6.0");
    EXPECT_EQ(file.notes[2], main +
                                 ":2: shader \"own\" left out: it needs renderer version 3.7 or later "
                                 "(min version at " +
                                 main + ":2); this host reads as 3.6.0");
    ASSERT_EQ(file.leftOut.size(), 3u);
    EXPECT_EQ(file.leftOut[2].name, "own");
    EXPECT_EQ(file.leftOut[2].line, 2);
}

TEST_F(DeclarationChains, AnUnknownStatementLeavesOutItsDeclarationAndNamesItsLine) {
    const std::string path = write("third.mi",
                                   "declare shader color \"good\" () end declare\n"
                                   "declare shader color \"odd\" ( scalar \"a\" )\n"
                                   "  version 1\n"
                                   "  hardware \"cg\" ( \"x\" )\n"
                                   "  trace on\n"
                                   "end declare\n"
                                   "declare shader color \"fine\" () end declare\n");
    const DeclarationFile file = readDeclarationFile(path);
    EXPECT_EQ(summary(file), "good() fine()");
    ASSERT_EQ(file.notes.size(), 1u);
    EXPECT_EQ(file.notes[0],
              path + ":2: shader \"odd\" left out: unknown statement 'hardware' at " + path + ":4");
}

// Every construct at once, after our own declaration: our shader still loads
// with its layout matching, and what it could not use is one line each on
// standard error.
TEST_F(DeclarationChains, AMixedFileAfterOursLoadsWithTheLayoutMatching) {
    const std::string main = write(
        "scene.mi",
        "$include \"" + std::string(declarationPath()) +
            "\"\n"
            "declare shader color \"third_party\" (\n  color \"c\" default 1 1 1,\n  boolean \"b\" default "
            "0,\n"
            "  # the last one went\n)\n version 2\n scanline off\n trace on\n shadow sort\n face both\n"
            " derivative 1 2\n object space\n gui \"gui_third_party\" {\n  control \"Global\" \"Global\" "
            "(\"uiName\" \"Third\")\n  control \"c\" \"color\" (\"value\" 1 1 1) { }\n }\n"
            " apply material\nend declare\n"
            "declare phenomenon color \"bundle\" ( color \"tint\", )\n shader \"s\" \"third_party\" "
            "( \"c\" = interface \"tint\" )\n root = \"s\"\n version 1\nend declare\n"
            "max version \"3.5.99\"\n"
            "declare shader color \"legacy\" () end declare\n");
    testing::StderrCapture capture;
    const LoadedShader shader(libraryPath(), main);
    const std::string reports = capture.take();
    EXPECT_TRUE(layoutMatches(shader));
    EXPECT_THAT(summary(shader.declarationFile()),
                HasSubstr("third_party(c color, b boolean) !bundle(tint color)"));
    EXPECT_EQ(reports, main +
                           ":26: shader \"legacy\" left out: it is for renderer versions up to 3.5.99 "
                           "(max version at " +
                           main + ":25); this host reads as 3.6.0\n");
}

// The reader forgives other shaders' declarations; the one the library is
// loaded by must be read whole.
TEST_F(DeclarationChains, OurOwnDeclarationIsReadStrictly) {
    std::ifstream shipped(declarationPath());
    const std::string ours((std::istreambuf_iterator<char>(shipped)), std::istreambuf_iterator<char>());
    const std::size_t end = ours.rfind("end declare");
    ASSERT_NE(end, std::string::npos);

    const std::string unknown =
        write("unknown.mi", ours.substr(0, end) + "  frobnicate on\n" + ours.substr(end));
    try {
        const LoadedShader shader(libraryPath(), unknown);
        FAIL() << "loaded with an unknown statement in its own declaration";
    } catch (const HostError& error) {
        EXPECT_THAT(error.what(), HasSubstr("the declaration of \"qm7r_sorvane\" cannot be used: unknown "
                                            "statement 'frobnicate'"));
    }

    const std::string ranged = write("ranged.mi", "max version \"3.5\"\n" + ours);
    try {
        const LoadedShader shader(libraryPath(), ranged);
        FAIL() << "loaded a declaration meant for another renderer version";
    } catch (const HostError& error) {
        EXPECT_THAT(error.what(), HasSubstr("cannot be used: it is for renderer versions up to 3.5"));
    }
}

}  // namespace
}  // namespace sorvane::mrhost
