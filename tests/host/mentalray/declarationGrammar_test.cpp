// Declaration files written the way the renderer's own libraries are: guards,
// variables, version bounds, links, includes, struct and array types, and
// the block each type gives.

#include <cstring>
#include <filesystem>
#include <fstream>

#include "tests/support/mentalrayTesting.h"

namespace sorvane::mrhost {
namespace {

namespace fs = std::filesystem;
using testing::BadDeclaration;
using testing::DeclarationErrors;
using testing::declarationPath;
using testing::libraryPath;

// "name@offset" for every field, members as "s.m", arrays as their three.
void flatten(const std::vector<ParameterLayout>& list, const std::string& prefix, std::string& out) {
    for (const ParameterLayout& p : list) {
        const std::string name = prefix + p.parameter->name;
        if (p.parameter->isArray) {
            out += " i_" + name + "@" + std::to_string(p.offset) + " n_" + name + "@" +
                   std::to_string(p.offset + 4) + " " + name + "@" + std::to_string(p.elementOffset);
        } else {
            out += " " + name + "@" + std::to_string(p.offset);
        }
        flatten(p.members, name + ".", out);
    }
}

std::string layoutText(const BlockLayout& layout) {
    std::string out;
    flatten(layout.parameters(), "", out);
    return out.empty() ? out : out.substr(1);
}

Declaration only(const std::string& text) {
    std::vector<Declaration> all = parseDeclarations(text, "test.mi");
    if (all.size() != 1) throw std::runtime_error("expected one declaration");
    return std::move(all[0]);
}

struct LayoutCase {
    const char* what;
    const char* parameters;  // between the parentheses
    const char* fields;
    int size;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.what; }

class BlockLayouts : public ::testing::TestWithParam<LayoutCase> {};

// Offsets worked out by hand from C struct rules: every stored value is made
// of 4-byte words, an array is `int i_x; int n_x; T x[1];`.
TEST_P(BlockLayouts, FollowCStructRules) {
    const BlockLayout layout(
        only("declare shader color \"s\" (" + std::string(GetParam().parameters) + ") end declare"));
    EXPECT_EQ(layoutText(layout), GetParam().fields);
    EXPECT_EQ(layout.size(), GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BlockLayouts,
    ::testing::Values(
        LayoutCase{"plain types",
                   R"(boolean "b", integer "i", scalar "s", vector "v", color "c", transform "t")",
                   "b@0 i@4 s@8 v@12 c@24 t@40", 104},
        LayoutCase{"tags",
                   R"(shader "a", light "b", material "c", geometry "d", data "e", lightprofile "f",
                      string "g", spectrum "h", color texture "i", scalar texture "j", vector texture "k")",
                   "a@0 b@4 c@8 d@12 e@16 f@20 g@24 h@28 i@32 j@36 k@40", 44},
        LayoutCase{"structs in both orders, nested",
                   R"(scalar "x",
                      struct "s" { color "c", struct { vector "p", boolean "on" } "inner" },
                      struct { integer "k" } "t")",
                   "x@0 s@4 s.c@4 s.inner@20 s.inner.p@20 s.inner.on@32 t@36 t.k@36", 40},
        LayoutCase{"arrays of wide values and of structs",
                   R"(array transform "m", array color "c",
                      array struct "layers" { color "tint", scalar "weight" }, scalar "after")",
                   "i_m@0 n_m@4 m@8 i_c@72 n_c@76 c@80 i_layers@96 n_layers@100 layers@104 layers.tint@104 "
                   "layers.weight@120 after@124",
                   128},
        LayoutCase{"an array inside a struct", R"(struct "s" { array light "l", scalar "w" }, integer "z")",
                   "s@0 i_s.l@0 n_s.l@4 s.l@8 s.w@12 z@16", 20},
        LayoutCase{"no parameters", "", "", 0}));

TEST(DeclarationReader, ResultTypesGiveTheResultSize) {
    const std::pair<const char*, int> cases[] = {
        {"struct { color \"result\", scalar \"alpha\" }", 20},
        {"struct { vector \"p\", struct { color \"c\" } \"inner\" }", 28},
        {"vector", 12},
        {"scalar", 4},
        {"transform", 64},
        {"shader", 4},
        {"", 16}};
    for (const auto& [type, size] : cases) {
        SCOPED_TRACE(type);
        const BlockLayout layout(only("declare shader " + std::string(type) + " \"s\" () end declare"));
        EXPECT_EQ(layout.resultSize(), size);
    }
}

// A library of our own, written as the renderer's shipped ones are.
const char* const kLibrary = R"(# Our test library.
$ifndef "ourlib_mi_included"
set "ourlib_mi_included" "true"

min version "2.0.20"
max version "3.6.99"

link "ourlib.so"

declare shader
    struct {
        color "result",
        scalar "alpha"
    } "our_lookup" (
        color texture "tex",
        vector        "coord",
        transform     "space" default 1 0 0 0  0 1 0 0  0 0 1 0  0 0 0 1
    )
    version 2
    apply texture, environment, lens
end declare

declare shader
    color "our_blend" (
        array struct "layers" {
            color  "tint"   default 1 1 1,   #: min 0 max 1
            scalar "weight" default 0.5
        },
        shader "base",  #: shortname "b"
        spectrum "emission",
        string "label",
        lightprofile "profile",
        data "extra",
        material "fallback",
        geometry "proxy",
        scalar texture "mask",
        vector texture "bump"
    )
    version 1
    apply material
    scanline off
    derivative 1 2
    #: nodeid 1234
end declare

declare "our_old" ( scalar "s" default 1 ) end declare
$endif
)";

TEST(DeclarationReader, ReadsALibraryWrittenAsTheRenderersOwn) {
    const DeclarationFile file = parseDeclarationFile(kLibrary, "ourlib.mi");
    ASSERT_EQ(file.declarations.size(), 3u);
    EXPECT_EQ(file.links, std::vector<std::string>{"ourlib.so"});
    EXPECT_EQ(file.variables.at("ourlib_mi_included"), "true");

    const BlockLayout lookup(file.declarations[0]);
    EXPECT_EQ(lookup.declaration().returns, "struct");
    EXPECT_EQ(lookup.resultSize(), 20);
    EXPECT_EQ(lookup.declaration().version, 2);
    EXPECT_EQ(lookup.declaration().apply, (std::vector<std::string>{"texture", "environment", "lens"}));
    EXPECT_EQ(layoutText(lookup), "tex@0 coord@4 space@16");
    EXPECT_EQ(lookup.size(), 80);
    EXPECT_EQ(lookup.find("space")->parameter->defaultValue.size(), 16u);

    const BlockLayout blend(file.declarations[1]);
    EXPECT_EQ(layoutText(blend),
              "i_layers@0 n_layers@4 layers@8 layers.tint@8 layers.weight@24 base@28 emission@32 label@36 "
              "profile@40 extra@44 fallback@48 proxy@52 mask@56 bump@60");
    EXPECT_EQ(blend.size(), 64);
    EXPECT_EQ(blend.declaration().options, (std::vector<std::string>{"scanline off", "derivative 1 2"}));
    EXPECT_EQ(blend.find("layers.tint")->parameter->defaultValue, (std::vector<double>{1, 1, 1, 0}));
    EXPECT_EQ(typeText(*blend.find("layers")->parameter), "array struct");

    EXPECT_EQ(file.declarations[2].name, "our_old");
    EXPECT_EQ(file.declarations[2].version, 0);
}

struct ConditionalCase {
    const char* what;
    std::string text;
    const char* declared;  // names, in order
};

void PrintTo(const ConditionalCase& c, std::ostream* os) { *os << c.what; }

std::string shader(const char* name) {
    return std::string("declare shader color \"") + name + "\" ( scalar \"x\" ) end declare\n";
}

class Conditionals : public ::testing::TestWithParam<ConditionalCase> {};

TEST_P(Conditionals, KeepWhatTheVariablesSelect) {
    std::string names;
    for (const Declaration& d : parseDeclarations(GetParam().text, "test.mi")) names += d.name;
    EXPECT_EQ(names, GetParam().declared);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Conditionals,
    ::testing::Values(
        ConditionalCase{"ifndef of an unset variable", "$ifndef \"g\"\n" + shader("a") + "$endif\n", "a"},
        ConditionalCase{"a guard set before",
                        "set \"g\" \"1\"\n$ifndef \"g\"\n" + shader("a") + "$endif\n" + shader("b"), "b"},
        ConditionalCase{"an empty value still defines",
                        "set \"g\" \"\"\n$ifdef \"g\"\n" + shader("a") + "$else\n" + shader("b") + "$endif\n",
                        "a"},
        ConditionalCase{"else of an unset variable",
                        "$ifdef \"g\"\n" + shader("a") + "$else\n" + shader("b") + "$endif\n", "b"},
        ConditionalCase{"nested",
                        "set \"o\" \"1\"\n$ifdef \"o\"\n$ifdef \"i\"\n" + shader("a") + "$else\n" +
                            shader("b") + "$endif\n$else\n$ifndef \"i\"\n" + shader("c") + "$endif\n$endif\n",
                        "b"},
        ConditionalCase{
            "a set in a skipped branch does not count",
            "$ifdef \"x\"\nset \"y\" \"1\"\n$endif\n$ifdef \"y\"\n" + shader("a") + "$endif\n" + shader("b"),
            "b"},
        ConditionalCase{
            "a directive inside a parameter list",
            "declare shader color \"s\" ( scalar \"x\"\n$ifdef \"extra\"\n, scalar \"y\"\n$endif\n) end "
            "declare\n",
            "s"}));

// Files of a folder that each test writes and removes.
class DeclarationFiles : public ::testing::Test {
protected:
    DeclarationFiles()
        : dir_(fs::path(::testing::TempDir()) /
               ("declarations-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()))) {
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "lib");
    }
    ~DeclarationFiles() override { fs::remove_all(dir_); }

    std::string write(const std::string& name, const std::string& text) {
        const fs::path path = dir_ / name;
        std::ofstream(path) << text;
        return path.string();
    }

    std::string failure(const std::string& path) {
        try {
            readDeclarationFile(path);
        } catch (const HostError& error) {
            return error.what();
        }
        return "accepted";
    }

    fs::path dir_;
};

TEST_F(DeclarationFiles, OurShaderLoadsBesideALibraryIncludedTwice) {
    write("lib/ourlib.mi", kLibrary);
    const std::string main =
        write("scene.mi",
              "$include \"lib/ourlib.mi\"\n$include \"lib/ourlib.mi\"  # its guard skips it\n"
              "$include \"" +
                  std::string(declarationPath()) + "\"\n");
    const DeclarationFile file = readDeclarationFile(main);
    ASSERT_EQ(file.declarations.size(), 4u);
    EXPECT_EQ(file.declarations[3].name, "qm7r_sorvane");
    EXPECT_EQ(file.declarations[1].source, (dir_ / "lib/ourlib.mi").string());
    EXPECT_EQ(file.files.size(), 4u);

    const LoadedShader shader(libraryPath(), main);
    EXPECT_TRUE(layoutMatches(shader));
}

TEST_F(DeclarationFiles, IncludesAreRelativeToTheIncludingFile) {
    write("lib/inner.mi", shader("inner"));
    write("lib/outer.mi", "$include \"inner.mi\"\n" + shader("outer"));
    const std::string main = write("main.mi", "$include \"lib/outer.mi\"\n" + shader("main"));
    std::string names;
    for (const Declaration& d : readDeclarations(main)) names += d.name + " ";
    EXPECT_EQ(names, "inner outer main ");
}

TEST_F(DeclarationFiles, IncludeErrorsNameTheFileAndLine) {
    write("a.mi", "\n$include \"b.mi\"\n");
    write("b.mi", "$include \"a.mi\"\n");
    EXPECT_THAT(failure((dir_ / "a.mi").string()),
                ::testing::HasSubstr("b.mi:1: \"a.mi\" is being read already: an $include cycle"));

    write("self.mi", shader("s") + "$include \"self.mi\"\n");
    EXPECT_THAT(failure((dir_ / "self.mi").string()),
                ::testing::HasSubstr("self.mi:2: \"self.mi\" is being read"));

    write("missing.mi", "$include \"nope.mi\"\n");
    EXPECT_THAT(failure((dir_ / "missing.mi").string()),
                ::testing::HasSubstr("missing.mi:1: cannot open the included file"));

    write("lib/broken.mi", shader("fine") + "declare shader color \"s\" ( widget \"w\" ) end declare\n");
    write("uses.mi", "$include \"lib/broken.mi\"\n");
    EXPECT_THAT(failure((dir_ / "uses.mi").string()),
                ::testing::HasSubstr((dir_ / "lib/broken.mi").string() +
                                     ":2: expected a parameter type, got 'widget'"));

    write("open.mi", "$ifndef \"g\"\n$include \"lib/closes.mi\"\n");
    write("lib/closes.mi", "$endif\n");
    EXPECT_THAT(failure((dir_ / "open.mi").string()),
                ::testing::HasSubstr("closes.mi:1: '$endif' without '$ifdef' or '$ifndef'"));
}

// Errors of the directives and constructs above, checked by DeclarationErrors.
INSTANTIATE_TEST_SUITE_P(
    Grammar, DeclarationErrors,
    ::testing::Values(
        BadDeclaration{"\n$ifndef \"g\"\nset \"g\" \"1\"\n",
                       "bad.mi:2: '$ifndef' is not closed by '$endif' in this file"},
        BadDeclaration{"$ifdef \"g\"\n$else\n", "bad.mi:1: '$ifdef' is not closed by '$endif'"},
        BadDeclaration{"$endif\n", "bad.mi:1: '$endif' without '$ifdef' or '$ifndef'"},
        BadDeclaration{"$else\n", "bad.mi:1: '$else' without '$ifdef' or '$ifndef'"},
        BadDeclaration{"$ifdef \"x\"\n$else\n$else\n$endif\n",
                       "bad.mi:3: a second '$else' for the '$ifdef' of line 1"},
        BadDeclaration{"set \"x\" \"1\"\n$ifdef \"x\"\n$else\n$else\n$endif\n", "bad.mi:4: a second '$else'"},
        BadDeclaration{"$ifdef", "bad.mi:1: expected a variable name after '$ifdef'"},
        BadDeclaration{"$code \"x\"\n", "bad.mi:1: unknown directive '$code'"},
        BadDeclaration{"$include nope.mi", "expected a quoted file name after '$include', got 'nope.mi'"},
        BadDeclaration{"min version \"three\"", "expected a version such as \"3.6.99\", got \"three\""},
        BadDeclaration{"min version \"3..1\"", "expected a version such as"},
        BadDeclaration{"min \"3.1\"", "expected 'version' after 'min', got \"3.1\""},
        BadDeclaration{"set \"v\"", "expected the value of the variable \"v\", got the end of the file"},
        BadDeclaration{"set v \"1\"", "expected a quoted variable name after 'set', got 'v'"},
        BadDeclaration{"link\ndeclare shader color \"s\" () end declare",
                       "bad.mi:2: expected a quoted library name after 'link', got 'declare'"},
        BadDeclaration{
            "declare shader color \"s\" ( struct \"t\" { scalar \"a\", scalar \"a\" } ) end declare",
            "the member \"a\" is declared twice in the struct \"t\""},
        BadDeclaration{"declare shader color \"s\" ( struct \"t\" { scalar \"a\" } default 1 ) end declare",
                       "the struct \"t\" takes defaults on its members, not as a whole"},
        BadDeclaration{
            "declare shader color \"s\" ( struct \"t\" { scalar \"a\" scalar \"b\" } ) end declare",
            "expected ',' or '}' after the member \"a\", got 'scalar'"},
        BadDeclaration{"declare shader color \"s\" ( struct \"t\" scalar \"a\" ) end declare",
                       "expected '{' to open the members of the struct \"t\", got 'scalar'"},
        BadDeclaration{"declare shader color \"s\" ( array array scalar \"a\" ) end declare",
                       "arrays of arrays are not supported"},
        BadDeclaration{"declare shader struct \"r\" ( ) end declare",
                       "expected '{' to open the members of the result struct, got \"r\""},
        BadDeclaration{"declare phenomenon color \"p\" ( ) shader \"x\" \"y\" ( ",
                       "bad.mi:1: the phenomenon \"p\" is not closed by 'end declare'"},
        BadDeclaration{"declare phenomenon color \"p\" ( ) ) end declare",
                       "bad.mi:1: a ')' that closes nothing in the phenomenon \"p\""},
        BadDeclaration{"declare shader color \"s\" ( ) gui \"g\" { control \"c\" end declare",
                       "bad.mi:1: the 'gui' block is not closed by '}'"},
        BadDeclaration{"declare shader color \"s\" ( ) frobnicate on\n",
                       "bad.mi:1: the declaration of \"s\" is not closed by 'end declare'"},
        BadDeclaration{"declare shader color \"s\" ( scalar \"a\", , ) end declare",
                       "expected a parameter type, got ','"},
        BadDeclaration{"declare shader color \"s\" ( boolean \"b\" default 2 ) end declare",
                       "expected on, off, true, false, 1 or 0 as the default of \"b\", got '2'"},
        BadDeclaration{
            "declare shader color \"a\" ( scalar \"x\" )\ndeclare shader color \"b\" ( ) end declare",
            "bad.mi:2: expected 'end declare' to close the declaration of shader \"a\" before the next "
            "'declare'"},
        BadDeclaration{"declare shader color \"s\" ( transform \"t\" default 1 0 0 ) end declare",
                       "expected a number in the default of \"t\", got ')'"}));

// Struct members take their defaults into the block; an array's elements do not exist until set.
TEST_F(DeclarationFiles, StructMembersHaveTheirDefaultsAndAreSetByName) {
    const std::string path = write("qm7r_sorvane.mi", R"(
declare shader color "qm7r_sorvane" (
    scalar "x" default 0.25,
    struct "s" { color "c" default 0.1 0.2 0.3 1, struct { integer "k" default 7 } "inner" },
    array struct "l" { scalar "w" default 2 }
) version 1 end declare
)");
    const LoadedShader shader(libraryPath(), path);
    SceneDatabase scene;
    const auto instance = shader.instantiate(scene);
    const auto at = [&](int offset) {
        float value;
        std::memcpy(&value, static_cast<const char*>(instance->block()) + offset, sizeof value);
        return value;
    };
    const auto intAt = [&](int offset) {
        int value;
        std::memcpy(&value, static_cast<const char*>(instance->block()) + offset, sizeof value);
        return value;
    };
    EXPECT_EQ(at(0), 0.25f);
    EXPECT_EQ(at(8), 0.2f);
    EXPECT_EQ(at(16), 1.0f);
    EXPECT_EQ(intAt(20), 7);
    EXPECT_EQ(intAt(28), 0);  // no elements
    EXPECT_EQ(at(32), 0.0f);

    instance->setValues("s.c", {1, 0.5f, 0});
    EXPECT_EQ(at(8), 0.5f);
    EXPECT_EQ(at(16), 1.0f);
    instance->setInteger("s.inner.k", -3);
    EXPECT_EQ(intAt(20), -3);
    EXPECT_THROW(instance->setValues("s", {1}), HostError);
    EXPECT_THROW(instance->setValues("s.nope", {1}), HostError);
    EXPECT_THROW(instance->setScalar("l.w", 1.0f), HostError);
    EXPECT_EQ(at(0), 0.25f);
}

}  // namespace
}  // namespace sorvane::mrhost
