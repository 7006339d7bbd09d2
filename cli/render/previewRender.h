#pragma once

// The render command's work apart from its options: the scene with the
// command's material changes, one swatch per host and wedge value, laid out
// as a grid (a row per host, a column per wedge value).

#include <string>
#include <vector>

#include "cli/render/renderer.h"

namespace sorvane::render {

struct PreviewRequest {
    Scene scene = defaultScene();       // world space
    std::string preset;                 // empty: keep the scene's
    std::vector<std::string> settings;  // --set NAME=VALUE
    std::string wedge;                  // --wedge NAME=v1,v2,... (empty: none)
    std::vector<std::string> textures;  // --texture NAME=checker
    RenderSettings render;
};

struct SwatchStats {
    std::string host;
    RenderStats stats;
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

// Throws InputError for a value, a name or a scene no host can take.
Image renderPreview(const PreviewRequest& request, const std::vector<ShadingBackend*>& backends,
                    const ProgressCallback& progress = {}, std::vector<SwatchStats>* stats = nullptr);

}  // namespace sorvane::render
