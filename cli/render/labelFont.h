#pragma once

// Labels burned into a picture for viewing: a small bitmap font of our own,
// drawn light with a dark shadow, scaled by whole pixels.

#include <string>

#include "cli/render/viewTransform.h"

namespace sorvane::render {

int labelWidth(const std::string& text, int scale);
int labelHeight(int scale);
// (x, y) is the top left of the text; what falls outside the image is clipped.
void drawLabel(DisplayImage& image, int x, int y, const std::string& text, int scale);

}  // namespace sorvane::render
