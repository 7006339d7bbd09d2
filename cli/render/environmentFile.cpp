#include "cli/render/environmentFile.h"

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfTestFile.h>
#include <ImfVersion.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "cli/common/inputError.h"

namespace sorvane::render {

namespace {

using cli::InputError;

constexpr double kPi = 3.14159265358979323846;

// Missing, a directory or a device: said before OpenEXR's own words.
void requireRegularFile(const std::string& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) {
        throw InputError(path, "cannot read the environment: " +
                                   (error ? error.message() : std::string("No such file or directory")));
    }
    if (!std::filesystem::is_regular_file(status)) {
        throw InputError(path, "the environment is not a regular file");
    }
    std::ifstream in(path, std::ios::binary);
    char magic[4] = {};
    if (!in.read(magic, sizeof magic) || !Imf::isImfMagic(magic)) {
        throw InputError(path, "not an OpenEXR image (an environment is a linear lat-long .exr)");
    }
}

std::string channelList(const Imf::ChannelList& channels) {
    std::string names;
    for (auto c = channels.begin(); c != channels.end(); ++c)
        names += (names.empty() ? "" : ", ") + std::string(c.name());
    return names.empty() ? "none" : names;
}

}  // namespace

std::shared_ptr<const lighting::EnvironmentMap> readEnvironmentMap(const std::string& path) {
    requireRegularFile(path);
    std::vector<float> rgb;
    int width = 0, height = 0;
    try {
        Imf::InputFile file(path.c_str());
        const Imath::Box2i window = file.header().dataWindow();
        const long long w = static_cast<long long>(window.max.x) - window.min.x + 1;
        const long long h = static_cast<long long>(window.max.y) - window.min.y + 1;
        if (w < 1 || h < 1) throw InputError(path, "the environment has no pixels");
        if (w * h > kEnvironmentPixelLimit) {
            throw InputError(path, "the environment has " + std::to_string(w) + "x" + std::to_string(h) +
                                       " pixels; at most 8192x4096 (" +
                                       std::to_string(kEnvironmentPixelLimit) + ") are read");
        }
        width = static_cast<int>(w);
        height = static_cast<int>(h);
        const Imf::ChannelList& channels = file.header().channels();
        const bool color =
            channels.findChannel("R") && channels.findChannel("G") && channels.findChannel("B");
        const bool grey = !color && channels.findChannel("Y");
        if (!color && !grey) {
            throw InputError(
                path, "an environment needs R, G and B channels (or Y); it has " + channelList(channels));
        }
        rgb.assign(static_cast<std::size_t>(w * h) * 3, 0.0f);
        const std::size_t xStride = 3 * sizeof(float);
        const std::size_t yStride = xStride * static_cast<std::size_t>(w);
        const std::ptrdiff_t origin = static_cast<std::ptrdiff_t>(window.min.y) * w + window.min.x;
        char* base = reinterpret_cast<char*>(rgb.data()) - origin * static_cast<std::ptrdiff_t>(xStride);
        Imf::FrameBuffer frame;
        const char* names[3] = {"R", "G", "B"};
        for (int k = 0; k < (grey ? 1 : 3); ++k) {
            frame.insert(grey ? "Y" : names[k],
                         Imf::Slice(Imf::FLOAT, base + k * sizeof(float), xStride, yStride));
        }
        file.setFrameBuffer(frame);
        file.readPixels(window.min.y, window.max.y);
        if (grey) {
            for (std::size_t i = 0; i < rgb.size(); i += 3) rgb[i + 1] = rgb[i + 2] = rgb[i];
        }
    } catch (const InputError&) {
        throw;
    } catch (const std::exception& error) {
        throw InputError(path, std::string("cannot read the environment: ") + error.what());
    }
    // Light that is not a number, or less than none, would only paint garbage.
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        const float v = rgb[i];
        if (std::isfinite(v) && v >= 0.0f) continue;
        const std::size_t pixel = i / 3;
        const char* what = std::isnan(v) ? "not a number" : std::isinf(v) ? "infinite" : "negative";
        throw InputError(path, "pixel " + std::to_string(pixel % static_cast<std::size_t>(width)) + "," +
                                   std::to_string(pixel / static_cast<std::size_t>(width)) + " " +
                                   "RGB"[i % 3] + " is " + what +
                                   "; an environment's radiance must be finite and not negative");
    }
    return std::make_shared<const lighting::EnvironmentMap>(width, height, std::move(rgb));
}

void applyEnvironment(Scene& scene, std::shared_ptr<const lighting::EnvironmentMap> map,
                      const std::string& name, float intensity, float rotate, bool replaceLights) {
    const double a = rotate * kPi / 180.0;
    const float c = static_cast<float>(std::cos(a)), s = static_cast<float>(std::sin(a));
    // The world seen in the map: turned back by the rotation.
    scene.environment.toMap = {lighting::Direction{c, 0.0f, -s}, lighting::Direction{0.0f, 1.0f, 0.0f},
                               lighting::Direction{s, 0.0f, c}};
    scene.environment.intensity = intensity;
    if (replaceLights) scene.lights.clear();
    int index = 0;
    if (intensity > 0.0f) {
        for (const lighting::EnvironmentLight& e : lighting::environmentLights(*map, kEnvironmentLights)) {
            const float brightest = std::max({e.color[0], e.color[1], e.color[2]});
            if (!(brightest > 0.0f)) continue;
            const Vec3 towards{c * e.towards[0] + s * e.towards[2], e.towards[1],
                               -s * e.towards[0] + c * e.towards[2]};
            Light light;
            light.name = name + "." + std::to_string(++index);
            light.type = LightType::directional;
            light.direction = unitVector(towards) * -1.0f;
            light.intensity = brightest * intensity;
            light.color = {e.color[0] / brightest, e.color[1] / brightest, e.color[2] / brightest};
            light.shadows = true;
            scene.lights.push_back(light);
        }
    }
    scene.environment.map = std::move(map);
}

std::vector<std::string> environmentFilesIn(const std::string& directory) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        if (entry.path().extension() == ".exr") files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> lightByEnvironment(Scene& scene) {
    if (!scene.environmentImage) return {};
    const EnvironmentImage& image = *scene.environmentImage;
    std::shared_ptr<const lighting::EnvironmentMap> map = readEnvironmentMap(image.file);
    std::vector<std::string> notes;
    if (map->black()) notes.push_back(image.file + " is black everywhere: the environment gives no light");
    applyEnvironment(scene, std::move(map), image.file, image.intensity, image.rotate, !scene.ownLights);
    return notes;
}

}  // namespace sorvane::render
