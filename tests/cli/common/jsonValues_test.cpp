// The number rules of the JSON interfaces: non-finite values as strings,
// finite floats written as the shortest text that reads back as the same float.

#include <gtest/gtest.h>

#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

#include "cli/common/jsonValues.h"

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

// The significant digits of a number's text: "-1.25e-07" has 3.
int significantDigits(const std::string& text) {
    const std::string mantissa = text.substr(0, text.find('e'));
    std::string digits;
    for (char c : mantissa) {
        if (std::isdigit(static_cast<unsigned char>(c))) digits += c;
    }
    const std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return 1;
    const std::size_t last = digits.find_last_not_of('0');
    return static_cast<int>(last - first + 1);
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Random bit patterns: each text reads back as the same float, through the
// command's own reader, and no text with one significant digit fewer would.
TEST(WriteFloat, WritesTheShortestTextThatReadsBackAsTheSameFloat) {
    std::mt19937 rng(3);
    std::uniform_int_distribution<std::uint32_t> bits;
    int checked = 0;
    while (checked < 20000) {
        const std::uint32_t b = bits(rng);
        float f;
        std::memcpy(&f, &b, sizeof f);
        if (!std::isfinite(f)) continue;
        const std::string text = writeJson(writeFloat(f));
        ASSERT_TRUE(sameBits(readFloat(Json::parse(text), "x"), f)) << f << " written as " << text;
        // A whole number is written out whole where that is no longer than
        // its exponent form, trailing zeros and all.
        const bool whole = text.find('e') == std::string::npos && text.size() > 2 &&
                           text.compare(text.size() - 2, 2, ".0") == 0;
        const int digits = significantDigits(text);
        if (digits > 1 && !whole) {
            char shorter[320];
            std::snprintf(shorter, sizeof shorter, "%.*g", digits - 1, static_cast<double>(f));
            ASSERT_FALSE(sameBits(std::strtof(shorter, nullptr), f))
                << text << " is longer than it needs: " << shorter << " reads back the same";
        }
        ++checked;
    }
}

struct FloatText {
    const char* name;
    float value;
    const char* text;
};
class ShortestFloatText : public ::testing::TestWithParam<FloatText> {};

TEST_P(ShortestFloatText, IsWrittenAndReadsBackBitForBit) {
    const FloatText& c = GetParam();
    const std::string text = writeJson(writeFloat(c.value));
    EXPECT_EQ(text, c.text);
    EXPECT_TRUE(sameBits(readFloat(Json::parse(text), "x"), c.value)) << text;
    // Inside a document too, not only alone.
    EXPECT_EQ(writeJson(OrderedJson{{"v", {writeFloat(c.value)}}}), std::string(R"({"v":[)") + c.text + "]}");
}

INSTANTIATE_TEST_SUITE_P(
    Values, ShortestFloatText,
    ::testing::Values(
        // What used to read 0.800000012 and 0.300000012.
        FloatText{"PointEight", 0.8f, "0.8"}, FloatText{"PointThree", 0.3f, "0.3"},
        FloatText{"PointOne", 0.1f, "0.1"},
        // Nine digits where nothing shorter reads back the same.
        FloatText{"NineDigits", 0.817402244f, "0.81740224"},
        FloatText{"NextAfterOne", std::nextafter(1.0f, 2.0f), "1.0000001"},
        FloatText{"Third", 1.0f / 3.0f, "0.33333334"},
        // Its shortest text, 7.038531e-26, read as a double and then narrowed
        // (as the command's reader does) rounds twice and lands on the
        // neighbouring float; one digit more reads back either way.
        FloatText{"ShortestTextRoundsTwice", 7.0385307e-26f, "7.0385307e-26"},
        // Integers stay floats to a reader.
        FloatText{"One", 1.0f, "1.0"}, FloatText{"Zero", 0.0f, "0.0"},
        FloatText{"NegativeZero", -0.0f, "-0.0"}, FloatText{"MinusSeven", -7.0f, "-7.0"},
        FloatText{"TwoToThe24", 16777216.0f, "16777216.0"}, FloatText{"TenToTheTen", 1e10f, "1e+10"},
        // The ends of the range.
        FloatText{"Max", FLT_MAX, "3.4028235e+38"}, FloatText{"Lowest", -FLT_MAX, "-3.4028235e+38"},
        FloatText{"SmallestNormal", FLT_MIN, "1.1754944e-38"},
        FloatText{"LargestDenormal", std::nextafter(FLT_MIN, 0.0f), "1.1754942e-38"},
        FloatText{"SmallestDenormal", std::numeric_limits<float>::denorm_min(), "1e-45"},
        FloatText{"NegativeDenormal", -3 * std::numeric_limits<float>::denorm_min(), "-4e-45"},
        FloatText{"Tiny", 1e-30f, "1e-30"}, FloatText{"NegativeTiny", -2.5e-20f, "-2.5e-20"}),
    [](const auto& info) { return std::string(info.param.name); });

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
        // Past FLT_MAX by more than half a step: it would round to infinity.
        Rejection{"FloatJustPastMax", "3.4028236e38",
                  "attributes.diffuse: out of the range of a 32-bit float"},
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

// 320,000 objects in one array took 44.5 s: the library's callback parser
// searched the array after every object. The document must come back whole
// (its cost is json_parse_bench's), with a key given twice still refused
// however deep the object lies.
TEST(ParseJson, ReadsAnArrayOfManyObjectsAndStillRefusesAKeyGivenTwice) {
    std::string text = "[";
    for (int i = 0; i < 320000; ++i) text += i == 0 ? "{}" : ",{}";
    text += "]";
    const Json many = sorvane::cli::parseJson(text);
    ASSERT_TRUE(many.is_array());
    EXPECT_EQ(many.size(), 320000u);
    EXPECT_EQ(sorvane::cli::parseJson(R"([{"a": 1}, {"a": 2, "b": [{"a": 3}]}])")[1]["b"][0]["a"], 3);
    try {
        sorvane::cli::parseJson(R"([{"a": 1}, {"b": [{"c": 1, "c": 2}]}])");
        FAIL() << "a key given twice was kept";
    } catch (const InputError& error) {
        EXPECT_STREQ(error.what(), "c: given twice in one object");
    }
    EXPECT_THROW(sorvane::cli::parseJson("[{}"), Json::parse_error);
    EXPECT_THROW(sorvane::cli::parseJson("{} {}"), Json::parse_error);
}

}  // namespace
