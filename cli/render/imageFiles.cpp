#include "cli/render/imageFiles.h"

#include "cli/render/temporaryFile.h"

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfOutputFile.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

namespace sorvane::render {

namespace {

std::string lowerExtension(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

// A name beside the destination, in the same folder, so the rename is atomic.
std::string temporaryPath(const std::string& path) {
    const std::filesystem::path p(path);
    return (p.parent_path() / ("." + p.filename().string() + ".tmp" + std::to_string(::getpid()))).string();
}

void writePng(const std::string& path, const Image& image) {
    std::vector<unsigned char> bytes;
    bytes.reserve(image.pixels().size() * 3);
    for (const Rgb& c : image.pixels()) {
        bytes.push_back(toSrgb8(c.r));
        bytes.push_back(toSrgb8(c.g));
        bytes.push_back(toSrgb8(c.b));
    }
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width());
    png.height = static_cast<png_uint_32>(image.height());
    png.format = PNG_FORMAT_RGB;
    // libpng tags the file as sRGB for 8-bit data, which is what it holds.
    if (!png_image_write_to_file(&png, path.c_str(), 0, bytes.data(), 0, nullptr)) {
        const std::string message = png.message;
        png_image_free(&png);
        throw ImageFileError(message);
    }
}

void writeExr(const std::string& path, const Image& image) {
    Imf::Header header(image.width(), image.height());
    header.channels().insert("R", Imf::Channel(Imf::FLOAT));
    header.channels().insert("G", Imf::Channel(Imf::FLOAT));
    header.channels().insert("B", Imf::Channel(Imf::FLOAT));
    header.compression() = Imf::ZIP_COMPRESSION;
    auto* base = const_cast<char*>(reinterpret_cast<const char*>(image.pixels().data()));
    const std::size_t xStride = sizeof(Rgb);
    const std::size_t yStride = xStride * static_cast<std::size_t>(image.width());
    Imf::FrameBuffer frame;
    frame.insert("R", Imf::Slice(Imf::FLOAT, base + offsetof(Rgb, r), xStride, yStride));
    frame.insert("G", Imf::Slice(Imf::FLOAT, base + offsetof(Rgb, g), xStride, yStride));
    frame.insert("B", Imf::Slice(Imf::FLOAT, base + offsetof(Rgb, b), xStride, yStride));
    Imf::OutputFile file(path.c_str(), header);
    file.setFrameBuffer(frame);
    file.writePixels(image.height());
}

}  // namespace

bool imageFormatFor(const std::string& path, ImageFormat& format) {
    const std::string extension = lowerExtension(path);
    if (extension == ".png") {
        format = ImageFormat::png;
        return true;
    }
    if (extension == ".exr") {
        format = ImageFormat::exr;
        return true;
    }
    return false;
}

float linearToSrgb(float linear) {
    if (!(linear > 0.0f)) return 0.0f;  // NaN goes black rather than anywhere
    if (linear >= 1.0f) return 1.0f;
    if (linear <= 0.0031308f) return 12.92f * linear;
    return 1.055f * std::pow(linear, 1.0f / 2.4f) - 0.055f;
}

unsigned char toSrgb8(float linear) {
    return static_cast<unsigned char>(std::lround(linearToSrgb(linear) * 255.0f));
}

void writeImage(const std::string& path, const Image& image) {
    ImageFormat format;
    if (!imageFormatFor(path, format)) {
        throw ImageFileError(path + ": unknown image type (use .png or .exr)");
    }
    if (image.empty()) throw ImageFileError(path + ": nothing to write");
    // A link to the picture is followed, so the link stays and its target is
    // replaced; a picture that was there keeps its permissions.
    std::error_code error;
    const bool link = std::filesystem::is_symlink(std::filesystem::symlink_status(path, error));
    const std::filesystem::path target =
        link ? std::filesystem::weakly_canonical(path, error) : std::filesystem::path(path);
    if (link && error) throw ImageFileError("cannot write " + path + ": " + error.message());
    const std::filesystem::file_status existing = std::filesystem::status(target, error);
    TemporaryFile temporary(temporaryPath(target.string()));
    try {
        if (format == ImageFormat::png) {
            writePng(temporary.path(), image);
        } else {
            writeExr(temporary.path(), image);
        }
        if (std::filesystem::is_regular_file(existing)) {
            std::filesystem::permissions(temporary.path(), existing.permissions());
        }
        temporary.commitTo(target.string());
    } catch (const std::exception& error) {
        throw ImageFileError("cannot write " + path + ": " + error.what());
    }
}

Image readExr(const std::string& path) {
    try {
        Imf::InputFile file(path.c_str());
        const Imath::Box2i window = file.header().dataWindow();
        const int width = window.max.x - window.min.x + 1;
        const int height = window.max.y - window.min.y + 1;
        for (const char* channel : {"R", "G", "B"}) {
            if (file.header().channels().findChannel(channel) == nullptr) {
                throw ImageFileError(path + ": has no " + channel + " channel");
            }
        }
        Image image(width, height);
        auto* base = reinterpret_cast<char*>(&image.at(0, 0)) -
                     (static_cast<std::ptrdiff_t>(window.min.y) * width + window.min.x) *
                         static_cast<std::ptrdiff_t>(sizeof(Rgb));
        const std::size_t xStride = sizeof(Rgb);
        const std::size_t yStride = xStride * static_cast<std::size_t>(width);
        Imf::FrameBuffer frame;
        frame.insert("R", Imf::Slice(Imf::FLOAT, base + offsetof(Rgb, r), xStride, yStride));
        frame.insert("G", Imf::Slice(Imf::FLOAT, base + offsetof(Rgb, g), xStride, yStride));
        frame.insert("B", Imf::Slice(Imf::FLOAT, base + offsetof(Rgb, b), xStride, yStride));
        file.setFrameBuffer(frame);
        file.readPixels(window.min.y, window.max.y);
        return image;
    } catch (const ImageFileError&) {
        throw;
    } catch (const std::exception& error) {
        throw ImageFileError("cannot read " + path + ": " + error.what());
    }
}

}  // namespace sorvane::render
