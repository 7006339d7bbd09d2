#pragma once

// The render command's work apart from its options: the scene with the
// command's material changes, one swatch per host and per variation (a
// wedge's values, or every preset for a contact sheet), laid out as a grid:
// the first variation across, the second down, the hosts side by side for a
// single swatch and one below the other otherwise.

#include <string>
#include <vector>

#include "cli/render/imageFiles.h"
#include "cli/render/tileRenderer.h"
#include "cli/render/viewTransform.h"

namespace sorvane::render {

// A material from a file (--material), under the name it goes by there.
struct NamedMaterial {
    std::string label;   // its name in the file
    std::string source;  // "FILE:NAME", for the picture's metadata
    SceneMaterial material;
};

struct PreviewRequest {
    Scene scene = defaultScene();          // world space
    std::string sceneName;                 // the scene file's name, when one was given
    std::vector<NamedMaterial> materials;  // one: the previewed material; several: a sheet of them
    std::string preset;                    // empty: keep the scene's; "all": every preset
    std::vector<std::string> settings;     // --set NAME=VALUE
    std::vector<std::string> wedges;       // --wedge NAME=v1,v2,..., at most two
    std::vector<std::string> textures;     // --texture NAME=checker
    // Applied last to the previewed material, unlabelled: a pass's switches.
    std::vector<AttributeValue> overrides;
    RenderSettings render;
};

struct SwatchStats {
    std::string host;
    RenderStats stats;
    double noise = 0.0;  // highPassNoise() of the swatch
};

// "NAME=VALUE": VALUE is a number, true/false, or numbers separated by commas.
AttributeValue parseSetting(const std::string& text, const std::string& option);
// "NAME=v1,v2,...", or "NAME=r,g,b;r,g,b;..." for colours (";" separates
// values whenever it appears).
std::vector<AttributeValue> parseWedge(const std::string& text);
TextureBinding parseTextureSetting(const std::string& text);

// What a preview will take, known before any of it is rendered.
struct PreviewEstimate {
    double bytes = 0.0;          // the swatches, the grid and the file's pixels, held at once
    double cameraSamples = 0.0;  // pixels times samples per pixel, over every swatch
};

PreviewEstimate estimatePreview(const PreviewRequest& request, std::size_t hostCount);

// Throws InputError, naming the figure and the options that set it, when the
// images would not fit in `availableBytes` of memory; returns a warning (or
// nothing) when the render would likely run longer than an hour.
std::string checkPreviewBudget(const PreviewEstimate& estimate, double availableBytes, int threads);

// The name of the contact sheet's preset: every preset, one per column.
constexpr const char* kAllPresets = "all";

struct Swatch {
    std::string host;
    std::vector<std::string> labels;  // the host, then what differs from the default, then the grid's values
    std::size_t shared = 0;           // of the labels after the host, how many every swatch has
    Image image;
    RenderStats stats;
};

struct Preview {
    std::vector<std::string> hosts;
    int rows = 1;  // per host
    int columns = 1;
    std::vector<Swatch> swatches;  // host by host, each row by row
    // For the user: a wedge that one host cannot show, a light a host left out.
    std::vector<std::string> notes;
    Metadata metadata;  // what was rendered, and every value of the material per host
    // The previewed material of a single swatch as the hosts were given it
    // (preset, then the file's or the scene's values, then --set).
    ResolvedMaterial previewed;
    bool previewShown = false;  // some object of the scene wears it

    const Swatch& at(std::size_t host, int row, int column) const {
        return swatches[(host * static_cast<std::size_t>(rows) + static_cast<std::size_t>(row)) *
                            static_cast<std::size_t>(columns) +
                        static_cast<std::size_t>(column)];
    }
};

// Throws InputError for a value, a name or a scene no host can take.
Preview renderPreviewSwatches(const PreviewRequest& request, const std::vector<ShadingBackend*>& backends,
                              const ProgressCallback& progress = {});

// The whole picture, linear and unlabelled.
Image composePreview(const Preview& preview);
// One host's swatches on their grid.
Image hostImage(const Preview& preview, std::size_t host);
// The picture to look at: the view transform, then the labels.
DisplayImage labelledPicture(const Preview& preview, const ViewTransform& view);

// A breakdown of the previewed material into the effects of the shading
// model, each what the plug-in returns with every other effect switched off
// through the material's own attributes (a colour or weight set to 0):
// ambient, diffuse, scattering, opposition, backlight, specular,
// incandescence, and irradiance where the host has it. "set" is the rest
// of the picture (the stage, the environment, other objects, and what shows
// through the material); the set and the effects add up to the beauty.
struct Pass {
    std::string name;
    Image image;
};

struct HostPasses {
    std::string host;
    Image beauty;
    std::vector<Pass> passes;  // "set" first, then the effects
};

// The names of the effect passes a host has, in order.
std::vector<std::string> passNames(const ShadingBackend& backend);

// What one pass of one host takes: the switches applied last to the
// previewed material, and whether only its own light is drawn. "beauty" is
// the material as it is; "set" and the names of passNames() as above.
// Throws InputError naming a pass the host lacks.
struct PassRender {
    std::vector<AttributeValue> overrides;
    bool previewOnly = false;
};
PassRender passRender(const ShadingBackend& backend, const std::string& pass);

// One swatch a host: refuses wedges and sheets. Throws InputError.
std::vector<HostPasses> renderPasses(const PreviewRequest& request,
                                     const std::vector<ShadingBackend*>& backends,
                                     const ProgressCallback& progress = {});

// A sheet of labelled swatches, a row per host: the beauty, then each pass.
Preview breakdownSheet(const std::vector<HostPasses>& passes);

// renderPreviewSwatches() composed.
Image renderPreview(const PreviewRequest& request, const std::vector<ShadingBackend*>& backends,
                    const ProgressCallback& progress = {}, std::vector<SwatchStats>* stats = nullptr);

// How two hosts' pictures of the previewed material differ where it covers
// both: the difference (second minus first) and its statistics.
struct HostDifference {
    Image difference;
    std::size_t pixels = 0;  // covered by the material in both
    double meanLuminance[2] = {0.0, 0.0};
    double meanAbsolute = 0.0;  // of the luminance difference
    double rms = 0.0;
    double largest = 0.0;
    int largestX = 0, largestY = 0;
    std::string summary;  // one line
};

// The mean Rec. 709 luminance where alpha is at least a half.
double meanCoveredLuminance(const Image& image);
// The grain of the material's pixels: the RMS of each fully covered pixel's
// luminance less the mean of its eight neighbours (all covered too), over
// the mean luminance there. Shading varies slowly across a ball, so what
// is left is mostly noise.
double highPassNoise(const Image& image);
HostDifference hostDifference(const Image& first, const Image& second, const std::string& firstName,
                              const std::string& secondName);

}  // namespace sorvane::render
