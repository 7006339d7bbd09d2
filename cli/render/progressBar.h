#pragma once

#include <chrono>
#include <iosfwd>

namespace sorvane::render {

// A one-line bar on a terminal. It shows only once the render has taken a
// second, so short renders stay quiet, and clears itself when done.
class ProgressBar {
public:
    ProgressBar(std::ostream& out, bool enabled);
    ~ProgressBar();
    void update(double fraction);
    void finish();

private:
    std::ostream& out_;
    bool enabled_;
    bool shown_ = false;
    int lastPercent_ = -1;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace sorvane::render
