// The JSON Lines loop of `sorvane shade`: one output line per input line, in
// order, rejected lines answered with an error object and counted in the exit
// status, and the good lines around them still evaluated.

#include <gtest/gtest.h>

#include <sstream>

#include "cli/shade/shadeSession.h"

namespace {

using sorvane::cli::InputError;
using sorvane::cli::Json;
using sorvane::cli::OrderedJson;

// Echoes "x" back doubled; rejects any other key.
class Doubler : public sorvane::cli::ShadeSession {
public:
    OrderedJson shade(const Json& line) override {
        sorvane::cli::requireKnownKeys(line, "", {"x"});
        const float x = sorvane::cli::readFloat(line.value("x", Json(0)), "x");
        ++calls;
        return {{"y", x * 2.0f}};
    }
    int calls = 0;
};

struct Outcome {
    std::string out, err;
    int status;
};

Outcome shade(const std::string& input, Doubler& session) {
    std::istringstream in(input);
    std::ostringstream out, err;
    const int status = sorvane::cli::runShadeLoop(session, in, out, err);
    return {out.str(), err.str(), status};
}

TEST(ShadeLoop, AnswersEveryLineInOrder) {
    Doubler session;
    const Outcome run = shade("{\"x\": 1}\n{\"x\": 2.5}\r\n{}\n", session);
    EXPECT_EQ(run.out, "{\"y\":2.0}\n{\"y\":5.0}\n{\"y\":0.0}\n");
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
}

TEST(ShadeLoop, RejectedLinesKeepTheOutputAlignedAndFailTheRun) {
    Doubler session;
    const Outcome run =
        shade("{\"x\": 1}\n{\"x\": \n[1, 2]\n{\"z\": 3}\n\n{\"x\": \"big\"}\n{\"x\": 3}\n", session);
    std::istringstream lines(run.out);
    std::vector<Json> out;
    for (std::string line; std::getline(lines, line);) out.push_back(Json::parse(line));
    ASSERT_EQ(out.size(), 7u);
    EXPECT_EQ(out[0]["y"], 2.0);
    EXPECT_EQ(out[1]["error"].get<std::string>().rfind("line 2: not valid JSON", 0), 0u);
    EXPECT_EQ(out[2]["error"], "line 3: expected a JSON object, got array");
    EXPECT_EQ(out[3]["error"], "line 4: z: unknown key; did you mean \"x\"? (expected one of: x)");
    EXPECT_EQ(out[4]["error"].get<std::string>().rfind("line 5: not valid JSON", 0), 0u);
    EXPECT_EQ(out[5]["error"].get<std::string>().rfind("line 6: x: expected a number", 0), 0u);
    EXPECT_EQ(out[6]["y"], 6.0);
    EXPECT_EQ(session.calls, 2);
    EXPECT_EQ(run.status, 1);

    // One message per rejected line on standard error, naming the line and the field.
    std::istringstream errors(run.err);
    std::vector<std::string> messages;
    for (std::string line; std::getline(errors, line);) messages.push_back(line);
    ASSERT_EQ(messages.size(), 5u);
    EXPECT_EQ(messages[2], "sorvane shade: line 4: z: unknown key; did you mean \"x\"? (expected one of: x)");
}

// Lines no parser should see raw: each is answered with an error that quotes
// the offending bytes escaped, and the lines around it are still evaluated.
struct HostileLine {
    const char* name;
    std::string text;
    const char* expected;  // the start of the error, after "line 2: "
};

class ShadeLoopHostileLine : public testing::TestWithParam<HostileLine> {};

TEST_P(ShadeLoopHostileLine, IsRejectedAloneAndQuotedSafely) {
    Doubler session;
    const Outcome run = shade("{\"x\": 1}\n" + GetParam().text + "\n{\"x\": 3}\n", session);
    std::istringstream lines(run.out);
    std::vector<Json> out;
    for (std::string line; std::getline(lines, line);) out.push_back(Json::parse(line));
    ASSERT_EQ(out.size(), 3u) << run.out;
    EXPECT_EQ(out[0]["y"], 2.0);
    const std::string error = out[1]["error"].get<std::string>();
    EXPECT_EQ(error.rfind(std::string("line 2: ") + GetParam().expected, 0), 0u) << error;
    EXPECT_EQ(out[2]["y"], 6.0);
    EXPECT_EQ(run.status, 1);
    for (const unsigned char byte : run.err) {
        EXPECT_TRUE(byte == '\n' || (byte >= 0x20 && byte < 0x7f))
            << "raw byte " << int(byte) << " in " << run.err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, ShadeLoopHostileLine,
    testing::Values(
        HostileLine{"NotUtf8", "\xdc", "not valid JSON"},
        HostileLine{"KeyGivenTwice", "{\"x\": 1, \"x\": 2}", "x: given twice in one object"},
        HostileLine{"NestedKeyGivenTwice", "{\"x\": {\"a\": 1, \"a\": 1}}", "a: given twice in one object"},
        HostileLine{"NotUtf8InAKey", "{\"\xff\": 1}", "not valid JSON"},
        HostileLine{"EscapeInAKey", "{\"\\u001b[2J\": 1}", "\\x1b[2J: unknown key"},
        HostileLine{"NulAfterAnObject", std::string("{\"x\": 1}\0{\"x\": 2}", 17), "a NUL byte at column 9"},
        HostileLine{"NulInsideAKey", std::string("{\"x\0\": 1}", 9), "a NUL byte at column 4"}),
    [](const testing::TestParamInfo<HostileLine>& info) { return std::string(info.param.name); });

TEST(ShadeLoop, AHugeKeyIsNamedByItsStart) {
    Doubler session;
    const Outcome run = shade("{\"" + std::string(1 << 20, 'k') + "\": 1}\n", session);
    EXPECT_LT(run.out.size(), 400u);
    EXPECT_LT(run.err.size(), 400u);
    EXPECT_NE(run.err.find("kkk...: unknown key (expected one of: x)"), std::string::npos) << run.err;
}

TEST(Printable, EscapesControlAndNonUtf8BytesAndKeepsWellFormedText) {
    using sorvane::cli::printable;
    EXPECT_EQ(printable("caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xa8"),
              "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xa8");
    EXPECT_EQ(printable("a\tb\x7f"), "a\\x09b\\x7f");
    EXPECT_EQ(printable("\xc3"), "\\xc3");                    // cut short
    EXPECT_EQ(printable("\xc0\xaf"), "\\xc0\\xaf");           // overlong '/'
    EXPECT_EQ(printable("\xed\xa0\x80"), "\\xed\\xa0\\x80");  // a surrogate
    EXPECT_EQ(printable("\xf4\x90\x80\x80"), "\\xf4\\x90\\x80\\x80");
}

// A stream that refuses every byte, as a full device or a closed descriptor does.
class RefusingBuffer : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
};

TEST(ShadeLoop, AnInputThatCannotBeReadFailsTheRun) {
    Doubler session;
    RefusingBuffer refusing;
    std::istream in(&refusing);
    in.setstate(std::ios::badbit);
    std::ostringstream out, err;
    EXPECT_EQ(sorvane::cli::runShadeLoop(session, in, out, err), 1);
    EXPECT_NE(err.str().find("cannot read the input"), std::string::npos);
}

}  // namespace
