// The "#:" hints the shipped declaration gives Maya's node factory: they must
// say what the declaration itself says, or the node Maya makes would start
// from other values than the renderer's.
#include <gtest/gtest.h>

#include <cctype>

#include "host/mentalray/nodeFactoryHints.h"
#include "tests/support/mentalrayTesting.h"

namespace sorvane::mrhost {
namespace {

// The components a hint gives for a parameter: colours and vectors three (a
// colour's alpha is not the node's), others one.
std::size_t components(const Parameter& p) {
    return p.kind == ParameterType::Color || p.kind == ParameterType::Vector ? 3 : 1;
}

TEST(NodeFactoryHints, ShippedHintsRepeatTheDeclaredDefaultsWithinTheirRanges) {
    const std::vector<NodeFactoryHints> all = readNodeFactoryHints(SORVANE_MR_DECLARATION);
    ASSERT_EQ(all.size(), 1u);
    const NodeFactoryHints& hints = all[0];
    // Fixed, and not the Maya node's own 0x82041: scenes keep their nodes.
    ASSERT_TRUE(hints.nodeId.has_value());
    EXPECT_EQ(*hints.nodeId, 0x82042);
    const Declaration declaration = testing::shippedDeclaration();
    for (const Parameter& p : declaration.parameters) {
        SCOPED_TRACE(p.name);
        const ParameterHints* h = hints.find(p.name);
        if (p.isArray) {
            EXPECT_EQ(h, nullptr) << "lights are connected, not set";
            continue;
        }
        ASSERT_NE(h, nullptr);
        ASSERT_TRUE(h->values.count("default"));
        const std::vector<double>& given = h->values.at("default");
        ASSERT_EQ(given.size(), components(p));
        ASSERT_TRUE(p.hasDefault);
        for (std::size_t i = 0; i < given.size(); ++i) {
            // Both are read from decimal text: the same text gives the same float.
            EXPECT_EQ(static_cast<float>(given[i]), static_cast<float>(p.defaultValue[i]))
                << "component " << i;
        }
        const auto bound = [&](const char* name, double fallback) {
            const auto found = h->values.find(name);
            if (found == h->values.end()) return fallback;
            EXPECT_EQ(found->second.size(), components(p)) << name;
            return found->second.front();
        };
        const double low = bound("min", -1e30), high = bound("max", 1e30);
        const double softLow = bound("softmin", low), softHigh = bound("softmax", high);
        EXPECT_LE(low, softLow);
        EXPECT_LT(softLow, softHigh);
        EXPECT_LE(softHigh, high);
        EXPECT_LE(low, given[0]);
        EXPECT_LE(given[0], high);
    }
}

struct BadHint {
    const char* what;
    const char* text;
    const char* message;  // what the error must say
};

class RefusedHint : public ::testing::TestWithParam<BadHint> {};

TEST_P(RefusedHint, NamesTheLineAndWhatIsWrong) {
    const BadHint& c = GetParam();
    try {
        parseNodeFactoryHints(c.text, "test.mi");
        FAIL() << c.what << ": accepted";
    } catch (const HostError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find("test.mi:3: "), std::string::npos) << c.what << ": " << message;
        EXPECT_NE(message.find(c.message), std::string::npos) << c.what << ": " << message;
    }
}

#define SHADER(body) "declare shader\n  color \"s\" (\n" body "\n  )\n  version 1\nend declare\n"

INSTANTIATE_TEST_SUITE_P(
    NodeFactoryHints, RefusedHint,
    ::testing::Values(
        BadHint{"unknown keyword", SHADER("scalar \"w\" default 1 #: deflt 1"), "unknown hint \"deflt\""},
        BadHint{"no number", SHADER("scalar \"w\" default 1 #: min softmax 2"), "\"min\" takes"},
        BadHint{"five numbers", SHADER("color \"c\" #: default 1 2 3 4 5"), "\"default\" takes"},
        BadHint{"given twice", SHADER("scalar \"w\" #: max 1 max 2"), "given twice"},
        BadHint{"negative node id", SHADER("scalar \"w\" #: nodeid -4"), "\"nodeid\" takes"},
        BadHint{"fractional node id", SHADER("scalar \"w\" #: nodeid 1.5"), "\"nodeid\" takes"},
        BadHint{"unquoted short name", SHADER("scalar \"w\" #: shortname w"), "quoted name"},
        BadHint{"hidden maybe", SHADER("scalar \"w\" #: hidden maybe"), "\"hidden\" takes"}),
    [](const auto& info) {
        std::string name;
        for (const char* c = info.param.what; *c; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name;
    });

TEST(NodeFactoryHints, ReadsEachHintForTheParameterOfItsLine) {
    const std::vector<NodeFactoryHints> all =
        parseNodeFactoryHints(SHADER("scalar \"a\" default 0.5, #: default 0.5 softmin 0 softmax 2\n"
                                     "    color \"b\",  # a plain comment: \"#:\" in it is nothing\n"
                                     "    #: shortname \"bb\" hidden on\n"
                                     "    scalar \"c\"\n"
                                     "    #: nodeid 1234"),
                              "test.mi");
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].nodeId, 1234);
    ASSERT_NE(all[0].find("a"), nullptr);
    EXPECT_EQ(all[0].find("a")->values.at("softmax"), std::vector<double>{2.0});
    const ParameterHints* b = all[0].find("b");
    ASSERT_NE(b, nullptr) << "a hint on its own line belongs to the parameter above it";
    EXPECT_EQ(b->shortName, "bb");
    EXPECT_TRUE(b->hidden);
    EXPECT_EQ(all[0].find("c"), nullptr);
}

}  // namespace
}  // namespace sorvane::mrhost
