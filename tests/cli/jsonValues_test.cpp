// The number rules of the JSON interfaces: non-finite values as strings,
// finite floats written with 9 significant digits so they read back exactly.

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "cli/jsonValues.h"

namespace {

using sorvane::cli::InputError;
using sorvane::cli::Json;
using sorvane::cli::OrderedJson;
using sorvane::cli::readBool;
using sorvane::cli::readFloat;
using sorvane::cli::readFloats;
using sorvane::cli::readInt;
using sorvane::cli::writeFloat;
using sorvane::cli::writeJson;

TEST(WriteFloat, RoundTripsEveryFloatThroughItsText) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<std::uint32_t> bits;
    int checked = 0;
    while (checked < 20000) {
        const std::uint32_t b = bits(rng);
        float f;
        std::memcpy(&f, &b, sizeof f);
        if (!std::isfinite(f)) continue;
        const std::string text = writeJson(writeFloat(f));
        const float back = readFloat(Json::parse(text), "x");
        ASSERT_EQ(std::memcmp(&back, &f, sizeof f), 0) << f << " written as " << text;
        ++checked;
    }
}

TEST(WriteFloat, UsesAtMostNineSignificantDigits) {
    EXPECT_EQ(writeJson(writeFloat(0.3f)), "0.300000012");
    EXPECT_EQ(writeJson(writeFloat(0.5f)), "0.5");
    EXPECT_EQ(writeJson(writeFloat(1.0f)), "1.0");
    EXPECT_EQ(writeJson(writeFloat(FLT_MAX)), "3.40282347e+38");
    EXPECT_EQ(writeJson(writeFloat(-0.0f)), "-0.0");
    // A shortest-digits printer writes this one as 0.8174022439999999.
    EXPECT_EQ(writeJson(writeFloat(0.817402244f)), "0.817402244");
}

TEST(WriteJson, LaysOutDocumentsAsNlohmannDoes) {
    const OrderedJson document = {{"name", "sorvane \"node\""},
                                  {"id", 532545},
                                  {"mpSafe", true},
                                  {"parent", nullptr},
                                  {"children", OrderedJson::array()},
                                  {"default", OrderedJson::object()},
                                  {"affects", {{"colorR", "outColor"}, {"color", "outColor"}}},
                                  {"nested", {{"a", {1, 2}}, {"b", -3}}}};
    EXPECT_EQ(writeJson(document), document.dump());
    EXPECT_EQ(writeJson(document, 2), document.dump(2));
    EXPECT_EQ(writeJson(OrderedJson{{"outColor", {writeFloat(0.5f), writeFloat(2.0f), writeFloat(-1.25f)}}}),
              R"({"outColor":[0.5,2.0,-1.25]})");
}

TEST(WriteFloat, WritesNonFiniteValuesAsStrings) {
    EXPECT_EQ(writeFloat(std::numeric_limits<float>::quiet_NaN()), OrderedJson("nan"));
    EXPECT_EQ(writeFloat(std::numeric_limits<float>::infinity()), OrderedJson("inf"));
    EXPECT_EQ(writeFloat(-std::numeric_limits<float>::infinity()), OrderedJson("-inf"));
}

TEST(ReadFloat, AcceptsNumbersAndTheThreeNonFiniteStrings) {
    EXPECT_EQ(readFloat(Json(2), "x"), 2.0f);
    EXPECT_EQ(readFloat(Json(-0.25), "x"), -0.25f);
    EXPECT_TRUE(std::isnan(readFloat(Json("nan"), "x")));
    EXPECT_EQ(readFloat(Json("inf"), "x"), std::numeric_limits<float>::infinity());
    EXPECT_EQ(readFloat(Json("-inf"), "x"), -std::numeric_limits<float>::infinity());
}

// Each rejected value names its field and says what was expected.
struct Rejection {
    const char* name;
    const char* json;
    const char* message;
};
class RejectedValue : public ::testing::TestWithParam<Rejection> {};

TEST_P(RejectedValue, NamesTheFieldAndWhatWasWrong) {
    const Rejection& r = GetParam();
    const Json value = Json::parse(r.json);
    try {
        if (std::string(r.name).rfind("Bool", 0) == 0) {
            readBool(value, "attributes.diffuse");
        } else if (std::string(r.name).rfind("Int", 0) == 0) {
            readInt(value, "attributes.diffuse");
        } else if (std::string(r.name).rfind("Triple", 0) == 0) {
            readFloats<3>(value, "attributes.diffuse");
        } else {
            readFloat(value, "attributes.diffuse");
        }
        FAIL() << "accepted " << r.json;
    } catch (const InputError& error) {
        EXPECT_EQ(error.field().substr(0, 18), "attributes.diffuse");
        EXPECT_EQ(std::string(error.what()), r.message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Values, RejectedValue,
    ::testing::Values(
        Rejection{"FloatFromString", R"("0.5")",
                  R"(attributes.diffuse: expected a number or "nan", "inf", "-inf", got the string "0.5")"},
        Rejection{"FloatFromBool", "true", "attributes.diffuse: expected a number, got boolean"},
        Rejection{"FloatOutOfRange", "1e39", "attributes.diffuse: out of the range of a 32-bit float"},
        Rejection{"BoolFromNumber", "1", "attributes.diffuse: expected true or false, got number"},
        Rejection{"IntFromFraction", "1.5", "attributes.diffuse: expected a whole number, got 1.5"},
        Rejection{"IntOutOfRange", "4294967296", "attributes.diffuse: out of the range of a 32-bit integer"},
        Rejection{"TripleTooShort", "[1, 2]", "attributes.diffuse: expected 3 numbers, got 2"},
        Rejection{"TripleNotAList", "{}", "attributes.diffuse: expected a list of 3 numbers, got object"},
        Rejection{"TripleBadElement", R"([1, "x", 3])",
                  R"(attributes.diffuse[1]: expected a number or "nan", "inf", "-inf", got the string "x")"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadFloats, TakesBetweenTheMinimumAndTheFullCount) {
    float rgba[4] = {9, 9, 9, 9};
    readFloats(Json::parse("[0.1, 0.2, 0.3]"), "color", rgba, 3, 4);
    EXPECT_EQ(rgba[2], 0.3f);
    EXPECT_EQ(rgba[3], 9.0f) << "an omitted component is left to the caller";
    EXPECT_THROW(readFloats(Json::parse("[1, 2, 3, 4, 5]"), "color", rgba, 3, 4), InputError);
}

}  // namespace
