#include "cli/render/imageFiles.h"

#include "cli/common/outputFile.h"

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfIO.h>
#include <ImfInputFile.h>
#include <ImfIntAttribute.h>
#include <ImfOutputFile.h>
#include <ImfStandardAttributes.h>
#include <ImfStringAttribute.h>
#include <ImfVecAttribute.h>
#include <png.h>

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

// libpng reports errors through longjmp: keep what it said and jump back.
void pngError(png_structp png, png_const_charp message) {
    *static_cast<std::string*>(png_get_error_ptr(png)) = message;
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

// libpng writes through the output file's writer; a failure cannot unwind
// through libpng, so its reason is kept and handed to png_error.
struct PngSink {
    cli::FileWriter& writer;
    std::string failure;
};

void pngWrite(png_structp png, png_bytep data, png_size_t size) {
    auto* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    try {
        sink->writer.write(data, size);
        return;
    } catch (const std::exception& error) {
        sink->failure = error.what();
    }
    png_error(png, sink->failure.c_str());
}

void pngFlush(png_structp) {}

// False when libpng gave up; the message is then in its error pointer. The
// caller has told libpng where the bytes go.
bool encodePng(png_structp png, png_infop info, const DisplayImage& image, png_text* texts, int textCount) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (image.srgb) png_set_sRGB_gAMA_and_cHRM(png, info, PNG_sRGB_INTENT_PERCEPTUAL);
    if (textCount > 0) png_set_text(png, info, texts, textCount);
    png_write_info(png, info);
    for (int y = 0; y < image.height; ++y) {
        png_write_row(png,
                      &image.rgb[static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) * 3]);
    }
    png_write_end(png, info);
    return true;
}

void writePngFile(cli::FileWriter& writer, const DisplayImage& image, const Metadata& metadata) {
    std::vector<png_text> texts(metadata.size());
    for (std::size_t i = 0; i < metadata.size(); ++i) {
        texts[i].compression = PNG_TEXT_COMPRESSION_NONE;
        texts[i].key = const_cast<char*>(metadata[i].first.c_str());
        texts[i].text = const_cast<char*>(metadata[i].second.c_str());
        texts[i].text_length = metadata[i].second.size();
    }
    std::string message;
    PngSink sink{writer, {}};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &message, pngError, pngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info != nullptr) png_set_write_fn(png, &sink, pngWrite, pngFlush);
    const bool written =
        info != nullptr && encodePng(png, info, image, texts.data(), static_cast<int>(texts.size()));
    png_destroy_write_struct(&png, &info);
    if (!written) throw InputError(message.empty() ? "libpng could not start" : message);
}

void appendToString(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

// OpenEXR's stream over the output file's writer.
class ExrStream : public Imf::OStream {
public:
    ExrStream(cli::FileWriter& writer, const std::string& name)
        : Imf::OStream(name.c_str()), writer_(writer) {}
    void write(const char c[], int n) override { writer_.write(c, static_cast<std::size_t>(n)); }
    uint64_t tellp() override { return writer_.position(); }
    void seekp(uint64_t position) override { writer_.seek(position); }

private:
    cli::FileWriter& writer_;
};

void writeExrFile(cli::FileWriter& writer, const std::string& path, const std::vector<ExrLayer>& layers,
                  const Metadata& metadata, bool alpha) {
    // An EXR goes back to its start to fill in its table of lines: a device
    // that cannot seek (a terminal) would get one without. Refused before a
    // byte is sent; writeOutputFile refuses a FIFO before opening it.
    if (!writer.seekable()) throw InputError("an EXR needs a file it can seek in");
    const Image& first = *layers.front().image;
    Imf::Header header(first.width(), first.height());
    header.compression() = Imf::ZIP_COMPRESSION;
    // The renderer's working space: linear Rec. 709 primaries, D65 white.
    Imf::addChromaticities(header, Imf::Chromaticities());
    for (const auto& [key, value] : metadata) {
        const std::string type = exrAttributeType(value);
        if (type == "int") {
            header.insert(key, Imf::IntAttribute(std::stoi(value)));
        } else if (type == "v2i") {
            const std::size_t x = value.find('x');
            header.insert(key, Imf::V2iAttribute(Imath::V2i(std::stoi(value.substr(0, x)),
                                                            std::stoi(value.substr(x + 1)))));
        } else {
            header.insert(key, Imf::StringAttribute(value));
        }
    }
    Imf::FrameBuffer frame;
    const std::size_t xStride = sizeof(Rgb);
    const std::size_t yStride = xStride * static_cast<std::size_t>(first.width());
    const std::size_t alphaStride = sizeof(float) * static_cast<std::size_t>(first.width());
    // Everything in the frame is drawn: opaque throughout.
    const std::vector<float> opaque(first.alpha().size(), 1.0f);
    for (const ExrLayer& layer : layers) {
        const std::string prefix = layer.name.empty() ? "" : layer.name + ".";
        auto* base = const_cast<char*>(reinterpret_cast<const char*>(layer.image->pixels().data()));
        const std::pair<const char*, std::size_t> channels[] = {
            {"R", offsetof(Rgb, r)}, {"G", offsetof(Rgb, g)}, {"B", offsetof(Rgb, b)}};
        for (const auto& [name, offset] : channels) {
            header.channels().insert(prefix + name, Imf::Channel(Imf::FLOAT));
            frame.insert(prefix + name, Imf::Slice(Imf::FLOAT, base + offset, xStride, yStride));
        }
        if (!alpha || !layer.alpha) continue;
        header.channels().insert(prefix + "A", Imf::Channel(Imf::FLOAT));
        frame.insert(prefix + "A",
                     Imf::Slice(Imf::FLOAT, const_cast<char*>(reinterpret_cast<const char*>(opaque.data())),
                                sizeof(float), alphaStride));
        if (layer.matte) {
            auto* a = const_cast<char*>(reinterpret_cast<const char*>(layer.image->alpha().data()));
            header.channels().insert(prefix + "matte", Imf::Channel(Imf::FLOAT));
            frame.insert(prefix + "matte", Imf::Slice(Imf::FLOAT, a, sizeof(float), alphaStride));
        }
    }
    ExrStream stream(writer, path);
    Imf::OutputFile file(stream, header);
    file.setFrameBuffer(frame);
    file.writePixels(first.height());
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
        throw InputError(path + ": unknown image type (use .png or .exr)");
    }
    if (image.empty()) throw InputError(path + ": nothing to write");
    cli::writeOutputFile(
        path,
        [&](cli::FileWriter& writer) {
            if (format == ImageFormat::png) {
                writePngFile(writer, toDisplay(image, ViewTransform{0.0f, false, nullptr}), {});
            } else {
                writeExrFile(writer, path, {{"", &image}}, {}, false);
            }
        },
        format == ImageFormat::exr);
}

void writeExrLayers(const std::string& path, const std::vector<ExrLayer>& layers, const Metadata& metadata) {
    if (layers.empty() || layers.front().image->empty()) throw InputError(path + ": nothing to write");
    for (const ExrLayer& layer : layers) {
        if (layer.image->width() != layers.front().image->width() ||
            layer.image->height() != layers.front().image->height()) {
            throw InputError(path + ": layer \"" + layer.name + "\" differs in size from the first");
        }
    }
    cli::writeOutputFile(
        path, [&](cli::FileWriter& writer) { writeExrFile(writer, path, layers, metadata, true); }, true);
}

std::string encodePng(const DisplayImage& image) {
    std::string bytes;
    std::string message;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &message, pngError, pngWarning);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info != nullptr) png_set_write_fn(png, &bytes, appendToString, pngFlush);
    const bool written = info != nullptr && encodePng(png, info, image, nullptr, 0);
    png_destroy_write_struct(&png, &info);
    if (!written) throw InputError(message.empty() ? "libpng could not start" : message);
    return bytes;
}

std::string exrAttributeType(const std::string& value) {
    const auto whole = [](const std::string& text) {
        return !text.empty() && text.size() <= 9 &&
               std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
    };
    if (whole(value)) return "int";
    const std::size_t x = value.find('x');
    if (x != std::string::npos && whole(value.substr(0, x)) && whole(value.substr(x + 1))) return "v2i";
    return {};
}

void writeTextFile(const std::string& path, const std::string& text) {
    cli::writeOutputFile(path, [&](cli::FileWriter& writer) { writer.write(text.data(), text.size()); });
}

void writePng(const std::string& path, const DisplayImage& image, const Metadata& metadata) {
    if (image.rgb.empty()) throw InputError(path + ": nothing to write");
    cli::writeOutputFile(path, [&](cli::FileWriter& writer) { writePngFile(writer, image, metadata); });
}

ExrContents readExrContents(const std::string& path) {
    try {
        Imf::InputFile file(path.c_str());
        ExrContents out;
        const Imath::Box2i window = file.header().dataWindow();
        out.width = window.max.x - window.min.x + 1;
        out.height = window.max.y - window.min.y + 1;
        for (auto c = file.header().channels().begin(); c != file.header().channels().end(); ++c) {
            out.channels.push_back(c.name());
        }
        for (auto a = file.header().begin(); a != file.header().end(); ++a) {
            if (const auto* text = dynamic_cast<const Imf::StringAttribute*>(&a.attribute())) {
                out.metadata.emplace_back(a.name(), text->value());
            } else if (const auto* number = dynamic_cast<const Imf::IntAttribute*>(&a.attribute())) {
                out.metadata.emplace_back(a.name(), std::to_string(number->value()));
            } else if (const auto* size = dynamic_cast<const Imf::V2iAttribute*>(&a.attribute())) {
                out.metadata.emplace_back(
                    a.name(), std::to_string(size->value().x) + "x" + std::to_string(size->value().y));
            }
        }
        return out;
    } catch (const std::exception& error) {
        throw InputError("cannot read " + path + ": " + error.what());
    }
}

namespace {

// The colour channels named prefix + R, G and B, and prefix + A when the
// image is to carry its alpha: a whole-image file and one host's layer alike.
Image readExrChannels(const std::string& path, const std::string& prefix, bool withAlpha) {
    try {
        Imf::InputFile file(path.c_str());
        const Imath::Box2i window = file.header().dataWindow();
        const int width = window.max.x - window.min.x + 1;
        const int height = window.max.y - window.min.y + 1;
        std::vector<std::string> names = {"R", "G", "B"};
        // The coverage is the matte; files written before it had a channel of its own held it in A.
        const std::string matte =
            file.header().channels().findChannel(prefix + "matte") != nullptr ? "matte" : "A";
        if (withAlpha) names.push_back(matte);
        for (const std::string& channel : names) {
            if (file.header().channels().findChannel(prefix + channel) == nullptr) {
                throw InputError(path + ": has no " + prefix + channel + " channel");
            }
        }
        Image image(width, height);
        const std::ptrdiff_t origin = static_cast<std::ptrdiff_t>(window.min.y) * width + window.min.x;
        auto* base =
            reinterpret_cast<char*>(&image.at(0, 0)) - origin * static_cast<std::ptrdiff_t>(sizeof(Rgb));
        const std::size_t xStride = sizeof(Rgb);
        const std::size_t yStride = xStride * static_cast<std::size_t>(width);
        Imf::FrameBuffer frame;
        frame.insert(prefix + "R", Imf::Slice(Imf::FLOAT, base + offsetof(Rgb, r), xStride, yStride));
        frame.insert(prefix + "G", Imf::Slice(Imf::FLOAT, base + offsetof(Rgb, g), xStride, yStride));
        frame.insert(prefix + "B", Imf::Slice(Imf::FLOAT, base + offsetof(Rgb, b), xStride, yStride));
        if (withAlpha) {
            auto* alpha = reinterpret_cast<char*>(&image.alphaAt(0, 0)) -
                          origin * static_cast<std::ptrdiff_t>(sizeof(float));
            frame.insert(prefix + matte, Imf::Slice(Imf::FLOAT, alpha, sizeof(float),
                                                    sizeof(float) * static_cast<std::size_t>(width)));
        }
        file.setFrameBuffer(frame);
        file.readPixels(window.min.y, window.max.y);
        return image;
    } catch (const InputError&) {
        throw;
    } catch (const std::exception& error) {
        throw InputError("cannot read " + path + ": " + error.what());
    }
}

}  // namespace

Image readExrLayer(const std::string& path, const std::string& layer) {
    return readExrChannels(path, layer + ".", true);
}

Image readExr(const std::string& path) { return readExrChannels(path, "", false); }

}  // namespace sorvane::render
