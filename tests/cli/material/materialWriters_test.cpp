// What --save-preset writes reads back as the same material in each host,
// and each format carries only what its host has.
#include <gtest/gtest.h>

#include <map>

#include "cli/material/textScanner.h"
#include "testSchema.h"

namespace sorvane::material {
namespace {

StoredMaterial sample() {
    StoredMaterial m;
    m.name = "tweak";
    m.description = "from \"a\" test";
    const auto value = [](const char* name, ValueKind kind, std::vector<float> numbers, HostScope scope) {
        StoredValue v;
        v.name = name;
        v.kind = kind;
        v.numbers = std::move(numbers);
        v.scope = scope;
        return v;
    };
    m.values = {value("color", ValueKind::color, {0.1f, 0.2f, 0.3f}, HostScope::all),
                value("diffuse", ValueKind::scalar, {0.9f}, HostScope::all),
                value("diffuse", ValueKind::scalar, {0.6f}, HostScope::all),  // the later wins
                value("transparency", ValueKind::color, {0.0f, 0.5f, 0.0f}, HostScope::maya),
                value("subsurfaceIntensity", ValueKind::scalar, {0.19f}, HostScope::mentalray),
                value("useIrradiance", ValueKind::boolean, {1.0f}, HostScope::all),
                value("scattering", ValueKind::scalar, {0.4f}, HostScope::maya),
                value("scattering", ValueKind::scalar, {0.35f}, HostScope::mentalray)};
    return m;
}

// name -> numbers, the last of a name for `host` winning.
std::map<std::string, std::vector<float>> forHost(const StoredMaterial& m, HostScope host,
                                                  const Schema& schema) {
    std::map<std::string, std::vector<float>> out;
    for (const StoredValue& v : m.values) {
        if (v.scope != HostScope::all && v.scope != host) continue;
        const AttributeSpec* spec = schema.find(v.name);
        if (spec == nullptr || !(host == HostScope::maya ? spec->maya : spec->mentalray)) continue;
        std::vector<float> n = v.numbers;
        if (host == HostScope::mentalray && v.kind == ValueKind::color && n.size() == 3) n.push_back(1.0f);
        out[v.name] = n;
    }
    return out;
}

struct Writer {
    const char* label;
    FileFormat format;
    std::string (*write)(const StoredMaterial&, const Schema&);
    std::vector<HostScope> hosts;  // whose values it carries
};

class WrittenMaterials : public testing::TestWithParam<Writer> {};

TEST_P(WrittenMaterials, ReadBackAsTheSameValuesForEachHostTheyCarry) {
    const Writer& w = GetParam();
    const Schema schema = testSchema();
    const StoredMaterial original = sample();
    const std::string text = w.write(original, schema);
    const std::vector<StoredMaterial> back = readMaterials(text, w.format, "tweak.x", schema);
    ASSERT_EQ(back.size(), 1u) << text;
    EXPECT_EQ(back[0].name, "tweak");
    for (HostScope host : w.hosts) {
        EXPECT_EQ(forHost(back[0], host, schema), forHost(original, host, schema))
            << text << " for " << (host == HostScope::maya ? "maya" : "mentalray");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, WrittenMaterials,
    testing::Values(
        Writer{"json", FileFormat::presetJson, writePresetJson, {HostScope::maya, HostScope::mentalray}},
        Writer{"mel", FileFormat::melPreset, writeMelPreset, {HostScope::maya}},
        Writer{"mi", FileFormat::mentalray, writeMentalrayShader, {HostScope::mentalray}}),
    [](const testing::TestParamInfo<Writer>& info) { return std::string(info.param.label); });

TEST(WrittenMaterials, EachHostsFileLeavesOutWhatThatHostLacks) {
    const Schema schema = testSchema();
    const std::string mel = writeMelPreset(sample(), schema);
    EXPECT_EQ(mel.find("subsurfaceIntensity"), std::string::npos) << mel;
    EXPECT_NE(mel.find("blendAttr \"transparencyG\" 0.5;"), std::string::npos) << mel;
    const std::string mi = writeMentalrayShader(sample(), schema);
    EXPECT_EQ(mi.find("transparency"), std::string::npos) << mi;
    EXPECT_NE(mi.find("\"color\" 0.1 0.2 0.3 1"), std::string::npos) << mi;
    EXPECT_NE(mi.find("\"useIrradiance\" on"), std::string::npos) << mi;
    // Shared values once; a value the hosts take differently in each host's section.
    const std::string json = writePresetJson(sample(), schema);
    EXPECT_NE(json.find("\"attributes\": {\n      \"color\": [0.1, 0.2, 0.3],\n      \"diffuse\": 0.6"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"maya\": {\n      \"transparency\": [0, 0.5, 0],\n      \"scattering\": 0.4"),
              std::string::npos)
        << json;
}

TEST(FloatText, IsTheShortestTextOfTheSameFloat) {
    for (const float v : {0.6f, 0.1f, 1.0f / 3.0f, 1e-8f, 16777217.0f, -0.0f, 3.4028235e38f}) {
        const std::string text = floatText(v);
        EXPECT_EQ(std::strtof(text.c_str(), nullptr), v) << text;
    }
    EXPECT_EQ(floatText(0.6f), "0.6");
}

}  // namespace
}  // namespace sorvane::material
