// sorvane render: the preview renderer. A shader ball on a seamless set, lit
// by key, rim and a light by the lens, shaded by the built plug-ins through
// their hosts; the set is the renderer's own, alike in every swatch.
#include <sys/ioctl.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <ostream>
#include <sstream>
#include <thread>

#include "cli/commands.h"
#include "cli/common/jsonValues.h"
#include "cli/common/nameSuggestions.h"
#include "cli/common/outputFile.h"
#include "cli/hosts/hostRegistry.h"
#include "cli/render/environmentFile.h"
#include "cli/render/imageFiles.h"
#include "cli/render/ocioDisplay.h"
#include "cli/render/previewRender.h"
#include "cli/render/progressBar.h"
#include "cli/render/sceneFile.h"
#include "cli/render/sceneMesh.h"
#include "cli/render/storedMaterials.h"

namespace sorvane::cli {

namespace {

constexpr const char* kSorvaneVersion = SORVANE_VERSION;
// --host's word for every registered host, side by side.
const std::string kAllHosts = "both";

// What --host takes: each registered host, or all of them.
std::vector<std::string> hostChoices() {
    std::vector<std::string> choices = hostNames();
    choices.push_back(kAllHosts);
    return choices;
}

struct RenderOptions {
    std::string host = kAllHosts;
    std::string sceneFile;
    std::string mesh;
    std::string material;
    std::string savePreset;
    std::string compare;
    std::string preset;
    std::vector<std::string> settings;
    std::vector<std::string> wedges;
    std::vector<std::string> textures;
    std::string size = "320";
    int samples = 4;
    int threads = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    std::string output = "sorvane-preview.png";
    bool listPresets = false;
    bool stats = false;
    bool json = false;
    float exposure = 0.0f;
    std::string diff;
    std::string environment;
    std::string environmentIntensity;
    std::string environmentRotate;
    std::string display;
    std::string view;
    bool quiet = false;
    bool passes = false;
    PluginPaths paths = defaultPluginPaths();
};

// "N" or "WxH", each 1 to 8192. Digits only: a number too large for an int
// is refused, not wrapped round.
bool parseSize(const std::string& text, int& width, int& height) {
    const auto number = [](const char* first, const char* last, int& value) {
        if (first == last || *first < '0' || *first > '9') return false;
        const auto [end, error] = std::from_chars(first, last, value);
        return error == std::errc() && end == last && value >= 1 && value <= 8192;
    };
    const char* begin = text.data();
    const char* end = begin + text.size();
    const char* x = std::find_if(begin, end, [](char c) { return c == 'x' || c == 'X'; });
    int w = 0, h = 0;
    if (!number(begin, x, w)) return false;
    if (x == end) {
        h = w;
    } else if (!number(x + 1, end, h)) {
        return false;
    }
    width = w;
    height = h;
    return true;
}

std::string presetCheck(const std::string& name) {
    if (name == render::kAllPresets || render::findPreset(name) != nullptr) return {};
    std::string known;
    for (const std::string& p : render::presetNames()) known += (known.empty() ? "" : ", ") + p;
    return "unknown preset \"" + name + "\"" + didYouMean(name, render::presetNames()) +
           " (presets: " + known + ")";
}

void listPresets(std::ostream& out) {
    for (const render::Preset& preset : render::materialPresets()) {
        out << std::left << std::setw(10) << preset.name << preset.description << '\n';
    }
}

// What the kernel says could be had without swapping.
double availableMemory() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    double kilobytes = 0.0;
    while (meminfo >> key >> kilobytes) {
        if (key == "MemAvailable:") return kilobytes * 1024.0;
        meminfo.ignore(64, '\n');
    }
    return static_cast<double>(::sysconf(_SC_PHYS_PAGES)) * static_cast<double>(::sysconf(_SC_PAGESIZE));
}

// --stats --json: what was rendered and the shading samples of each swatch, one document.
std::string statsJson(const RenderOptions& options, const render::PreviewRequest& request,
                      const std::vector<render::SwatchStats>& stats, int width, int height) {
    OrderedJson swatches = OrderedJson::array();
    int threads = 0;  // the most any swatch rendered with, not the most asked for
    for (const render::SwatchStats& s : stats) {
        const double rate = s.stats.seconds > 0 ? s.stats.shadingSamples / s.stats.seconds : 0.0;
        threads = std::max(threads, s.stats.threads);
        swatches.push_back({{"host", s.host},
                            {"threads", s.stats.threads},
                            {"noise", s.noise},
                            {"shadingSamples", s.stats.shadingSamples},
                            {"seconds", s.stats.seconds},
                            {"samplesPerSecond", rate}});
    }
    const OrderedJson document = {{"output", options.output},
                                  {"width", width},
                                  {"height", height},
                                  {"swatchWidth", request.render.width},
                                  {"swatchHeight", request.render.height},
                                  {"samples", request.render.samples},
                                  {"threads", threads},
                                  {"swatches", swatches}};
    return writeJson(document);
}

// The terminal's width, for the progress bar.
int terminalColumns() {
    winsize size{};
    if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    if (const char* columns = std::getenv("COLUMNS")) {
        const int n = std::atoi(columns);
        if (n > 0) return n;
    }
    return 80;
}

// --material FILE[:NAME]: the one material named, or every one the file holds.
std::vector<render::NamedMaterial> storedMaterials(const std::string& text, const material::Schema& schema,
                                                   std::ostream& err) {
    const material::MaterialReference reference = material::parseMaterialReference(text);
    std::vector<material::StoredMaterial> found;
    try {
        found = material::readMaterialFile(reference.path, schema);
    } catch (const InputError& error) {
        throw InputError("--material", error.what());
    }
    std::vector<render::NamedMaterial> out;
    for (const material::StoredMaterial& m : found) {
        if (!reference.name.empty() && m.name != reference.name) continue;
        for (const std::string& note : m.notes) err << "sorvane render: " << note << '\n';
        out.push_back({m.name, reference.path + ":" + m.name, render::sceneMaterial(m)});
    }
    if (out.empty()) {
        try {
            material::findMaterial(found, reference.name, reference.path);
        } catch (const InputError& error) {
            throw InputError("--material", error.what());
        }
    }
    return out;
}

// --save-preset NAME: the material just rendered as a preset entry, a Maya
// attribute preset and a mental ray shader statement, NAME.json, .mel, .mi.
std::vector<std::string> savePreset(const std::string& target, const render::Preview& preview,
                                    const material::Schema& schema, const std::string& description) {
    const std::string name = std::filesystem::path(target).filename().string();
    const material::StoredMaterial stored =
        render::storedMaterial(name, description, preview.previewed, schema);
    const std::pair<const char*, std::string> files[] = {
        {".json", material::writePresetJson(stored, schema)},
        {".mel", material::writeMelPreset(stored, schema)},
        {".mi", material::writeMentalrayShader(stored, schema)}};
    std::vector<std::string> written;
    for (const auto& [extension, text] : files) {
        render::writeTextFile(target + extension, text);
        written.push_back(target + extension);
    }
    return written;
}

void run(const RenderOptions& options, CommandContext& context) {
    // Refused now: the second write would destroy the first.
    // Every file the render writes: none may be another of them.
    std::vector<std::pair<std::string, std::string>> outputs = {{"-o", options.output},
                                                                {"--diff", options.diff}};
    if (options.passes) {
        const std::string stem = std::filesystem::path(options.output).replace_extension("").string();
        outputs.push_back({"--passes", stem + ".passes.exr"});
        outputs.push_back({"--passes", stem + ".passes.png"});
    }
    if (!options.savePreset.empty()) {
        for (const char* extension : {".json", ".mel", ".mi"}) {
            outputs.push_back({"--save-preset", options.savePreset + extension});
        }
    }
    requireDistinctOutputs(outputs);
    render::PreviewRequest request;
    if (!options.sceneFile.empty()) {
        request.scene = render::readSceneFile(options.sceneFile);
        request.sceneName = options.sceneFile;
    }
    if (!options.environment.empty()) {
        request.scene.environmentImage = render::EnvironmentImage{options.environment};
    }
    for (const auto& [option, text] : {std::pair{"--environment-intensity", &options.environmentIntensity},
                                       std::pair{"--environment-rotate", &options.environmentRotate}}) {
        if (text->empty()) continue;
        if (!request.scene.environmentImage) {
            throw InputError(option,
                             "applies to an environment image: give --environment FILE (or a scene "
                             "file's environment.file)");
        }
        const float value = std::strtof(text->c_str(), nullptr);  // checked when the option was read
        if (text == &options.environmentIntensity) {
            request.scene.environmentImage->intensity = value;
        } else {
            request.scene.environmentImage->rotate = value;
        }
    }
    // The PNG's view: checked now, not after the render.
    render::ViewTransform view{options.exposure, true, nullptr};
    if (!options.display.empty() || !options.view.empty()) {
        const char* config = std::getenv("OCIO");
        view.display =
            render::ocioDisplayTransform(config != nullptr ? config : "", options.display, options.view);
    }
    for (const std::string& note : render::lightByEnvironment(request.scene))
        context.err << "sorvane render: " << note << '\n';
    if (!options.mesh.empty()) {
        std::shared_ptr<const render::SceneMesh> mesh;
        try {
            mesh = render::findMesh(options.mesh);
        } catch (const InputError& error) {
            throw InputError("--mesh", error.message());
        }
        render::placeMesh(request.scene, mesh, "--mesh");
    }
    if (!options.material.empty() && !options.preset.empty()) {
        throw InputError("--material", "and --preset both choose the material: give one");
    }
    if (!options.savePreset.empty()) {
        const std::string why =
            material::checkMaterialName(std::filesystem::path(options.savePreset).filename().string());
        if (!why.empty()) throw InputError("--save-preset " + options.savePreset, why);
        bool worn = false;
        for (const render::Object& o : request.scene.objects) worn = worn || o.material == 0;
        if (!worn) {
            throw InputError("--save-preset", "no object of the scene wears the previewed material");
        }
        if (!options.wedges.empty() || options.preset == render::kAllPresets) {
            throw InputError("--save-preset",
                             "saves the one material of a single swatch: leave out --wedge and "
                             "--preset all");
        }
    }
    request.preset = options.preset;
    request.settings = options.settings;
    request.wedges = options.wedges;
    request.textures = options.textures;
    parseSize(options.size, request.render.width, request.render.height);
    request.render.samples = options.samples;
    request.render.threads = options.threads;

    std::vector<std::unique_ptr<render::ShadingBackend>> owned;
    for (const HostEntry& host : registeredHosts()) {
        if (options.host == kAllHosts || options.host == host.name)
            owned.push_back(host.openBackend(options.paths));
    }
    std::vector<render::ShadingBackend*> backends;
    for (auto& b : owned) backends.push_back(b.get());

    // Material files and saved presets speak of both hosts' attributes,
    // whichever renders.
    material::Schema schema;
    if (!options.material.empty() || !options.savePreset.empty() || !options.compare.empty()) {
        std::vector<std::unique_ptr<render::ShadingBackend>> others;
        std::vector<render::ShadingBackend*> all = backends;
        for (const HostEntry& host : registeredHosts()) {
            if (options.host != kAllHosts && options.host != host.name) {
                others.push_back(host.openBackend(options.paths));
            }
        }
        for (auto& b : others) all.push_back(b.get());
        schema = render::materialSchema(all);
    }
    if (!options.material.empty()) {
        request.materials = storedMaterials(options.material, schema, context.err);
        if (request.materials.size() > 1 && !options.savePreset.empty()) {
            throw InputError("--save-preset", options.material + " holds " +
                                                  std::to_string(request.materials.size()) +
                                                  " materials: name the one to save (FILE:NAME)");
        }
    }

    if (!options.compare.empty()) {
        if (!options.wedges.empty() || options.preset == render::kAllPresets ||
            request.materials.size() > 1 || !options.savePreset.empty() || options.passes) {
            throw InputError("--compare",
                             "sets two materials side by side: leave out --wedge, --preset all, a "
                             "file of several materials, --save-preset and --passes");
        }
        // A: the material as the other options make it; B: a preset or a file's material, as it stands.
        render::NamedMaterial a;
        if (request.materials.size() == 1) {
            a = request.materials[0];
        } else {
            a.material = request.scene.materials[0];
            if (!options.preset.empty()) a.material.preset = options.preset;
            a.label = a.material.preset;
            a.source = "preset " + a.material.preset;
        }
        for (const std::string& setting : options.settings) {
            a.material.attributes.push_back(render::parseSetting(setting, "--set"));
            a.label += " " + setting;
        }
        for (const std::string& texture : options.textures) {
            a.material.textures.push_back(render::parseTextureSetting(texture));
            a.label += " " + texture;
        }
        a.label = "A: " + a.label;
        render::NamedMaterial b;
        if (render::findPreset(options.compare) != nullptr) {
            b.material.preset = options.compare;
            b.label = options.compare;
            b.source = "preset " + options.compare;
        } else {
            const std::vector<render::NamedMaterial> found =
                storedMaterials(options.compare, schema, context.err);
            if (found.size() != 1) {
                throw InputError("--compare", options.compare + " holds " + std::to_string(found.size()) +
                                                  " materials: name the one to compare (FILE:NAME)");
            }
            b = found[0];
        }
        b.label = "B: " + b.label;
        request.materials = {a, b};
        request.preset.clear();
        request.settings.clear();
        request.textures.clear();
    }

    // Refused or flagged now, not minutes into the render.
    const std::string warning = render::checkPreviewBudget(render::estimatePreview(request, backends.size()),
                                                           availableMemory(), options.threads);
    if (!warning.empty()) context.err << "sorvane render: " << warning << '\n';

    // Refused now rather than after the render.
    if (options.passes &&
        (!options.wedges.empty() || options.preset == render::kAllPresets || request.materials.size() > 1)) {
        throw InputError("--passes",
                         "breaks down one swatch: leave out --wedge, --preset all and a file of "
                         "several materials");
    }
    if (!options.diff.empty() && options.compare.empty() && backends.size() != 2) {
        throw InputError("--diff", "compares the two hosts; leave out --host");
    }

    const bool terminal = &context.err == &std::cerr && ::isatty(STDERR_FILENO);
    render::ProgressBar bar(context.err, terminal, terminal ? terminalColumns() : 80);
    const auto start = std::chrono::steady_clock::now();
    // The passes render each effect again: the bar spans them all.
    const double share = options.passes ? 0.2 : 1.0;
    const render::Preview preview =
        render::renderPreviewSwatches(request, backends, [&](double f) { bar.update(f * share); });
    std::vector<render::HostPasses> passes;
    if (options.passes) {
        passes =
            render::renderPasses(request, backends, [&](double f) { bar.update(share + f * (1.0 - share)); });
    }
    bar.finish();
    for (const std::string& note : preview.notes) context.err << "sorvane render: " << note << '\n';
    std::vector<render::SwatchStats> stats;
    std::uint64_t shaded = 0;
    for (const render::Swatch& s : preview.swatches) {
        stats.push_back({s.host, s.stats, render::highPassNoise(s.image)});
        shaded += s.stats.shadingSamples;
    }

    render::Metadata metadata = preview.metadata;
    metadata.insert(metadata.begin(), {"sorvaneVersion", kSorvaneVersion});
    render::ImageFormat format = render::ImageFormat::png;
    render::imageFormatFor(options.output, format);
    int width = 0, height = 0;
    if (format == render::ImageFormat::exr) {
        if (options.exposure != 0.0f) {
            context.err << "sorvane render: --exposure: an EXR stays linear; the exposure applies to PNG "
                           "pictures only and is not in "
                        << options.output << '\n';
        }
        if (view.display != nullptr) {
            context.err << "sorvane render: --display/--view: an EXR stays scene-linear; the view applies to "
                           "PNG pictures only and is not in "
                        << options.output << '\n';
        }
        // Linear, one layer per host: a compositor picks them apart by name;
        // the first host again as the plain layer, for viewers that open that.
        std::vector<render::Image> layers;
        for (std::size_t h = 0; h < preview.hosts.size(); ++h)
            layers.push_back(render::hostImage(preview, h));
        std::vector<render::ExrLayer> named;
        for (std::size_t h = 0; h < layers.size(); ++h) named.push_back({preview.hosts[h], &layers[h], true});
        named.push_back({"", &layers.front(), false});
        for (const render::HostPasses& h : passes) {
            for (const render::Pass& p : h.passes)
                named.push_back({h.host + "." + p.name, &p.image, false, false});
        }
        metadata.emplace_back("matte",
                              "<host>.matte: coverage of the previewed material; RGBA is the whole "
                              "frame, premultiplied; R,G,B,A: " +
                                  preview.hosts.front());
        render::writeExrLayers(options.output, named, metadata);
        width = layers.front().width();
        height = layers.front().height();
    } else {
        char stops[32];
        std::snprintf(stops, sizeof stops, "%g", static_cast<double>(options.exposure));
        metadata.emplace_back("exposure", stops);
        metadata.emplace_back("view", view.display != nullptr ? view.display->describe()
                                                              : std::string("soft shoulder, then sRGB"));
        const render::DisplayImage picture = render::labelledPicture(preview, view);
        render::writePng(options.output, picture, metadata);
        width = picture.width;
        height = picture.height;
    }
    if (!passes.empty()) {
        const std::string stem = std::filesystem::path(options.output).replace_extension("").string();
        if (format == render::ImageFormat::png) {
            std::vector<render::ExrLayer> named;
            for (const render::HostPasses& h : passes) {
                named.push_back({h.host, &h.beauty, true});
                for (const render::Pass& p : h.passes)
                    named.push_back({h.host + "." + p.name, &p.image, false, false});
            }
            render::writeExrLayers(stem + ".passes.exr", named, metadata);
        }
        render::Metadata sheetMetadata = metadata;
        sheetMetadata.emplace_back("passes",
                                   "beauty = set + the effects; each effect is the plug-in's answer "
                                   "with every other effect's attributes at 0");
        render::writePng(stem + ".passes.png", render::labelledPicture(render::breakdownSheet(passes), view),
                         sheetMetadata);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!options.diff.empty()) {
        // The hosts' difference; with --compare, B's less A's in each host.
        std::vector<render::HostDifference> differences;
        std::vector<std::string> names;
        if (options.compare.empty()) {
            differences.push_back(render::hostDifference(render::hostImage(preview, 0),
                                                         render::hostImage(preview, 1), preview.hosts[0],
                                                         preview.hosts[1]));
            names.push_back("difference");
        } else {
            for (std::size_t h = 0; h < preview.hosts.size(); ++h) {
                differences.push_back(
                    render::hostDifference(preview.at(h, 0, 0).image, preview.at(h, 0, 1).image,
                                           preview.hosts[h] + " A", preview.hosts[h] + " B"));
                names.push_back(preview.hosts[h] + ".difference");
            }
        }
        render::Metadata diffMetadata = metadata;
        diffMetadata.emplace_back("difference", options.compare.empty()
                                                    ? preview.hosts[1] + " - " + preview.hosts[0]
                                                    : std::string("B - A, per host"));
        render::ImageFormat diffFormat = render::ImageFormat::exr;
        render::imageFormatFor(options.diff, diffFormat);
        if (diffFormat == render::ImageFormat::exr) {
            std::vector<render::ExrLayer> layers;
            for (std::size_t i = 0; i < differences.size(); ++i)
                layers.push_back({names[i], &differences[i].difference, true});
            render::writeExrLayers(options.diff, layers, diffMetadata);
        } else {
            // Signed differences around mid grey, so either sign shows; each host's side by side.
            std::vector<render::Image> each;
            for (const render::HostDifference& e : differences) each.push_back(e.difference);
            const render::Image all = render::composeGrid({each}, 4, render::Rgb{});
            render::Image shown(all.width(), all.height());
            for (int y = 0; y < shown.height(); ++y) {
                for (int x = 0; x < shown.width(); ++x) {
                    const render::Rgb c = all.at(x, y);
                    const auto mid = [](float v) { return std::clamp(0.18f + v, 0.0f, 1.0f); };
                    shown.at(x, y) = {mid(c.r), mid(c.g), mid(c.b)};
                }
            }
            render::writePng(options.diff,
                             render::toDisplay(shown, render::ViewTransform{0.0f, false, nullptr}),
                             diffMetadata);
        }
        for (const render::HostDifference& each : differences)
            context.err << "sorvane render: " << each.summary << '\n';
    }
    if (!options.savePreset.empty()) {
        std::string from;
        for (const auto& [key, value] : metadata) {
            if (key == "material" || key == "preset" || key == "settings")
                from += (from.empty() ? "" : ", ") + key + " " + value;
        }
        if (!options.textures.empty()) {
            context.err << "sorvane render: --save-preset: a preset holds values, not the --texture "
                           "checker; saved without it\n";
        }
        const std::vector<std::string> written =
            savePreset(options.savePreset, preview, schema, "saved by sorvane render from " + from);
        context.err << "sorvane render: saved the material as";
        for (const std::string& file : written) context.err << ' ' << file;
        context.err << '\n';
    }
    if (!options.quiet) {
        char line[300];
        std::snprintf(line, sizeof line,
                      "sorvane render: wrote %s (%dx%d) in %.2f s, %.3g shading samples/s\n",
                      options.output.c_str(), width, height, seconds, seconds > 0.0 ? shaded / seconds : 0.0);
        context.err << line;
    }
    if (options.stats && options.json) {
        context.out << statsJson(options, request, stats, width, height) << '\n';
    } else if (options.stats) {
        for (const render::SwatchStats& s : stats) {
            const double rate = s.stats.seconds > 0 ? s.stats.shadingSamples / s.stats.seconds : 0.0;
            context.out << s.host << ": " << s.stats.shadingSamples << " shading samples in " << std::fixed
                        << std::setprecision(3) << s.stats.seconds << " s, " << std::setprecision(0) << rate
                        << " samples/s on " << s.stats.threads
                        << (s.stats.threads == 1 ? " thread" : " threads") << ", noise "
                        << std::setprecision(4) << s.noise << "\n";
        }
    }
}

// Before the range check, which would call "abc" a value it could not convert.
const CLI::Validator wholeNumber(
    [](const std::string& text) {
        const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
        return digits ? std::string() : "\"" + text + "\" is not a number";
    },
    "");

// A number from `low` to `high`, the whole text: strtof alone reads "abc"
// as 0, and a range check alone lets "nan" through.
CLI::Validator numberBetween(float low, float high, const std::string& what) {
    return CLI::Validator(
        [=](const std::string& text) {
            char* end = nullptr;
            const float value = std::strtof(text.c_str(), &end);
            const bool number = !text.empty() && end == text.c_str() + text.size();
            if (number && value >= low && value <= high) return std::string();
            std::ostringstream message;
            message << "expected " << what << " from " << low << " to " << high << ", not \"" << text << "\"";
            return message.str();
        },
        "");
}

}  // namespace

void addRenderCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<RenderOptions>();
    CLI::App* command = app.add_subcommand(
        "render",
        "Render a preview of the material: a shader ball on a seamless grey set, lit by key, rim and a\n"
        "light by the lens, shaded by the built plug-ins through their hosts (both side by side unless\n"
        "--host picks one), each swatch labelled.\n"
        "With no options it writes sorvane-preview.png.");
    command->add_option("--host", options->host, "Which host renders: maya, mentalray or both side by side")
        ->check(CLI::IsMember(hostChoices()))
        ->capture_default_str();
    command
        ->add_option("--scene", options->sceneFile, "A scene file (JSON: camera, objects, lights, material)")
        ->check(CLI::ExistingFile);
    command
        ->add_option("--mesh", options->mesh,
                     "Put a mesh in the ball's place, fitted to its bounds: torusknot, an OBJ file,\n"
                     "or sphere (the ball itself)")
        ->type_name("NAME|FILE.obj");
    command
        ->add_option("--material", options->material,
                     "Preview a material from a file: a Maya ASCII scene (.ma), a mental ray scene (.mi),\n"
                     "a Maya attribute preset (.mel) or presets (.json); without :NAME every one it holds")
        ->type_name("FILE[:NAME]");
    command
        ->add_option("--compare", options->compare,
                     "Set a second material beside the first in each host: a preset, or FILE[:NAME]\n"
                     "as --material takes it; --diff then writes B less A")
        ->type_name("PRESET|FILE[:NAME]");
    command
        ->add_option("--save-preset", options->savePreset,
                     "Also write the material rendered as NAME.json (a preset entry), NAME.mel (a Maya\n"
                     "attribute preset) and NAME.mi (a mental ray shader statement)")
        ->type_name("NAME");
    command
        ->add_option(
            "--preset", options->preset,
            "Start from a material preset (see --list-presets); \"all\": a contact sheet of every preset")
        ->check(CLI::Validator(presetCheck, "PRESET"));
    command
        ->add_option("--set", options->settings,
                     "Set a material attribute by name: --set diffuse=0.6 --set color=0.8,0.3,0.2")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
    command
        ->add_option("--wedge", options->wedges,
                     "A row of swatches, one per value: --wedge scattering=0,0.3,0.6,0.9\n"
                     "(colours: --wedge \"color=1,0,0;0,1,0\"); a second --wedge makes a grid")
        ->type_name("NAME=v1,v2,...")
        ->allow_extra_args(false);
    command
        ->add_option("--texture", options->textures,
                     "Drive an attribute by a procedural texture: color=checker")
        ->type_name("NAME=checker")
        ->allow_extra_args(false);
    command->add_option("--size", options->size, "Size of each swatch in pixels: N or WxH")
        ->check(CLI::Validator(
            [](const std::string& text) {
                int w, h;
                return parseSize(text, w, h) ? std::string() : "expected N or WxH, each from 1 to 8192";
            },
            "N|WxH"))
        ->capture_default_str();
    command->add_option("--samples", options->samples, "Samples per pixel (antialiasing)")
        ->check(wholeNumber)
        ->check(CLI::Range(1, 1024))
        ->capture_default_str();
    command->add_option("--threads", options->threads, "Rendering threads (default: all cores)")
        ->check(wholeNumber)
        ->check(CLI::Range(1, 1024))
        ->capture_default_str();
    command->add_option("-o,--output", options->output, "The picture: .png (sRGB) or .exr (linear float)")
        ->check(CLI::Validator(
            [](const std::string& path) {
                render::ImageFormat format;
                return render::imageFormatFor(path, format) ? std::string()
                                                            : "unknown image type (use .png or .exr)";
            },
            "FILE"))
        ->capture_default_str();
    command->add_option("--exposure", options->exposure, "PNG only: brighten (+) or darken (-) by stops")
        ->check(CLI::Validator(
            [](const std::string& text) {
                // The whole text must be the number: strtof alone reads "abc" as 0, and a range check
                // alone lets "nan" through, as it compares false both ways.
                char* end = nullptr;
                const float stops = std::strtof(text.c_str(), &end);
                if (text.empty()) return std::string("expected stops from -20 to 20, got nothing");
                const bool number = end == text.c_str() + text.size();
                return number && stops >= -20.0f && stops <= 20.0f
                           ? std::string()
                           : "expected stops from -20 to 20, not \"" + text + "\"";
            },
            "STOPS"))
        ->capture_default_str();
    command
        ->add_option("--environment", options->environment,
                     "Light the stage and the ball from a linear lat-long HDR image (.exr): the backdrop\n"
                     "shows it, and 128 directional lights made from it replace the default lights")
        ->type_name("FILE.exr");
    command
        ->add_option("--environment-intensity", options->environmentIntensity,
                     "Scale the environment's light (default 1)")
        ->check(numberBetween(0.0f, 1e6f, "a scale"))
        ->type_name("SCALE");
    command
        ->add_option("--environment-rotate", options->environmentRotate,
                     "Turn the environment about the vertical by degrees (positive: what was ahead\n"
                     "goes to the left)")
        ->check(numberBetween(-1e4f, 1e4f, "degrees"))
        ->type_name("DEGREES");
    command
        ->add_option("--display", options->display,
                     "PNG only: the display of the OpenColorIO config $OCIO names (default: the config's);\n"
                     "without --display or --view the PNG has the preview's own view")
        ->type_name("DISPLAY");
    command
        ->add_option("--view", options->view,
                     "PNG only: the view of that display in the $OCIO config (default: the display's)")
        ->type_name("VIEW");
    command
        ->add_option("--diff", options->diff,
                     "Also write the per-pixel difference of the two hosts' balls (.exr or .png)\n"
                     "and print a line of its statistics")
        ->check(CLI::Validator(
            [](const std::string& path) {
                render::ImageFormat format;
                return render::imageFormatFor(path, format) ? std::string()
                                                            : "unknown image type (use .png or .exr)";
            },
            "FILE"));
    command->add_flag("--passes", options->passes,
                      "Also break the material down into the shading model's effects: a layer each\n"
                      "(HOST.PASS.R, G, B) in the EXR (-o FILE.exr, or FILE.passes.exr beside a PNG), and\n"
                      "a labelled sheet of them, FILE.passes.png");
    command->add_flag("-q,--quiet", options->quiet, "No summary line after the render");
    command->add_flag("--list-presets", options->listPresets, "List the material presets and stop");
    command->add_flag("--stats", options->stats, "Print the shading samples and their rate per host");
    command->add_flag("--json", options->json, "With --stats: print them as one JSON document")
        ->needs("--stats");
    addPluginPathOptions(*command, options->paths);

    command->callback([options, &context] {
        if (options->listPresets) {
            listPresets(context.out);
            return;
        }
        try {
            run(*options, context);
        } catch (const std::bad_alloc&) {
            context.err << "sorvane render: out of memory while rendering (lower --size or --samples)\n";
            context.exitCode = 1;
        } catch (const std::exception& error) {
            context.err << "sorvane render: " << printable(messageOf(error)) << '\n';
            context.exitCode = 1;
        }
    });
}

}  // namespace sorvane::cli
