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

// One layer of an EXR: channels NAME.R, NAME.G, NAME.B and NAME.A, and
// with `matte` NAME.matte; an empty name gives the plain R, G, B, A that
// viewers open first. The whole frame is drawn, so RGBA is premultiplied
// with A = 1; the image's alpha (the previewed material's coverage) goes to
// the matte channel.
struct ExrLayer {
    std::string name;
    const Image* image = nullptr;
    bool matte = true;
    bool alpha = true;  // a pass is colour alone: NAME.R, NAME.G, NAME.B
};

// Every layer must have the same size. Throws InputError. The header carries
// the working space's chromaticities (Rec. 709 primaries, D65 white) and the
// metadata, a whole number as an int attribute and "WxH" as a size (v2i),
// any other value as a string.
void writeExrLayers(const std::string& path, const std::vector<ExrLayer>& layers, const Metadata& metadata);
// What writeExrLayers() writes as a number: "" when the value stays text.
std::string exrAttributeType(const std::string& value);
void writePng(const std::string& path, const DisplayImage& image, const Metadata& metadata);
// The bytes of a PNG file of `image`, for sending rather than saving. Throws InputError.
std::string encodePng(const DisplayImage& image);

// The layer names and the attributes of an EXR (numbers as text), as a reader finds them.
struct ExrContents {
    int width = 0;
    int height = 0;
    std::vector<std::string> channels;
    Metadata metadata;
};
ExrContents readExrContents(const std::string& path);
// One layer's colour, and its matte as the image's alpha (A in files
// written before the matte had a channel of its own).
Image readExrLayer(const std::string& path, const std::string& layer);

// A text file written as the pictures are: beside its destination, then renamed into place.
void writeTextFile(const std::string& path, const std::string& text);

float linearToSrgb(float linear);
unsigned char toSrgb8(float linear);

}  // namespace sorvane::render
