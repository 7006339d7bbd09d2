#include "cli/render/previewRender.h"

#include <algorithm>
#include <cstdio>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <set>
#include <sstream>

#include "cli/common/nameSuggestions.h"
#include "cli/render/labelFont.h"
#include "cli/render/sceneFile.h"
#include "cli/render/sceneMesh.h"

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
    if (!cli::isDecimalNumber(text)) {
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
            if (b->attributeKind(name).has_value()) return true;
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
        if (value.scope == HostScope::all && !value.checked && !known(value.name))
            throw unknown(value.name, value.origin);
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
    const bool colors = list.find(';') != std::string::npos;
    std::vector<AttributeValue> values;
    for (const std::string& part : split(list, colors ? ';' : ',')) {
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
    double swatches = 1.0;
    for (const std::string& wedge : request.wedges) swatches *= static_cast<double>(parseWedge(wedge).size());
    if (request.preset == kAllPresets) swatches *= static_cast<double>(materialPresets().size());
    const double swatchPixels = static_cast<double>(request.render.width) * request.render.height;
    const double pixels = swatchPixels * swatches * static_cast<double>(hostCount);
    // Each swatch, then the grid they are laid into, then the file's copy.
    constexpr double kCopies = 3.0;
    return {pixels * (sizeof(Rgb) + sizeof(float)) * kCopies, pixels * request.render.samples};
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

namespace {

// One step along a grid's axis: a preset, a material from a file, or a wedge's value.
struct Variation {
    std::string label;
    std::string preset;  // empty: the material's own
    std::optional<SceneMaterial> material;
    std::optional<AttributeValue> value;
};

std::string numberText(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(v));
    return text;
}

std::string valueText(const AttributeValue& value) {
    if (value.boolean) return value.values[0] != 0.0f ? "true" : "false";
    std::string text;
    for (int i = 0; i < value.count; ++i)
        text += (i ? "," : "") + numberText(value.values[static_cast<std::size_t>(i)]);
    return text;
}

std::string joined(const std::vector<std::string>& parts, const char* separator) {
    std::string out;
    for (const std::string& part : parts) out += (out.empty() ? "" : separator) + part;
    return out;
}

constexpr int kMaxSwatches = 256;

// A value outside what the shader can take gives a ball of NaN: refused now.
void checkRange(const AttributeValue& value, const std::vector<ShadingBackend*>& backends) {
    for (const ShadingBackend* backend : backends) {
        const std::optional<std::pair<double, double>> range = backend->hardRange(value.name);
        if (!range) continue;
        for (int i = 0; i < value.count; ++i) {
            if (value.values[i] >= range->first && value.values[i] <= range->second) continue;
            std::ostringstream text;
            text << valueText(value) << " is outside what the shader can take (" << range->first << " to "
                 << range->second << ", as its declaration says)";
            throw InputError(value.origin, text.str());
        }
    }
}

// The names of the objects that wear material `index`, for metadata.
std::string wearers(const Scene& scene, std::size_t index) {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < scene.objects.size(); ++i) {
        if (static_cast<std::size_t>(scene.objects[i].material) != index) continue;
        names.push_back(scene.objects[i].name.empty() ? "objects[" + std::to_string(i) + "]"
                                                      : scene.objects[i].name);
    }
    return joined(names, ",");
}

}  // namespace

Preview renderPreviewSwatches(const PreviewRequest& request, const std::vector<ShadingBackend*>& backends,
                              const ProgressCallback& progress) {
    Scene scene = request.scene;
    SceneMaterial& preview = scene.materials[0];
    const bool contactSheet = request.preset == kAllPresets;
    const bool materialSheet = request.materials.size() > 1;
    if (request.materials.size() == 1) preview = request.materials[0].material;
    if (!request.preset.empty() && !contactSheet) preview.preset = request.preset;
    bool previewShown = false;
    for (const Object& o : scene.objects) previewShown = previewShown || o.material == 0;

    // What the picture's labels say of the material: what differs from the
    // node's defaults, in the order it was given.
    std::vector<std::string> described;
    if (request.materials.size() == 1) {
        described.push_back(request.materials[0].label);
    } else if (!previewShown) {
        described.push_back("scene " + request.sceneName);
    } else if (!materialSheet) {
        if (preview.preset != "default" && !contactSheet) described.push_back(preview.preset);
        for (const AttributeValue& v : preview.attributes) described.push_back(v.name + "=" + valueText(v));
        for (const TextureBinding& t : preview.textures) described.push_back(t.attribute + "=checker");
    }
    std::set<std::string> given;
    std::vector<AttributeValue> settings;
    for (const std::string& setting : request.settings) {
        AttributeValue value = parseSetting(setting, "--set");
        // The second of two values would win silently; say so instead.
        if (!given.insert(value.name).second) throw InputError(value.origin, "set twice");
        described.push_back(value.name + "=" + valueText(value));
        settings.push_back(value);
    }
    std::vector<TextureBinding> textures;
    for (const std::string& texture : request.textures) {
        textures.push_back(parseTextureSetting(texture));
        described.push_back(textures.back().attribute + "=checker");
    }
    preview.attributes.insert(preview.attributes.end(), settings.begin(), settings.end());
    preview.textures.insert(preview.textures.end(), textures.begin(), textures.end());

    // The grid's axes: the presets of a contact sheet or the materials of a
    // file, then each wedge.
    std::vector<std::vector<Variation>> axes;
    std::vector<std::string> wedgeNames;
    if (contactSheet) {
        axes.emplace_back();
        for (const Preset& p : materialPresets())
            axes.back().push_back({p.name, p.name, std::nullopt, std::nullopt});
    }
    if (materialSheet) {
        axes.emplace_back();
        for (const NamedMaterial& m : request.materials) {
            SceneMaterial material = m.material;
            material.attributes.insert(material.attributes.end(), settings.begin(), settings.end());
            material.textures.insert(material.textures.end(), textures.begin(), textures.end());
            axes.back().push_back({m.label, "", material, std::nullopt});
        }
    }
    for (const std::string& text : request.wedges) {
        const std::vector<AttributeValue> values = parseWedge(text);
        if (std::find(wedgeNames.begin(), wedgeNames.end(), values[0].name) != wedgeNames.end()) {
            throw InputError("--wedge " + values[0].name, "wedged twice");
        }
        wedgeNames.push_back(values[0].name);
        axes.emplace_back();
        for (const AttributeValue& v : values)
            axes.back().push_back({v.name + "=" + valueText(v), "", std::nullopt, v});
    }
    if (axes.size() > 2) {
        throw InputError(contactSheet    ? "--preset all"
                         : materialSheet ? "--material"
                                         : "--wedge",
                         "a grid has two directions: give at most two of --wedge, --preset all and a file of "
                         "several materials");
    }
    const std::vector<Variation> none{Variation{}};
    const std::vector<Variation>& across = axes.empty() ? none : axes[0];
    const std::vector<Variation>& down = axes.size() < 2 ? none : axes[1];
    const std::size_t perHost = across.size() * down.size();
    if (perHost * backends.size() > static_cast<std::size_t>(kMaxSwatches)) {
        throw InputError("--wedge", "the grid would hold " + std::to_string(perHost * backends.size()) +
                                        " swatches; at most " + std::to_string(kMaxSwatches));
    }

    std::vector<ResolvedMaterial> materials;
    for (std::size_t i = 0; i < scene.materials.size(); ++i) {
        materials.push_back(resolveMaterial(scene.materials[i], i == 0 ? "material" : "objects material"));
    }
    checkNames(materials[0], backends);
    materials[0].values.insert(materials[0].values.end(), request.overrides.begin(), request.overrides.end());
    for (const auto& axis : axes) {
        for (const Variation& v : axis) {
            if (!v.value && !v.material) continue;
            ResolvedMaterial probe = v.material ? resolveMaterial(*v.material, "material") : materials[0];
            if (v.value) probe.values.push_back(*v.value);
            checkNames(probe, backends);
            if (v.value) break;  // a wedge's values share their name
        }
    }
    // One attribute given two ways would let one silently override the other.
    for (const std::string& name : wedgeNames) {
        if (given.count(name) != 0)
            throw InputError("--wedge " + name, "also given by --set; give one of them");
    }
    for (const TextureBinding& texture : preview.textures) {
        if (given.count(texture.attribute) != 0) {
            throw InputError(texture.origin, "also given by --set; give one of them");
        }
    }
    for (const AttributeValue& value : preview.attributes) checkRange(value, backends);
    for (const auto& axis : axes) {
        for (const Variation& v : axis) {
            if (v.value) checkRange(*v.value, backends);
        }
    }

    Preview out;
    out.rows = static_cast<int>(down.size());
    out.columns = static_cast<int>(across.size());
    out.previewed = materials[0];
    out.previewShown = previewShown;
    for (const ShadingBackend* b : backends) out.hosts.push_back(b->name());
    // A value one host lacks leaves that host's swatch as it was: say so,
    // once per name and host, wherever it came from.
    std::vector<std::vector<bool>> lacks(backends.size(), std::vector<bool>(wedgeNames.size(), false));
    if (backends.size() > 1 && previewShown) {
        std::set<std::string> said;
        const auto lacking = [&](const AttributeValue& value) {
            if (value.scope != HostScope::all) return;
            for (const ShadingBackend* b : backends) {
                if (b->attributeKind(value.name).has_value()) continue;
                if (!said.insert(b->name() + "/" + value.name).second) continue;
                out.notes.push_back(value.origin + ": " + b->name() + " has no \"" + value.name +
                                    "\"; its swatches leave it out");
            }
        };
        for (const AttributeValue& value : preview.attributes) lacking(value);
        for (const auto& axis : axes) {
            for (const Variation& v : axis) {
                if (v.material) {
                    for (const AttributeValue& value : v.material->attributes) lacking(value);
                }
            }
        }
    }
    for (std::size_t h = 0; h < backends.size(); ++h) {
        for (std::size_t w = 0; w < wedgeNames.size(); ++w) {
            if (backends[h]->attributeKind(wedgeNames[w]).has_value()) continue;
            lacks[h][w] = true;
            out.notes.push_back(backends[h]->name() + " has no \"" + wedgeNames[w] +
                                "\": its swatches along that wedge are all alike");
        }
    }

    const Scene cameraSpace = toCameraSpace(scene);
    out.metadata = {{"hosts", joined(out.hosts, " ")}};
    if (!request.sceneName.empty()) out.metadata.emplace_back("scene", request.sceneName);
    if (scene.environmentImage) {
        char text[64];
        std::snprintf(text, sizeof text, " (intensity %g, rotate %g, %d lights)",
                      static_cast<double>(scene.environmentImage->intensity),
                      static_cast<double>(scene.environmentImage->rotate),
                      static_cast<int>(scene.lights.size()));
        out.metadata.emplace_back("environment", scene.environmentImage->file + text);
    }
    // The meshes in the balls' places, and what their files left out.
    std::vector<std::string> meshes;
    for (const Object& o : scene.objects) {
        if (!o.mesh || std::find(meshes.begin(), meshes.end(), o.mesh->triangles().name) != meshes.end())
            continue;
        meshes.push_back(o.mesh->triangles().name);
        out.notes.insert(out.notes.end(), o.mesh->triangles().notes.begin(), o.mesh->triangles().notes.end());
    }
    if (!meshes.empty()) out.metadata.emplace_back("mesh", joined(meshes, " "));
    if (previewShown) {
        if (materialSheet || request.materials.size() == 1) {
            std::vector<std::string> sources;
            for (const NamedMaterial& m : request.materials) sources.push_back(m.source);
            out.metadata.emplace_back("material", joined(sources, " "));
        } else {
            out.metadata.emplace_back("preset", contactSheet
                                                    ? std::string("all (") + joined(presetNames(), " ") + ")"
                                                    : preview.preset);
        }
    }
    out.metadata.emplace_back("samples", std::to_string(request.render.samples));
    out.metadata.emplace_back(
        "swatchSize", std::to_string(request.render.width) + "x" + std::to_string(request.render.height));
    if (!request.settings.empty()) out.metadata.emplace_back("settings", joined(request.settings, " "));
    if (!request.textures.empty()) out.metadata.emplace_back("textures", joined(request.textures, " "));
    for (std::size_t w = 0; w < request.wedges.size(); ++w) {
        out.metadata.emplace_back(w == 0 ? "wedge" : "wedge2", request.wedges[w]);
    }
    if (!axes.empty()) {
        const auto axisName = [&](std::size_t a) {
            if (a == 0 && contactSheet) return std::string("presets");
            if (a == 0 && materialSheet) return std::string("materials");
            return wedgeNames[a - (contactSheet || materialSheet ? 1 : 0)];
        };
        out.metadata.emplace_back(
            "grid", "columns: " + axisName(0) + (axes.size() > 1 ? ", rows: " + axisName(1) : std::string()));
    }
    // What a host left out of its picture (a light it has no counterpart
    // for), once per host however many swatches said it.
    const auto takeNotes = [&out](const ShadingBackend& backend) {
        for (const std::string& note : backend.notes()) {
            const std::string line = backend.name() + ": " + note;
            if (std::find(out.notes.begin(), out.notes.end(), line) == out.notes.end())
                out.notes.push_back(line);
        }
    };
    // Every value the hosts shade the scene's materials with, defaults
    // included: the previewed one where it is worn, and each object's own.
    {
        const SceneTracer tracer(cameraSpace);
        for (ShadingBackend* backend : backends) {
            backend->prepare(ShadingSetup{cameraSpace, materials, tracer});
            takeNotes(*backend);
            for (std::size_t m = 0; m < materials.size(); ++m) {
                if (scene.materials[m].stage || (m == 0 && !previewShown)) continue;
                const std::string who = wearers(scene, m);
                if (m > 0 && who.empty()) continue;
                std::vector<std::string> values;
                for (const auto& [name, value] : backend->materialValues(static_cast<int>(m)))
                    values.push_back(name + "=" + value);
                out.metadata.emplace_back(backend->name() + ".material" + (m == 0 ? "" : "." + who),
                                          joined(values, " "));
            }
        }
    }

    const double swatches = static_cast<double>(perHost * backends.size());
    int done = 0;
    for (std::size_t h = 0; h < backends.size(); ++h) {
        ShadingBackend* backend = backends[h];
        for (const Variation& row : down) {
            for (const Variation& column : across) {
                std::vector<ResolvedMaterial> swatch = materials;
                Swatch result;
                result.host = backend->name();
                result.labels.push_back(backend->name());
                result.labels.insert(result.labels.end(), described.begin(), described.end());
                result.shared = described.size();
                std::size_t wedge = 0;
                for (const Variation* v : {&column, &row}) {
                    if (v->label.empty()) continue;
                    if (!v->preset.empty() || v->material) {
                        SceneMaterial m = v->material ? *v->material : scene.materials[0];
                        if (!v->preset.empty()) m.preset = v->preset;
                        swatch[0] = resolveMaterial(m, "material");
                        result.labels.insert(result.labels.begin() + 1, v->label);
                        continue;
                    }
                    swatch[0].values.push_back(*v->value);
                    result.labels.push_back(
                        lacks[h][wedge] ? "no " + wedgeNames[wedge] + " in " + backend->name() : v->label);
                    ++wedge;
                }
                if (result.labels.size() == 1) {
                    result.labels.push_back("default");
                    result.shared = 1;
                }
                ProgressCallback overall;
                if (progress) overall = [&](double f) { progress((done + f) / swatches); };
                result.image =
                    renderImage(cameraSpace, swatch, *backend, request.render, overall, &result.stats);
                takeNotes(*backend);
                out.swatches.push_back(std::move(result));
                ++done;
            }
        }
    }
    for (const ShadingBackend* backend : backends) {
        std::uint64_t bad = 0, all = 0;
        for (const Swatch& s : out.swatches) {
            if (s.host != backend->name()) continue;
            bad += s.stats.nonFinite;
            all += s.stats.shadingSamples;
        }
        if (bad > 0) {
            out.notes.push_back(
                backend->name() + ": " + std::to_string(bad) + " of " + std::to_string(all) +
                " shading samples came back NaN or infinite and were left out of their pixels");
        }
    }
    return out;
}

namespace {

// Where a swatch sits in the whole picture.
void swatchOrigin(const Preview& preview, std::size_t host, int row, int column, int& x, int& y) {
    const Swatch& s = preview.at(host, row, column);
    const int w = s.image.width() + kGap;
    const int h = s.image.height() + kGap;
    if (preview.rows == 1 && preview.columns == 1) {
        x = static_cast<int>(host) * w;
        y = 0;
    } else {
        x = column * w;
        y = (static_cast<int>(host) * preview.rows + row) * h;
    }
}

}  // namespace

Image hostImage(const Preview& preview, std::size_t host) {
    std::vector<std::vector<Image>> rows;
    for (int r = 0; r < preview.rows; ++r) {
        rows.emplace_back();
        for (int c = 0; c < preview.columns; ++c) rows.back().push_back(preview.at(host, r, c).image);
    }
    return composeGrid(rows, kGap, kGapColor);
}

Image composePreview(const Preview& preview) {
    std::vector<std::vector<Image>> rows;
    if (preview.rows == 1 && preview.columns == 1) {
        rows.emplace_back();
        for (std::size_t h = 0; h < preview.hosts.size(); ++h)
            rows.back().push_back(preview.at(h, 0, 0).image);
    } else {
        for (std::size_t h = 0; h < preview.hosts.size(); ++h) {
            for (int r = 0; r < preview.rows; ++r) {
                rows.emplace_back();
                for (int c = 0; c < preview.columns; ++c) rows.back().push_back(preview.at(h, r, c).image);
            }
        }
    }
    return composeGrid(rows, kGap, kGapColor);
}

namespace {

// Label lines for a swatch `room` pixels wide: parts side by side while they
// fit, a part too wide for a line of its own broken after its commas, and
// what still does not fit cut with "..".
std::vector<std::string> labelLines(const std::vector<std::string>& parts, int room, int scale) {
    struct Chunk {
        std::string text;
        bool startsPart;
    };
    std::vector<Chunk> chunks;
    for (const std::string& part : parts) {
        if (labelWidth(part, scale) <= room) {
            chunks.push_back({part, true});
            continue;
        }
        std::string piece;
        bool first = true;
        for (const char c : part) {
            piece += c;
            if (c == ',' || c == ';' || c == '=') {
                chunks.push_back({piece, first});
                piece.clear();
                first = false;
            }
        }
        if (!piece.empty()) chunks.push_back({piece, first});
    }
    std::vector<std::string> lines;
    for (const Chunk& chunk : chunks) {
        const std::string line =
            lines.empty() ? chunk.text : lines.back() + (chunk.startsPart ? "  " : "") + chunk.text;
        if (!lines.empty() && labelWidth(line, scale) <= room) {
            lines.back() = line;
        } else {
            lines.push_back(chunk.text);
        }
        while (lines.back().size() > 3 && labelWidth(lines.back(), scale) > room) {
            lines.back().erase(lines.back().size() - 3);
            lines.back() += "..";
        }
    }
    return lines;
}

}  // namespace

DisplayImage labelledPicture(const Preview& preview, const ViewTransform& view) {
    DisplayImage picture = toDisplay(composePreview(preview), view);
    for (std::size_t h = 0; h < preview.hosts.size(); ++h) {
        for (int r = 0; r < preview.rows; ++r) {
            for (int c = 0; c < preview.columns; ++c) {
                const Swatch& s = preview.at(h, r, c);
                int x, y;
                swatchOrigin(preview, h, r, c, x, y);
                if (s.labels.empty()) continue;
                std::vector<std::string> parts = s.labels;
                if (view.exposure != 0.0f) {
                    char stops[40];
                    std::snprintf(stops, sizeof stops, "exposure %+g", static_cast<double>(view.exposure));
                    parts.push_back(stops);
                }
                const int margin = std::max(2, s.image.width() / 64);
                const int room = s.image.width() - 2 * margin;
                // As large as fits, up to three pixels a font pixel on a big
                // swatch, in the band below the ball: lines that would reach
                // into it are left out, the host's (the first) kept longest.
                int scale = std::clamp(s.image.width() / 256, 1, 3);
                while (scale > 1 && labelWidth(joined(parts, "  "), scale) > room) --scale;
                std::vector<std::string> lines = labelLines(parts, room, scale);
                const int lineHeight = labelHeight(scale) + scale;
                const int band = std::max(lineHeight, s.image.height() * 6 / 25);
                const int fit = std::max(1, band / lineHeight);
                if (static_cast<int>(lines.size()) > fit && s.shared > 0 && s.labels.size() > 1 + s.shared) {
                    // Too little room: what tells the swatches of a grid apart goes before what they share.
                    parts.erase(parts.begin() + 1, parts.begin() + 1 + static_cast<std::ptrdiff_t>(s.shared));
                    lines = labelLines(parts, room, scale);
                }
                if (static_cast<int>(lines.size()) > fit) {
                    lines.resize(static_cast<std::size_t>(fit));
                    std::string& last = lines.back();
                    while (last.size() > 3 && labelWidth(last + "..", scale) > room) last.pop_back();
                    if (fit > 1 || s.labels.size() > 1) last += "..";
                }
                const int height = lineHeight * static_cast<int>(lines.size());
                if (room <= 0 || height + 2 * margin > s.image.height()) continue;
                int top = y + s.image.height() - margin - height;
                for (const std::string& line : lines) {
                    drawLabel(picture, x + margin, top, line, scale);
                    top += lineHeight;
                }
            }
        }
    }
    return picture;
}

namespace {

// Each effect and the material attributes it needs; every other effect's
// attribute is switched off. Each term of the shading model is a product of
// its own attributes, so the effects add up to the whole.
struct PassSwitches {
    const char* name;
    std::vector<const char*> keeps;
};

const std::vector<PassSwitches>& passSwitches() {
    static const std::vector<PassSwitches> passes = {
        {"ambient", {"color", "ambientColor"}}, {"diffuse", {"color", "diffuse"}},
        {"scattering", {"scatteringColor"}},    {"opposition", {"oppositionColor"}},
        {"backlight", {"backlightColor"}},      {"specular", {"specularColor", "specularRollOff"}},
        {"incandescence", {"incandescence"}},   {"irradiance", {"color", "irradianceColor"}},
    };
    return passes;
}

// Zero for every effect's attribute this host has, except those kept.
std::vector<AttributeValue> switchesOff(const ShadingBackend& backend,
                                        const std::vector<const char*>& keeps) {
    std::vector<std::string> names;
    for (const PassSwitches& p : passSwitches()) {
        for (const char* a : p.keeps) {
            if (std::find(names.begin(), names.end(), a) == names.end()) names.emplace_back(a);
        }
    }
    std::vector<AttributeValue> out;
    for (const std::string& name : names) {
        if (!backend.attributeKind(name).has_value()) continue;
        if (std::find_if(keeps.begin(), keeps.end(), [&](const char* k) { return name == k; }) != keeps.end())
            continue;
        AttributeValue zero;
        zero.name = name;
        zero.count = 1;  // a colour of one number is grey: black here
        zero.origin = "--passes";
        out.push_back(zero);
    }
    return out;
}

}  // namespace

std::vector<std::string> passNames(const ShadingBackend& backend) {
    std::vector<std::string> out;
    for (const PassSwitches& p : passSwitches()) {
        bool has = true;
        for (const char* a : p.keeps) has = has && backend.attributeKind(a).has_value();
        if (has) out.emplace_back(p.name);
    }
    return out;
}

PassRender passRender(const ShadingBackend& backend, const std::string& pass) {
    if (pass == "beauty") return {};
    if (pass == "set") return {switchesOff(backend, {}), false};
    const std::vector<std::string> names = passNames(backend);
    for (const PassSwitches& p : passSwitches()) {
        if (pass == p.name && std::find(names.begin(), names.end(), pass) != names.end()) {
            return {switchesOff(backend, p.keeps), true};
        }
    }
    std::string known = "beauty, set";
    for (const std::string& n : names) known += ", " + n;
    throw InputError(
        "pass", backend.name() + " has no pass \"" + cli::printable(pass) + "\" (passes: " + known + ")");
}

std::vector<HostPasses> renderPasses(const PreviewRequest& request,
                                     const std::vector<ShadingBackend*>& backends,
                                     const ProgressCallback& progress) {
    if (!request.wedges.empty() || request.preset == kAllPresets || request.materials.size() > 1) {
        throw InputError("--passes",
                         "breaks down one swatch: leave out --wedge, --preset all and a file of "
                         "several materials");
    }
    std::size_t total = 0, done = 0;
    for (const ShadingBackend* b : backends) total += passNames(*b).size() + 2;
    std::vector<HostPasses> out;
    for (ShadingBackend* backend : backends) {
        // What this host lacks of the settings the side-by-side render has named already.
        PreviewRequest own = request;
        own.settings.clear();
        for (const std::string& setting : request.settings) {
            if (backend->attributeKind(parseSetting(setting, "--set").name).has_value())
                own.settings.push_back(setting);
        }
        const auto render = [&](const std::vector<AttributeValue>& overrides, bool previewOnly) {
            PreviewRequest r = own;
            r.overrides.insert(r.overrides.end(), overrides.begin(), overrides.end());
            r.render.previewOnly = previewOnly;
            ProgressCallback step;
            if (progress) {
                step = [&](double f) {
                    progress((static_cast<double>(done) + f) / static_cast<double>(total));
                };
            }
            Preview p = renderPreviewSwatches(r, {backend}, step);
            ++done;
            return std::move(p.swatches.front().image);
        };
        HostPasses host;
        host.host = backend->name();
        host.beauty = render({}, false);
        host.passes.push_back({"set", render(switchesOff(*backend, {}), false)});
        const std::vector<std::string> names = passNames(*backend);
        for (const PassSwitches& p : passSwitches()) {
            if (std::find(names.begin(), names.end(), p.name) == names.end()) continue;
            host.passes.push_back({p.name, render(switchesOff(*backend, p.keeps), true)});
        }
        out.push_back(std::move(host));
    }
    return out;
}

Preview breakdownSheet(const std::vector<HostPasses>& passes) {
    Preview sheet;
    std::size_t columns = 0;
    for (const HostPasses& h : passes) columns = std::max(columns, h.passes.size() + 1);
    sheet.columns = static_cast<int>(columns);
    for (const HostPasses& h : passes) {
        sheet.hosts.push_back(h.host);
        const auto add = [&](const std::string& name, const Image& image) {
            Swatch s;
            s.host = h.host;
            s.labels = {h.host, name};
            s.image = image;
            sheet.swatches.push_back(std::move(s));
        };
        add("beauty", h.beauty);
        for (const Pass& p : h.passes) add(p.name, p.image);
        // A host with fewer passes fills its row with the gaps' backdrop.
        for (std::size_t c = h.passes.size() + 1; c < columns; ++c) {
            Swatch s;
            s.host = h.host;
            s.image = Image(h.beauty.width(), h.beauty.height(), kGapColor);
            sheet.swatches.push_back(std::move(s));
        }
    }
    return sheet;
}

Image renderPreview(const PreviewRequest& request, const std::vector<ShadingBackend*>& backends,
                    const ProgressCallback& progress, std::vector<SwatchStats>* stats) {
    const Preview preview = renderPreviewSwatches(request, backends, progress);
    if (stats != nullptr) {
        for (const Swatch& s : preview.swatches) stats->push_back({s.host, s.stats});
    }
    return composePreview(preview);
}

double meanCoveredLuminance(const Image& image) {
    double sum = 0.0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < image.pixels().size(); ++i) {
        if (!(image.alpha()[i] >= 0.5f)) continue;
        const Rgb& c = image.pixels()[i];
        sum += 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b;
        ++count;
    }
    return count ? sum / static_cast<double>(count) : 0.0;
}

double highPassNoise(const Image& image) {
    const auto luminance = [&](int x, int y) {
        const Rgb& c = image.at(x, y);
        return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b;
    };
    double squares = 0.0, sum = 0.0;
    std::size_t count = 0;
    for (int y = 1; y + 1 < image.height(); ++y) {
        for (int x = 1; x + 1 < image.width(); ++x) {
            double around = 0.0;
            bool covered = true;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    covered = covered && image.alphaAt(x + dx, y + dy) >= 1.0f;
                    if (dx != 0 || dy != 0) around += luminance(x + dx, y + dy);
                }
            }
            if (!covered) continue;
            const double l = luminance(x, y);
            squares += (l - around / 8.0) * (l - around / 8.0);
            sum += l;
            ++count;
        }
    }
    return count > 0 && sum > 0.0
               ? std::sqrt(squares / static_cast<double>(count)) / (sum / static_cast<double>(count))
               : 0.0;
}

HostDifference hostDifference(const Image& first, const Image& second, const std::string& firstName,
                              const std::string& secondName) {
    HostDifference d;
    if (first.width() != second.width() || first.height() != second.height()) {
        throw InputError("--diff", "the hosts' pictures differ in size");
    }
    d.difference = Image(first.width(), first.height());
    double sums[2] = {0.0, 0.0}, absolute = 0.0, squares = 0.0;
    const auto luminance = [](const Rgb& c) { return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b; };
    for (int y = 0; y < first.height(); ++y) {
        for (int x = 0; x < first.width(); ++x) {
            const float coverage = std::min(first.alphaAt(x, y), second.alphaAt(x, y));
            d.difference.alphaAt(x, y) = coverage;
            if (!(coverage >= 0.5f)) continue;
            const Rgb& a = first.at(x, y);
            const Rgb& b = second.at(x, y);
            d.difference.at(x, y) = {b.r - a.r, b.g - a.g, b.b - a.b};
            const double la = luminance(a), lb = luminance(b), delta = lb - la;
            sums[0] += la;
            sums[1] += lb;
            absolute += std::fabs(delta);
            squares += delta * delta;
            if (std::fabs(delta) > std::fabs(d.largest)) {
                d.largest = delta;
                d.largestX = x;
                d.largestY = y;
            }
            ++d.pixels;
        }
    }
    const double n = d.pixels ? static_cast<double>(d.pixels) : 1.0;
    d.meanLuminance[0] = sums[0] / n;
    d.meanLuminance[1] = sums[1] / n;
    d.meanAbsolute = absolute / n;
    d.rms = std::sqrt(squares / n);
    char text[400];
    const double ratio =
        d.meanLuminance[0] > 0.0 ? 100.0 * (d.meanLuminance[1] / d.meanLuminance[0] - 1.0) : 0.0;
    std::snprintf(
        text, sizeof text,
        "%s - %s over %zu ball pixels: mean luminance %.4f vs %.4f (%+.1f%%), mean |difference| %.4f, "
        "rms %.4f, largest %+.4f at (%d, %d)",
        secondName.c_str(), firstName.c_str(), d.pixels, d.meanLuminance[1], d.meanLuminance[0], ratio,
        d.meanAbsolute, d.rms, d.largest, d.largestX, d.largestY);
    d.summary = text;
    return d;
}

}  // namespace sorvane::render
