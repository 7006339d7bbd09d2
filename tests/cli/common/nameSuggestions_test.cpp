// "Did you mean": which known names a mistyped one is taken for, and when
// none is near enough to offer.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/common/nameSuggestions.h"

namespace {

using sorvane::cli::didYouMean;
using sorvane::cli::editDistance;
using sorvane::cli::nearestNames;

const std::vector<std::string> kAttributes{"color",   "transparency",    "ambientColor", "incandescence",
                                           "diffuse", "scatteringColor", "scattering",   "anisotropy",
                                           "depth",   "opposition",      "backlight",    "eccentricity",
                                           "colorR",  "colorG",          "colorB",       "specularRollOff"};

struct Slip {
    const char* name;
    const char* typed;
    std::vector<std::string> expected;
};
class NearestNames : public ::testing::TestWithParam<Slip> {};

TEST_P(NearestNames, OfferTheNamesMeant) {
    EXPECT_EQ(nearestNames(GetParam().typed, kAttributes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Slips, NearestNames,
    ::testing::Values(Slip{"MissingLetter", "difuse", {"diffuse"}}, Slip{"ShortName", "colr", {"color"}},
                      Slip{"SwappedNeighbours", "diffsue", {"diffuse"}},
                      Slip{"LetterCase", "Diffuse", {"diffuse"}},
                      Slip{"TwoSlipsInALongName", "scaterringColour", {"scatteringColor"}},
                      // Equally near: the first three, in the known order.
                      Slip{"Tie", "colorX", {"color", "colorR", "colorG"}},
                      // A channel's capital is no nearer than the compound.
                      Slip{"BritishSpelling", "colour", {"color"}},
                      Slip{"AllCapitals", "DIFFUSE", {"diffuse"}},
                      // The nearer one wins over one a step further.
                      Slip{"NearestOnly", "scatterin", {"scattering"}}, Slip{"NothingNear", "roughness", {}},
                      Slip{"OneLetter", "q", {}}, Slip{"TooManySlipsForAShortName", "dpt", {}},
                      Slip{"ExactIsNoSuggestion", "depth", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EditDistance, CountsEachKindOfSlipOnce) {
    EXPECT_EQ(editDistance("jade", "jade"), 0u);
    EXPECT_EQ(editDistance("jdae", "jade"), 1u);   // swap
    EXPECT_EQ(editDistance("jad", "jade"), 1u);    // deletion
    EXPECT_EQ(editDistance("jaxde", "jade"), 1u);  // insertion
    EXPECT_EQ(editDistance("jale", "jade"), 1u);   // substitution
    EXPECT_EQ(editDistance("", "jade"), 4u);
    EXPECT_EQ(editDistance("Jade", "jade"), 1u);
    EXPECT_EQ(editDistance("wax", "milk"), editDistance("milk", "wax"));
}

TEST(DidYouMean, PhrasesOneOrSeveralNamesAndNothingWhenNoneIsNear) {
    EXPECT_EQ(didYouMean("jdae", {"default", "jade", "wax"}), "; did you mean \"jade\"?");
    EXPECT_EQ(didYouMean("mex", {"wax", "max", "mix"}), "; did you mean \"max\" or \"mix\"?");
    EXPECT_EQ(didYouMean("colorX", kAttributes), "; did you mean \"color\", \"colorR\" or \"colorG\"?");
    EXPECT_EQ(didYouMean("xyz", kAttributes), "");
    // A name of megabytes is no slip, and costs no table of its size.
    EXPECT_EQ(didYouMean(std::string(1 << 20, 'd'), kAttributes), "");
}

}  // namespace
