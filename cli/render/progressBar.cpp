#include "cli/render/progressBar.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <string>

namespace sorvane::render {

namespace {

constexpr int kWidth = 30;

}  // namespace

ProgressBar::ProgressBar(std::ostream& out, bool enabled, int columns)
    : out_(out), enabled_(enabled), columns_(columns), start_(std::chrono::steady_clock::now()) {}

ProgressBar::~ProgressBar() { finish(); }

std::string ProgressBar::line(double fraction, double elapsed, int columns) {
    const double f = std::clamp(fraction, 0.0, 1.0);
    const int percent = static_cast<int>(f * 100.0);
    char seconds[64];
    char left[64] = "";
    std::snprintf(seconds, sizeof seconds, "%.1f s", elapsed);
    // Time left, from the rate so far; said only once there is a rate to go by.
    if (f >= 0.02 && f < 1.0)
        std::snprintf(left, sizeof left, ", about %.0f s left", elapsed * (1.0 - f) / f);
    // The last column stays free: a terminal wraps a line that fills it.
    const int room = std::max(0, columns - 1);
    const std::string tail = "] " + std::to_string(percent) + "%  " + seconds;
    int width = std::min(kWidth, room - static_cast<int>(11 + tail.size() + std::strlen(left)));
    std::string after = tail + left;
    if (width < 5) {
        after = tail;  // the estimate goes before the bar shrinks past use
        width = std::min(kWidth, room - static_cast<int>(11 + tail.size()));
    }
    std::string text;
    if (width >= 5) {
        const int filled = static_cast<int>(f * width);
        text = "rendering [" + std::string(static_cast<std::size_t>(filled), '#') +
               std::string(static_cast<std::size_t>(width - filled), '.') + after;
    } else {
        text = "rendering " + std::to_string(percent) + "%";
    }
    if (static_cast<int>(text.size()) > room) text.resize(static_cast<std::size_t>(room));
    return text;
}

void ProgressBar::update(double fraction) {
    if (!enabled_) return;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    if (!shown_ && elapsed < 1.0) return;
    const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
    if (shown_ && percent == lastPercent_) return;
    shown_ = true;
    lastPercent_ = percent;
    const std::string text = line(fraction, elapsed, columns_);
    // Over a longer line before, blanks clear what it leaves.
    const std::size_t clear = shownWidth_ > text.size() ? shownWidth_ - text.size() : 0;
    out_ << '\r' << text << std::string(clear, ' ') << std::flush;
    shownWidth_ = std::max(shownWidth_, text.size());
}

void ProgressBar::finish() {
    if (!shown_) return;
    out_ << '\r' << std::string(shownWidth_, ' ') << '\r' << std::flush;
    shown_ = false;
}

}  // namespace sorvane::render
