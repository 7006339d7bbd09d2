#include "cli/render/image.h"

#include <algorithm>

namespace sorvane::render {

Image::Image(int width, int height, Rgb fill)
    : width_(width),
      height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill),
      alpha_(pixels_.size(), 0.0f) {}

Image composeGrid(const std::vector<std::vector<Image>>& rows, int gap, Rgb background) {
    int width = 0;
    int height = 0;
    std::vector<int> rowHeights;
    for (const auto& row : rows) {
        int w = 0;
        int h = 0;
        for (const Image& image : row) {
            w += image.width() + (w > 0 ? gap : 0);
            h = std::max(h, image.height());
        }
        width = std::max(width, w);
        height += h + (rowHeights.empty() ? 0 : gap);
        rowHeights.push_back(h);
    }
    Image out(width, height, background);
    int top = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        int left = 0;
        for (const Image& image : rows[r]) {
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    out.at(left + x, top + y) = image.at(x, y);
                    out.alphaAt(left + x, top + y) = image.alphaAt(x, y);
                }
            }
            left += image.width() + gap;
        }
        top += rowHeights[r] + gap;
    }
    return out;
}

}  // namespace sorvane::render
