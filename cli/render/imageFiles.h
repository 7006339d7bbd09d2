#pragma once

// Image files: PNG (8-bit sRGB, the piecewise curve) for viewing, EXR (linear
// 32-bit float) for compositing, chosen by the file's extension. A file is
// written beside its destination and renamed into place, so a failed write
// never leaves half a picture, nor spoils one that was there.

#include <stdexcept>
#include <string>

#include "cli/render/image.h"

namespace sorvane::render {

class ImageFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class ImageFormat { png, exr };

// By extension, case-insensitively; false for any other.
bool imageFormatFor(const std::string& path, ImageFormat& format);

void writeImage(const std::string& path, const Image& image);  // throws ImageFileError
Image readExr(const std::string& path);                        // throws ImageFileError

float linearToSrgb(float linear);
unsigned char toSrgb8(float linear);

}  // namespace sorvane::render
