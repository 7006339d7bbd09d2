#include "cli/render/progressBar.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>

namespace sorvane::render {

namespace {

constexpr int kWidth = 30;

}  // namespace

ProgressBar::ProgressBar(std::ostream& out, bool enabled)
    : out_(out), enabled_(enabled), start_(std::chrono::steady_clock::now()) {}

ProgressBar::~ProgressBar() { finish(); }

void ProgressBar::update(double fraction) {
    if (!enabled_) return;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    if (!shown_ && elapsed < 1.0) return;
    const double f = std::clamp(fraction, 0.0, 1.0);
    const int percent = static_cast<int>(f * 100.0);
    if (shown_ && percent == lastPercent_) return;
    shown_ = true;
    lastPercent_ = percent;
    const int filled = static_cast<int>(f * kWidth);
    char seconds[64];
    // Time left, from the rate so far; said only once there is a rate to go by.
    if (f >= 0.02 && f < 1.0) {
        std::snprintf(seconds, sizeof seconds, "%.1f s, about %.0f s left", elapsed, elapsed * (1.0 - f) / f);
    } else {
        std::snprintf(seconds, sizeof seconds, "%.1f s", elapsed);
    }
    out_ << "\rrendering [" << std::string(static_cast<std::size_t>(filled), '#')
         << std::string(static_cast<std::size_t>(kWidth - filled), '.') << "] " << percent << "%  " << seconds
         << std::flush;
}

void ProgressBar::finish() {
    if (!shown_) return;
    out_ << '\r' << std::string(kWidth + 56, ' ') << '\r' << std::flush;
    shown_ = false;
}

}  // namespace sorvane::render
