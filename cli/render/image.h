#pragma once

// A linear RGB float image with an alpha (how much of each pixel the
// previewed material covers), and how the command lays several out.

#include <cstddef>
#include <vector>

#include "cli/render/vec3.h"

namespace sorvane::render {

class Image {
public:
    Image() = default;
    Image(int width, int height, Rgb fill = {});

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return pixels_.empty(); }
    Rgb& at(int x, int y) { return pixels_[index(x, y)]; }
    const Rgb& at(int x, int y) const { return pixels_[index(x, y)]; }
    const std::vector<Rgb>& pixels() const { return pixels_; }
    float& alphaAt(int x, int y) { return alpha_[index(x, y)]; }
    float alphaAt(int x, int y) const { return alpha_[index(x, y)]; }
    const std::vector<float>& alpha() const { return alpha_; }

private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x);
    }
    int width_ = 0;
    int height_ = 0;
    std::vector<Rgb> pixels_;
    std::vector<float> alpha_;
};

// Swatches on a grid, row by row, with `gap` pixels of `background` between them.
Image composeGrid(const std::vector<std::vector<Image>>& rows, int gap, Rgb background);

}  // namespace sorvane::render
