// The JSON Lines loop of `sorvane shade`: one output line per input line, in
// order, rejected lines answered with an error object and counted in the exit
// status, and the good lines around them still evaluated.

#include <gtest/gtest.h>

#include <sstream>

#include "cli/shadeSession.h"

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
    EXPECT_EQ(out[3]["error"], "line 4: z: unknown key (expected one of: x)");
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
    EXPECT_EQ(messages[2], "sorvane shade: line 4: z: unknown key (expected one of: x)");
}

}  // namespace
