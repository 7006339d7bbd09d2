#include "cli/render/previewRender.h"

#include <algorithm>
#include <cstdio>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>

#include "cli/nameSuggestions.h"
#include "cli/render/sceneFile.h"

namespace sorvane::render {

namespace {

// Between swatches, darker than any backdrop.
constexpr int kGap = 4;
constexpr Rgb kGapColor{0.02f, 0.02f, 0.02f};

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// A decimal number as JSON writes one: no hex, no "nan" or "inf", no blanks.
float parseNumber(const std::string& text, const std::string& field) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        return i > start;
    };
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    bool valid = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        valid = digits() || valid;
    }
    if (valid && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
        valid = digits();
    }
    if (!valid || i != text.size()) {
        const double special = std::strtod(text.c_str(), nullptr);
        if (!std::isfinite(special)) throw InputError(field, "\"" + text + "\" is not a finite number");
        throw InputError(field, "\"" + text + "\" is not a number");
    }
    const double value = std::strtod(text.c_str(), nullptr);
    if (!(std::fabs(value) <= std::numeric_limits<float>::max())) {
        throw InputError(field, "\"" + text + "\" is out of the range of a float");
    }
    return static_cast<float>(value);
}

AttributeValue parseValue(const std::string& name, const std::string& text, const std::string& field) {
    AttributeValue value;
    value.name = name;
    value.origin = field;
    if (text == "true" || text == "false") {
        value.boolean = true;
        value.count = 1;
        value.values[0] = text == "true" ? 1.0f : 0.0f;
        return value;
    }
    const std::vector<std::string> parts = split(text, ',');
    if (parts.size() > 4) throw InputError(field, "at most 4 numbers, got " + std::to_string(parts.size()));
    for (std::size_t i = 0; i < parts.size(); ++i) value.values[i] = parseNumber(parts[i], field);
    value.count = static_cast<int>(parts.size());
    return value;
}

std::pair<std::string, std::string> nameAndValue(const std::string& text, const std::string& option,
                                                 const char* form) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
        throw InputError(option + " " + text, std::string("expected ") + form);
    }
    return {text.substr(0, equals), text.substr(equals + 1)};
}

// Every value of the previewed material must mean something to a host in
// use, or the user has a typing error we would otherwise render past.
void checkNames(const ResolvedMaterial& material, const std::vector<ShadingBackend*>& backends) {
    std::string hosts;
    for (const ShadingBackend* b : backends) hosts += (hosts.empty() ? "" : " or ") + b->name();
    const auto known = [&](const std::string& name) {
        for (const ShadingBackend* b : backends) {
            if (b->attributeKind(name) != AttributeKind::unknown) return true;
        }
        return false;
    };
    const auto unknown = [&](const std::string& name, const std::string& origin) {
        std::vector<std::string> names;
        for (const ShadingBackend* b : backends) {
            for (const std::string& n : b->attributeNames()) names.push_back(n);
        }
        return InputError(origin, "no material attribute \"" + name + "\" in the " + hosts + " host" +
                                      cli::didYouMean(name, names));
    };
    for (const AttributeValue& value : material.values) {
        if (value.scope == HostScope::all && !known(value.name)) throw unknown(value.name, value.origin);
    }
    for (const TextureBinding& texture : material.textures) {
        if (!known(texture.attribute)) throw unknown(texture.attribute, texture.origin);
    }
}

}  // namespace

AttributeValue parseSetting(const std::string& text, const std::string& option) {
    const auto [name, value] = nameAndValue(text, option, "NAME=VALUE");
    return parseValue(name, value, option + " " + name);
}

std::vector<AttributeValue> parseWedge(const std::string& text) {
    const auto [name, list] = nameAndValue(text, "--wedge", "NAME=v1,v2,...");
    const bool colours = list.find(';') != std::string::npos;
    std::vector<AttributeValue> values;
    for (const std::string& part : split(list, colours ? ';' : ',')) {
        values.push_back(parseValue(name, part, "--wedge " + name));
    }
    if (values.size() < 2) throw InputError("--wedge " + name, "give two values or more");
    if (values.size() > 16) throw InputError("--wedge " + name, "at most 16 values");
    return values;
}

TextureBinding parseTextureSetting(const std::string& text) {
    const auto [name, kind] = nameAndValue(text, "--texture", "NAME=checker");
    if (kind != "checker") {
        throw InputError("--texture " + name,
                         "unknown texture \"" + kind + "\" (the one texture is \"checker\")");
    }
    TextureBinding texture;
    texture.attribute = name;
    texture.origin = "--texture " + name;
    return texture;
}

PreviewEstimate estimatePreview(const PreviewRequest& request, std::size_t hostCount) {
    const double columns =
        request.wedge.empty() ? 1.0 : static_cast<double>(parseWedge(request.wedge).size());
    const double swatchPixels = static_cast<double>(request.render.width) * request.render.height;
    const double pixels = swatchPixels * columns * static_cast<double>(hostCount);
    // Each swatch, then the grid they are laid into, then the file's copy.
    constexpr double kCopies = 3.0;
    return {pixels * sizeof(Rgb) * kCopies, pixels * request.render.samples};
}

std::string checkPreviewBudget(const PreviewEstimate& estimate, double availableBytes, int threads) {
    const auto gigabytes = [](double bytes) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f GB", bytes / 1e9);
        return std::string(text);
    };
    if (estimate.bytes > availableBytes) {
        throw InputError("--size",
                         "the images need about " + gigabytes(estimate.bytes) + " of memory, more than the " +
                             gigabytes(availableBytes) +
                             " available: lower --size, or render fewer swatches (--wedge, --host)");
    }
    // A typical rate on one core of a workstation, shading samples per second;
    // the estimate says how long, not exactly.
    constexpr double kSamplesPerSecondPerThread = 250000.0;
    const double hours =
        estimate.cameraSamples / (kSamplesPerSecondPerThread * std::max(1, threads)) / 3600.0;
    if (hours <= 1.0) return {};
    char text[200];
    std::snprintf(text, sizeof text,
                  "this render takes %.3g camera samples, roughly %.0f hours on %d threads; "
                  "--size, --samples and --wedge set the work",
                  estimate.cameraSamples, hours, threads);
    return text;
}

Image renderPreview(const PreviewRequest& request, const std::vector<ShadingBackend*>& backends,
                    const ProgressCallback& progress, std::vector<SwatchStats>* stats) {
    Scene scene = request.scene;
    Material& preview = scene.materials[0];
    if (!request.preset.empty()) preview.preset = request.preset;
    std::set<std::string> given;
    for (const std::string& setting : request.settings) {
        AttributeValue value = parseSetting(setting, "--set");
        // The second of two values would win silently; say so instead.
        if (!given.insert(value.name).second) throw InputError(value.origin, "set twice");
        preview.attributes.push_back(std::move(value));
    }
    for (const std::string& texture : request.textures)
        preview.textures.push_back(parseTextureSetting(texture));
    const std::vector<AttributeValue> wedge =
        request.wedge.empty() ? std::vector<AttributeValue>{} : parseWedge(request.wedge);

    std::vector<ResolvedMaterial> materials;
    for (std::size_t i = 0; i < scene.materials.size(); ++i) {
        materials.push_back(resolveMaterial(scene.materials[i], i == 0 ? "material" : "objects material"));
    }
    checkNames(materials[0], backends);
    if (!wedge.empty()) {
        ResolvedMaterial probe = materials[0];
        probe.values.push_back(wedge[0]);
        checkNames(probe, backends);
    }

    const Scene cameraSpace = toCameraSpace(scene);
    const std::size_t columns = wedge.empty() ? 1 : wedge.size();
    const double swatches = static_cast<double>(columns * backends.size());
    std::vector<std::vector<Image>> rows;
    int done = 0;
    for (ShadingBackend* backend : backends) {
        rows.emplace_back();
        for (std::size_t c = 0; c < columns; ++c) {
            std::vector<ResolvedMaterial> swatch = materials;
            if (!wedge.empty()) swatch[0].values.push_back(wedge[c]);
            ProgressCallback overall;
            if (progress) overall = [&](double f) { progress((done + f) / swatches); };
            RenderStats swatchStats;
            rows.back().push_back(
                renderImage(cameraSpace, swatch, *backend, request.render, overall, &swatchStats));
            if (stats != nullptr) stats->push_back({backend->name(), swatchStats});
            ++done;
        }
    }
    if (wedge.empty() && rows.size() > 1) {
        // One swatch per host: side by side.
        std::vector<Image> row;
        for (auto& r : rows) row.push_back(std::move(r[0]));
        return composeGrid({row}, kGap, kGapColor);
    }
    return composeGrid(rows, kGap, kGapColor);
}

}  // namespace sorvane::render
