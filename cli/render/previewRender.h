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

// Throws InputError for a value, a name or a scene no host can take.
Image renderPreview(const PreviewRequest& request, const std::vector<ShadingBackend*>& backends,
                    const ProgressCallback& progress = {}, std::vector<SwatchStats>* stats = nullptr);

}  // namespace sorvane::render
