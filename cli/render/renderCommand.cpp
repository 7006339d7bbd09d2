// sorvane render: the preview renderer. A shader ball on a floor, lit by key,
// fill and back lights, shaded by the built plug-ins through their hosts.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <ostream>
#include <thread>

#include "cli/commands.h"
#include "cli/jsonValues.h"
#include "cli/nameSuggestions.h"
#include "cli/render/hostBackends.h"
#include "cli/render/imageFiles.h"
#include "cli/render/previewRender.h"
#include "cli/render/progressBar.h"
#include "cli/render/sceneFile.h"

namespace sorvane::cli {

namespace {

struct RenderOptions {
    std::string host = "both";
    std::string sceneFile;
    std::string preset;
    std::vector<std::string> settings;
    std::string wedge;
    std::vector<std::string> textures;
    std::string size = "320";
    int samples = 4;
    int threads = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    std::string output = "sorvane-preview.png";
    bool listPresets = false;
    bool stats = false;
    bool json = false;
    PluginPaths paths = defaultPluginPaths();
};

// "N" or "WxH", each 1 to 8192.
bool parseSize(const std::string& text, int& width, int& height) {
    int w = 0, h = 0;
    char x = 0, rest = 0;
    const int n = std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &rest);
    if (n == 1) {
        h = w;
    } else if (!(n == 3 && (x == 'x' || x == 'X'))) {
        return false;
    }
    if (w < 1 || h < 1 || w > 8192 || h > 8192) return false;
    width = w;
    height = h;
    return true;
}

std::string presetCheck(const std::string& name) {
    if (render::findPreset(name) != nullptr) return {};
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
    for (const render::SwatchStats& s : stats) {
        const double rate = s.stats.seconds > 0 ? s.stats.shadingSamples / s.stats.seconds : 0.0;
        swatches.push_back({{"host", s.host},
                            {"shadingSamples", s.stats.shadingSamples},
                            {"seconds", s.stats.seconds},
                            {"samplesPerSecond", rate}});
    }
    const OrderedJson document = {{"output", options.output},          {"width", request.render.width},
                                  {"height", request.render.height},   {"samples", request.render.samples},
                                  {"threads", request.render.threads}, {"swatches", swatches}};
    return writeJson(document);
}

void run(const RenderOptions& options, CommandContext& context) {
    render::PreviewRequest request;
    if (!options.sceneFile.empty()) request.scene = render::readSceneFile(options.sceneFile);
    request.preset = options.preset;
    request.settings = options.settings;
    request.wedge = options.wedge;
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

    render::ProgressBar bar(context.err, &context.err == &std::cerr && ::isatty(STDERR_FILENO));
    std::vector<render::SwatchStats> stats;
    const render::Image image = render::renderPreview(
        request, backends, [&](double f) { bar.update(f); }, &stats);
    bar.finish();
    render::writeImage(options.output, image);
    if (options.stats && options.json) {
        context.out << statsJson(options, request, stats) << '\n';
    } else if (options.stats) {
        for (const render::SwatchStats& s : stats) {
            const double rate = s.stats.seconds > 0 ? s.stats.shadingSamples / s.stats.seconds : 0.0;
            context.out << s.host << ": " << s.stats.shadingSamples << " shading samples in " << std::fixed
                        << std::setprecision(3) << s.stats.seconds << " s, " << std::setprecision(0) << rate
                        << " samples/s on " << options.threads << " threads\n";
        }
    }
}

}  // namespace

void addRenderCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<RenderOptions>();
    CLI::App* command = app.add_subcommand(
        "render",
        "Render a preview of the material: a shader ball on a floor, lit by key, fill and back lights,\n"
        "shaded by the built plug-ins through their hosts (both side by side unless --host picks one).\n"
        "With no options it writes sorvane-preview.png.");
    command->add_option("--host", options->host, "Which host renders: maya, mentalray or both side by side")
        ->check(CLI::IsMember({"maya", "mentalray", "both"}))
        ->capture_default_str();
    command
        ->add_option("--scene", options->sceneFile, "A scene file (JSON: camera, objects, lights, material)")
        ->check(CLI::ExistingFile);
    command->add_option("--preset", options->preset, "Start from a material preset (see --list-presets)")
        ->check(CLI::Validator(presetCheck, "PRESET"));
    command
        ->add_option("--set", options->settings,
                     "Set a material attribute by name: --set diffuse=0.6 --set color=0.8,0.3,0.2")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
    command
        ->add_option("--wedge", options->wedge,
                     "A row of swatches, one per value: --wedge scattering=0,0.3,0.6,0.9\n"
                     "(colours: --wedge \"color=1,0,0;0,1,0\")")
        ->type_name("NAME=v1,v2,...");
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
        ->check(CLI::Range(1, 1024))
        ->capture_default_str();
    command->add_option("--threads", options->threads, "Rendering threads (default: all cores)")
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
        } catch (const std::exception& error) {
            context.err << "sorvane render: " << printable(error.what()) << '\n';
            context.exitCode = 1;
        }
    });
}

}  // namespace sorvane::cli
