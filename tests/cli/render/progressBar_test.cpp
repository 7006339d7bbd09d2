// The progress bar keeps to the terminal's width: a line that wraps would
// print every update on a line of its own.
#include <gtest/gtest.h>

#include "cli/render/progressBar.h"

namespace sorvane::render {
namespace {

TEST(ProgressBar, FitsEveryTerminalWidthAndSaysWhatFits) {
    for (const int columns : {1, 8, 20, 30, 40, 56, 60, 80, 200}) {
        for (const double fraction : {0.0, 0.5, 1.0}) {
            const std::string line = ProgressBar::line(fraction, 1234.5, columns);
            EXPECT_LE(static_cast<int>(line.size()), std::max(0, columns - 1)) << columns << ": " << line;
        }
    }
    // Wide: the bar, the time and the estimate; narrower: the estimate goes
    // before the bar shrinks away; narrowest: the percentage alone.
    EXPECT_NE(ProgressBar::line(0.5, 10.0, 120).find("about 10 s left"), std::string::npos);
    EXPECT_NE(ProgressBar::line(0.5, 10.0, 120).find("[###############...............]"), std::string::npos);
    const std::string narrow = ProgressBar::line(0.5, 10.0, 40);
    EXPECT_EQ(narrow.find("left"), std::string::npos) << narrow;
    EXPECT_NE(narrow.find("[#"), std::string::npos) << narrow;
    EXPECT_EQ(ProgressBar::line(0.5, 10.0, 20), "rendering 50%");
}

}  // namespace
}  // namespace sorvane::render
