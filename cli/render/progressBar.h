#pragma once

#include <chrono>
#include <iosfwd>
#include <string>

namespace sorvane::render {

// A one-line bar on a terminal. It shows only once the render has taken a
// second, so short renders stay quiet, and clears itself when done. It keeps
// within `columns` characters, or a narrow terminal would wrap every update
// onto a line of its own.
class ProgressBar {
public:
    ProgressBar(std::ostream& out, bool enabled, int columns = 80);
    // The line for `fraction` done after `elapsed` seconds, at most `columns` wide.
    static std::string line(double fraction, double elapsed, int columns);
    ~ProgressBar();
    void update(double fraction);
    void finish();

private:
    std::ostream& out_;
    bool enabled_;
    int columns_;
    std::size_t shownWidth_ = 0;
    bool shown_ = false;
    int lastPercent_ = -1;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace sorvane::render
