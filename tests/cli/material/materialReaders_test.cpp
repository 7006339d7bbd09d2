// Each format read from good files, and bad ones refused with the file and
// line: cut short, an unknown attribute, a wrong type, a name given twice,
// and anything that would have to be run.
#include <gtest/gtest.h>

#include "testSchema.h"

namespace sorvane::material {
namespace {

std::vector<float> valueOf(const StoredMaterial& m, const std::string& name,
                           HostScope scope = HostScope::all) {
    std::vector<float> out;
    for (const StoredValue& v : m.values) {
        if (v.name == name && v.scope == scope) out = v.numbers;
    }
    return out;
}

using Floats = std::vector<float>;

TEST(MayaAscii, ReadsSorvaneNodesByLongShortAndChannelNamesSkippingOtherNodes) {
    const std::string text = R"(//Maya ASCII 2009 scene
requires maya "2009";
createNode lambert -n "lambert2";
	setAttr ".c" -type "float3" 0.1 0.1 0.1 ;
	setAttr ".dfl" 0.1;
createNode sorvane -n "skin1";
	setAttr ".c" -type "float3" 0.8 0.3 0.2 ;
	setAttr -k on ".dfl" 0.6;
	setAttr ".dfll" 0.25;
	setAttr ".scattering" 0.45;
createNode sorvane -n "jade";
	rename -uid "A1B2";
	setAttr ".cr" 0.2;
createNode transform -n "t";
	setAttr ".dfl" 0.9;
select -ne skin1;
	setAttr ".it" -type "float3" 0.1 0.2 0.3;
setAttr "jade.colorB" 0.9;
connectAttr "file1.oc" "skin1.c";
)";
    const Schema schema = testSchema();
    // "dfll" is no attribute of ours: drop that line first, then test it alone.
    std::string good = text;
    good.erase(good.find("\tsetAttr \".dfll\" 0.25;\n"), std::string("\tsetAttr \".dfll\" 0.25;\n").size());
    const std::vector<StoredMaterial> found = readMaterials(good, FileFormat::mayaAscii, "look.ma", schema);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].name, "skin1");
    EXPECT_EQ(found[0].line, 6);
    EXPECT_EQ(valueOf(found[0], "color"), (Floats{0.8f, 0.3f, 0.2f}));
    EXPECT_EQ(valueOf(found[0], "diffuse"), (Floats{0.6f}));
    EXPECT_EQ(valueOf(found[0], "scattering"), (Floats{0.45f}));
    EXPECT_EQ(valueOf(found[0], "transparency"), (Floats{0.1f, 0.2f, 0.3f}));
    ASSERT_EQ(found[0].notes.size(), 1u);
    EXPECT_NE(found[0].notes[0].find("file1.oc"), std::string::npos);
    // One channel set on the default, then another by the node's name.
    EXPECT_EQ(found[1].name, "jade");
    EXPECT_EQ(valueOf(found[1], "color"), (Floats{0.2f, 0.5f, 0.9f}));
    EXPECT_EQ(valueOf(found[1], "diffuse"), Floats{});

    try {
        readMaterials(text, FileFormat::mayaAscii, "look.ma", schema);
        FAIL() << "an unknown attribute was read";
    } catch (const InputError& error) {
        EXPECT_EQ(error.field(), "look.ma:9");
        EXPECT_NE(std::string(error.what()).find("no attribute \"dfll\"; did you mean \"dfl\""),
                  std::string::npos)
            << error.what();
    }
}

struct BadFile {
    const char* label;
    FileFormat format;
    const char* text;
    const char* field;    // FILE:LINE
    const char* message;  // part of what it says
};

class BadFiles : public testing::TestWithParam<BadFile> {};

TEST_P(BadFiles, AreRefusedNamingFileAndLine) {
    const BadFile& bad = GetParam();
    try {
        readMaterials(bad.text, bad.format, "bad", testSchema());
        FAIL() << "read without complaint";
    } catch (const InputError& error) {
        EXPECT_EQ(error.field(), bad.field) << error.what();
        EXPECT_NE(std::string(error.what()).find(bad.message), std::string::npos) << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, BadFiles,
    testing::Values(
        BadFile{"maCutShort", FileFormat::mayaAscii, "createNode sorvane -n \"a\";\nsetAttr \".dfl\" 0.5",
                "bad:2", "cut short"},
        BadFile{"maOpenString", FileFormat::mayaAscii, "createNode sorvane -n \"a;\n", "bad:1",
                "never closed"},
        BadFile{"maOpenComment", FileFormat::mayaAscii, "/* note\ncreateNode sorvane;", "bad:1",
                "never closed"},
        BadFile{"maUnknown", FileFormat::mayaAscii, "createNode sorvane;\nsetAttr \".difuse\" 1;", "bad:2",
                "did you mean \"diffuse\""},
        BadFile{"maWrongType", FileFormat::mayaAscii,
                "createNode sorvane;\nsetAttr \".c\" -type \"string\" \"red\";", "bad:2",
                "not of type \"string\""},
        BadFile{"maWrongCount", FileFormat::mayaAscii,
                "createNode sorvane;\nsetAttr \".c\" -type \"float3\" 1 2;", "bad:2",
                "takes 3 numbers, not 2"},
        BadFile{"maNotANumber", FileFormat::mayaAscii, "createNode sorvane;\nsetAttr \".dfl\" nan;", "bad:2",
                "\"nan\" is not a number"},
        BadFile{"maTooLarge", FileFormat::mayaAscii, "createNode sorvane;\nsetAttr \".dfl\" 1e39;", "bad:2",
                "out of the range"},
        BadFile{"maTwice", FileFormat::mayaAscii,
                "createNode sorvane -n \"a\";\n\ncreateNode sorvane -n \"a\";", "bad:3",
                "first is at line 1"},
        BadFile{"maUnknownFlag", FileFormat::mayaAscii, "createNode sorvane;\nsetAttr -q \".dfl\" 1;",
                "bad:2", "no flag -q"},
        BadFile{"miUnknown", FileFormat::mentalray, "shader \"s\" \"qm7r_sorvane\" (\n \"difuse\" 0.5 )",
                "bad:2", "did you mean \"diffuse\""},
        BadFile{"miMayaOnly", FileFormat::mentalray,
                "shader \"s\" \"qm7r_sorvane\" ( \"transparency\" 1 1 1 )", "bad:1",
                "no parameter \"transparency\""},
        BadFile{"miCutShort", FileFormat::mentalray, "shader \"s\" \"qm7r_sorvane\" (\n \"diffuse\" 0.5,\n",
                "bad:1", "cut short"},
        BadFile{"miGivenTwice", FileFormat::mentalray,
                "shader \"s\" \"qm7r_sorvane\" ( \"diffuse\" 0.5,\n \"diffuse\" 0.6 )", "bad:2",
                "given twice"},
        BadFile{"miWrongType", FileFormat::mentalray,
                "shader \"s\" \"qm7r_sorvane\" ( \"useIrradiance\" 0.5 )", "bad:1", "on or off"},
        BadFile{"miColourCount", FileFormat::mentalray, "shader \"s\" \"qm7r_sorvane\" ( \"color\" 1 1 )",
                "bad:1", "3 or 4 numbers"},
        BadFile{"miNameTwice", FileFormat::mentalray,
                "shader \"s\" \"qm7r_sorvane\" ( )\nshader \"s\" \"qm7r_sorvane\" ( )", "bad:2",
                "second shader"},
        BadFile{"melRunsCode", FileFormat::melPreset,
                "startAttrPreset( \"sorvane\" );\nsystem(\"touch /tmp/x\");\nendAttrPreset();", "bad:2",
                "never run"},
        BadFile{"melOtherNode", FileFormat::melPreset, "startAttrPreset( \"lambert\" );\nendAttrPreset();",
                "bad:1", "\"lambert\" nodes"},
        BadFile{"melNoEnd", FileFormat::melPreset,
                "startAttrPreset( \"sorvane\" );\nblendAttr \"diffuse\" 0.5;", "bad:1", "no endAttrPreset"},
        BadFile{"melCutShort", FileFormat::melPreset,
                "startAttrPreset( \"sorvane\" );\nblendAttr \"diffuse\" 0.5", "bad:2", "cut short"},
        BadFile{"melUnknown", FileFormat::melPreset,
                "startAttrPreset( \"sorvane\" );\nblendAttr \"colourR\" 0.5;\nendAttrPreset();", "bad:2",
                "did you mean \"colorR\""},
        BadFile{"jsonSyntax", FileFormat::presetJson,
                "{\n \"a\": {\n  \"attributes\": {\"diffuse\": 0.5,}\n }\n}", "bad:3", "not valid JSON"},
        // A number past a double's range: a parse error with its line, not an abort.
        BadFile{"jsonNumberOverflow", FileFormat::presetJson,
                "{\n \"a\": {\n  \"attributes\": {\"diffuse\": 1E999}\n }\n}", "bad:3", "number overflow"},
        BadFile{"jsonTwice", FileFormat::presetJson, "{\"a\": {},\n \"a\": {}}", "bad:2", "given twice"},
        BadFile{"jsonSection", FileFormat::presetJson, "{\n \"a\": {\n  \"atributes\": {}\n }\n}", "bad:3",
                "did you mean \"attributes\""},
        BadFile{"jsonHostSection", FileFormat::presetJson,
                "{\n \"a\": {\n  \"maya\": {\n   \"useIrradiance\": true\n  }\n }\n}", "bad:4", "in maya"},
        BadFile{"jsonType", FileFormat::presetJson,
                "{\n \"a\": {\n  \"attributes\": {\n   \"color\": \"red\"\n  }\n }\n}", "bad:4",
                "list of 3 numbers"}),
    [](const testing::TestParamInfo<BadFile>& info) { return std::string(info.param.label); });

TEST(MentalrayScene, ReadsOurShadersAnywhereAndSkipsTheRest) {
    const std::string text = R"(# exported
$include "qm7r_sorvane.mi"
declare shader color "qm7r_sorvane" ( color "color" default 0.5 0.5 0.5 1 ) version 1 end declare
light "key" "mib_light_point" ( "color" 1 1 1 ) end light
shader "other" "mib_illum_lambert" ( "diffuse" 1 0 0, "lights" ["key"] )
material "m1"
    shader "wax" "qm7r_sorvane" (
        "color" 0.9 0.7 0.3 1,   # warm
        "diffuse" 0.6,
        "useIrradiance" on,
        "subsurfaceIntensity" = "driver",
        "lights" ["key", "rim"]
    )
end material
shader "jade" "qm7r_sorvane" ( "color" 0.2 0.6 0.3 )
)";
    const std::vector<StoredMaterial> found =
        readMaterials(text, FileFormat::mentalray, "scene.mi", testSchema());
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].name, "wax");
    EXPECT_EQ(found[0].line, 7);
    EXPECT_EQ(valueOf(found[0], "color"), (Floats{0.9f, 0.7f, 0.3f, 1.0f}));
    EXPECT_EQ(valueOf(found[0], "diffuse"), (Floats{0.6f}));
    EXPECT_EQ(valueOf(found[0], "useIrradiance"), (Floats{1.0f}));
    EXPECT_EQ(valueOf(found[0], "subsurfaceIntensity"), Floats{});
    ASSERT_EQ(found[0].notes.size(), 1u);
    EXPECT_NE(found[0].notes[0].find("scene.mi:11"), std::string::npos) << found[0].notes[0];
    EXPECT_EQ(valueOf(found[1], "color"), (Floats{0.2f, 0.6f, 0.3f}));
}

TEST(MelPreset, ReadsBlendAttrByChannelAndTakesTheFilesName) {
    const std::string text =
        "// made by hand\nstartAttrPreset( \"sorvane\" );\n\tblendAttr \"colorR\" 0.8;\n"
        "\tblendAttr \"colorG\" 0.3;\n\tblendAttr \"dfl\" 0.6;\nendAttrPreset();\n";
    const std::vector<StoredMaterial> found =
        readMaterials(text, FileFormat::melPreset, "presets/attrPresets/sorvane/clay.mel", testSchema());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].name, "clay");
    EXPECT_EQ(valueOf(found[0], "color"), (Floats{0.8f, 0.3f, 0.5f}));
    EXPECT_EQ(valueOf(found[0], "diffuse"), (Floats{0.6f}));
}

TEST(MelPreset, OfMentalRaysNodeHoldsTheShadersValues) {
    const std::string text =
        "startAttrPreset( \"qm7r_sorvane\" );\n\tblendAttr \"colorG\" 0.25;\n"
        "\tblendAttr \"subsurfaceIntensity\" 0.1;\nendAttrPreset();\n";
    const std::vector<StoredMaterial> found =
        readMaterials(text, FileFormat::melPreset, "wax.mel", testSchema());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(valueOf(found[0], "color", HostScope::mentalray), (Floats{0.5f, 0.25f, 0.5f}));
    EXPECT_EQ(valueOf(found[0], "subsurfaceIntensity", HostScope::mentalray), (Floats{0.1f}));
    EXPECT_THROW(readMaterials(
                     "startAttrPreset( \"qm7r_sorvane\" );\nblendAttr \"transparencyR\" 1;\nendAttrPreset();",
                     FileFormat::melPreset, "x.mel", testSchema()),
                 InputError)
        << "Maya's own attribute is not the shader's";
}

TEST(PresetJson, ReadsSectionsByHostAndGreyColors) {
    const std::string text = R"({
  "clay": {
    "description": "dull",
    "attributes": {"color": 0.4, "diffuse": 0.7},
    "maya": {"transparency": [0, 0, 0.5]},
    "mentalray": {"subsurfaceIntensity": 0.1, "color": [0.4, 0.4, 0.4, 0.5]}
  },
  "chalk": {"attributes": {"diffuse": 1}}
})";
    const std::vector<StoredMaterial> found =
        readMaterials(text, FileFormat::presetJson, "p.json", testSchema());
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].description, "dull");
    EXPECT_EQ(valueOf(found[0], "color"), (Floats{0.4f, 0.4f, 0.4f}));
    EXPECT_EQ(valueOf(found[0], "transparency", HostScope::maya), (Floats{0.0f, 0.0f, 0.5f}));
    EXPECT_EQ(valueOf(found[0], "color", HostScope::mentalray), (Floats{0.4f, 0.4f, 0.4f, 0.5f}));
    EXPECT_EQ(found[1].name, "chalk");
    EXPECT_EQ(found[1].line, 8);
}

TEST(MaterialReference, SplitsTheNameAfterTheLastColon) {
    const struct {
        const char* text;
        const char* path;
        const char* name;
    } cases[] = {{"look.ma", "look.ma", ""},
                 {"look.ma:skin1", "look.ma", "skin1"},
                 {"dir:x/look.ma", "dir:x/look.ma", ""},
                 {"dir:x/look.ma:jade", "dir:x/look.ma", "jade"},
                 {"C:\\looks\\a.mi", "C:\\looks\\a.mi", ""}};
    for (const auto& c : cases) {
        const MaterialReference r = parseMaterialReference(c.text);
        EXPECT_EQ(r.path, c.path) << c.text;
        EXPECT_EQ(r.name, c.name) << c.text;
    }
}

TEST(MaterialReference, AMissingNameListsWhatTheFileHolds) {
    const std::vector<StoredMaterial> found =
        readMaterials("createNode sorvane -n \"skin1\";\ncreateNode sorvane -n \"jade\";",
                      FileFormat::mayaAscii, "a.ma", testSchema());
    try {
        findMaterial(found, "skin", "a.ma");
        FAIL();
    } catch (const InputError& error) {
        EXPECT_NE(std::string(error.what()).find("did you mean \"skin1\"? (it holds skin1, jade)"),
                  std::string::npos)
            << error.what();
    }
}

}  // namespace
}  // namespace sorvane::material
