#pragma once

// Image files: PNG (8-bit sRGB, the piecewise curve) for viewing, EXR (linear
// 32-bit float) for compositing, chosen by the file's extension. A file is
// written beside its destination and renamed into place, so a failed write
// never leaves half a picture, nor spoils one that was there.

#include <string>
#include <utility>
#include <vector>

#include "cli/common/inputError.h"
#include "cli/render/image.h"
#include "cli/render/viewTransform.h"

namespace sorvane::render {

using cli::InputError;

enum class ImageFormat { png, exr };

// By extension, case-insensitively; false for any other.
bool imageFormatFor(const std::string& path, ImageFormat& format);

void writeImage(const std::string& path, const Image& image);  // throws InputError
Image readExr(const std::string& path);                        // throws InputError

// What a picture says about itself: EXR header attributes, PNG text chunks.
using Metadata = std::vector<std::pair<std::string, std::string>>;

// One layer of an EXR: channels NAME.R, NAME.G, NAME.B and NAME.A (the alpha).
struct ExrLayer {
    std::string name;
    const Image* image = nullptr;
};

// Every layer must have the same size. Throws InputError.
void writeExrLayers(const std::string& path, const std::vector<ExrLayer>& layers, const Metadata& metadata);
void writePng(const std::string& path, const DisplayImage& image, const Metadata& metadata);
// The bytes of a PNG file of `image`, for sending rather than saving. Throws InputError.
std::string encodePng(const DisplayImage& image);

// The layer names and the string attributes of an EXR, as a reader finds them.
struct ExrContents {
    int width = 0;
    int height = 0;
    std::vector<std::string> channels;
    Metadata metadata;
};
ExrContents readExrContents(const std::string& path);
// One layer's colour and alpha.
Image readExrLayer(const std::string& path, const std::string& layer);

float linearToSrgb(float linear);
unsigned char toSrgb8(float linear);

}  // namespace sorvane::render
