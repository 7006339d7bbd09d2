#pragma once

// Environments from files: a linear lat-long OpenEXR image read and checked,
// and the scene lit by it (see lighting/environmentMap.h for the map's
// frame and how its lights are chosen).

#include <memory>
#include <string>
#include <vector>

#include "cli/render/scene.h"
#include "lighting/environmentMap.h"

namespace sorvane::render {

// Pixels beyond this many are refused: the map is held as floats, and a few
// thousand columns already resolve a sun.
constexpr long long kEnvironmentPixelLimit = 8192LL * 4096LL;

// How many directional lights an environment becomes (see the README).
constexpr int kEnvironmentLights = 128;

// Throws InputError naming the file: missing, not OpenEXR, without R, G and
// B (or Y), empty, too large, or with a pixel that is not finite or is negative.
std::shared_ptr<const lighting::EnvironmentMap> readEnvironmentMap(const std::string& path);

// Lights `scene` (world space) by the environment: the backdrop shows it and
// kEnvironmentLights directional lights made from it join the scene's
// lights (replace them, with `replaceLights`), turned by `rotate` degrees
// about the world's vertical and scaled by `intensity`.
void applyEnvironment(Scene& scene, std::shared_ptr<const lighting::EnvironmentMap> map,
                      const std::string& name, float intensity, float rotate, bool replaceLights);

// Lights the scene by its environmentImage, when it has one, as above; the
// notes say what the user should know (an image black everywhere gives no
// light). Throws InputError naming the file.
std::vector<std::string> lightByEnvironment(Scene& scene);

// The .exr files of a directory, by name; none when it is missing.
std::vector<std::string> environmentFilesIn(const std::string& directory);

}  // namespace sorvane::render
