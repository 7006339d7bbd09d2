// sorvane render: the preview renderer. A shader ball on a seamless set, lit
// by key, rim and a light by the lens, shaded by the built plug-ins through
// their hosts; the set is the renderer's own, alike in every swatch.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iomanip>
#include <ostream>
#include <thread>

#include "cli/commands.h"
#include "cli/common/jsonValues.h"
#include "cli/common/nameSuggestions.h"
#include "cli/common/outputFile.h"
#include "cli/hosts/hostBackends.h"
#include "cli/render/imageFiles.h"
#include "cli/render/previewRender.h"
#include "cli/render/progressBar.h"
#include "cli/render/sceneFile.h"

namespace sorvane::cli {

namespace {

constexpr const char* kSorvaneVersion = SORVANE_VERSION;

struct RenderOptions {
    std::string host = "both";
    std::string sceneFile;
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
    bool quiet = false;
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
                      const std::vector<render::SwatchStats>& stats) {
    OrderedJson swatches = OrderedJson::array();
    int threads = 0;  // the most any swatch rendered with, not the most asked for
    for (const render::SwatchStats& s : stats) {
        const double rate = s.stats.seconds > 0 ? s.stats.shadingSamples / s.stats.seconds : 0.0;
        threads = std::max(threads, s.stats.threads);
        swatches.push_back({{"host", s.host},
                            {"threads", s.stats.threads},
                            {"shadingSamples", s.stats.shadingSamples},
                            {"seconds", s.stats.seconds},
                            {"samplesPerSecond", rate}});
    }
    const OrderedJson document = {{"output", options.output},
                                  {"width", request.render.width},
                                  {"height", request.render.height},
                                  {"samples", request.render.samples},
                                  {"threads", threads},
                                  {"swatches", swatches}};
    return writeJson(document);
}

void run(const RenderOptions& options, CommandContext& context) {
    // Refused now: the second write would destroy the first.
    requireDistinctOutputs({{"-o", options.output}, {"--diff", options.diff}});
    render::PreviewRequest request;
    if (!options.sceneFile.empty()) request.scene = render::readSceneFile(options.sceneFile);
    request.preset = options.preset;
    request.settings = options.settings;
    request.wedges = options.wedges;
    request.textures = options.textures;
    parseSize(options.size, request.render.width, request.render.height);
    request.render.samples = options.samples;
    request.render.threads = options.threads;

    std::vector<std::unique_ptr<render::ShadingBackend>> owned;
    if (options.host != "mentalray") owned.push_back(render::openMayaBackend(options.paths));
    if (options.host != "maya") owned.push_back(render::openMentalrayBackend(options.paths));
    std::vector<render::ShadingBackend*> backends;
    for (auto& b : owned) backends.push_back(b.get());

    // Refused or flagged now, not minutes into the render.
    const std::string warning = render::checkPreviewBudget(render::estimatePreview(request, backends.size()),
                                                           availableMemory(), options.threads);
    if (!warning.empty()) context.err << "sorvane render: " << warning << '\n';

    // Refused now rather than after the render.
    if (!options.diff.empty() && backends.size() != 2) {
        throw InputError("--diff", "compares the two hosts; leave out --host");
    }

    render::ProgressBar bar(context.err, &context.err == &std::cerr && ::isatty(STDERR_FILENO));
    const auto start = std::chrono::steady_clock::now();
    const render::Preview preview =
        render::renderPreviewSwatches(request, backends, [&](double f) { bar.update(f); });
    bar.finish();
    for (const std::string& note : preview.notes) context.err << "sorvane render: " << note << '\n';
    std::vector<render::SwatchStats> stats;
    std::uint64_t shaded = 0;
    for (const render::Swatch& s : preview.swatches) {
        stats.push_back({s.host, s.stats});
        shaded += s.stats.shadingSamples;
    }

    render::Metadata metadata = preview.metadata;
    metadata.insert(metadata.begin(), {"sorvaneVersion", kSorvaneVersion});
    render::ImageFormat format = render::ImageFormat::png;
    render::imageFormatFor(options.output, format);
    int width = 0, height = 0;
    if (format == render::ImageFormat::exr) {
        // Linear, one layer per host: a compositor picks them apart by name.
        std::vector<render::Image> layers;
        for (std::size_t h = 0; h < preview.hosts.size(); ++h)
            layers.push_back(render::hostImage(preview, h));
        std::vector<render::ExrLayer> named;
        for (std::size_t h = 0; h < layers.size(); ++h) named.push_back({preview.hosts[h], &layers[h]});
        render::writeExrLayers(options.output, named, metadata);
        width = layers.front().width();
        height = layers.front().height();
    } else {
        char stops[32];
        std::snprintf(stops, sizeof stops, "%g", static_cast<double>(options.exposure));
        metadata.emplace_back("exposure", stops);
        const render::DisplayImage picture =
            render::labelledPicture(preview, render::ViewTransform{options.exposure, true});
        render::writePng(options.output, picture, metadata);
        width = picture.width;
        height = picture.height;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!options.diff.empty()) {
        const render::HostDifference d = render::hostDifference(
            render::hostImage(preview, 0), render::hostImage(preview, 1), preview.hosts[0], preview.hosts[1]);
        render::Metadata diffMetadata = metadata;
        diffMetadata.emplace_back("difference", preview.hosts[1] + " - " + preview.hosts[0]);
        render::ImageFormat diffFormat = render::ImageFormat::exr;
        render::imageFormatFor(options.diff, diffFormat);
        if (diffFormat == render::ImageFormat::exr) {
            render::writeExrLayers(options.diff, {{"difference", &d.difference}}, diffMetadata);
        } else {
            // Signed differences around mid grey, so either sign shows.
            render::Image shown(d.difference.width(), d.difference.height());
            for (int y = 0; y < shown.height(); ++y) {
                for (int x = 0; x < shown.width(); ++x) {
                    const render::Rgb c = d.difference.at(x, y);
                    const auto mid = [](float v) { return std::clamp(0.18f + v, 0.0f, 1.0f); };
                    shown.at(x, y) = {mid(c.r), mid(c.g), mid(c.b)};
                }
            }
            render::writePng(options.diff, render::toDisplay(shown, render::ViewTransform{0.0f, false}),
                             diffMetadata);
        }
        context.err << "sorvane render: " << d.summary << '\n';
    }
    if (!options.quiet) {
        char line[300];
        std::snprintf(line, sizeof line,
                      "sorvane render: wrote %s (%dx%d) in %.2f s, %.3g shading samples/s\n",
                      options.output.c_str(), width, height, seconds, seconds > 0.0 ? shaded / seconds : 0.0);
        context.err << line;
    }
    if (options.stats && options.json) {
        context.out << statsJson(options, request, stats) << '\n';
    } else if (options.stats) {
        for (const render::SwatchStats& s : stats) {
            const double rate = s.stats.seconds > 0 ? s.stats.shadingSamples / s.stats.seconds : 0.0;
            context.out << s.host << ": " << s.stats.shadingSamples << " shading samples in " << std::fixed
                        << std::setprecision(3) << s.stats.seconds << " s, " << std::setprecision(0) << rate
                        << " samples/s on " << s.stats.threads
                        << (s.stats.threads == 1 ? " thread\n" : " threads\n");
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
        ->check(CLI::IsMember({"maya", "mentalray", "both"}))
        ->capture_default_str();
    command
        ->add_option("--scene", options->sceneFile, "A scene file (JSON: camera, objects, lights, material)")
        ->check(CLI::ExistingFile);
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
                // A range check alone lets "nan" through: it compares false both ways.
                if (text.empty()) return std::string("expected stops from -20 to 20, got nothing");
                const float stops = std::strtof(text.c_str(), nullptr);
                return stops >= -20.0f && stops <= 20.0f ? std::string() : "expected stops from -20 to 20";
            },
            "STOPS"))
        ->capture_default_str();
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
