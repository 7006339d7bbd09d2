#pragma once

// The scene file: JSON, every key optional (what is left out comes from the
// default scene). Vectors and colours are lists of three numbers.
//
// {
//   "camera": {"position": [0, 1.5, 6.2], "lookAt": [0, 0.8, 0], "up": [0, 1, 0],
//              "fieldOfView": 30},
//   "environment": {"sky": [0.008, 0.008, 0.0085], "ground": [0.008, 0.008, 0.0085]},
//   (or "environment": {"file": "studio.exr", "intensity": 1, "rotate": 90}: a linear
//    lat-long OpenEXR image, relative to the scene file, turned by degrees about the vertical)
//   "material": {"preset": "jade", "attributes": {"diffuse": 0.6, "color": [0.2, 0.5, 0.3]},
//                "textures": {"color": "checker"}},
//   "objects": [
//     {"type": "sphere", "center": [0, 1, 0], "radius": 1, "material": "preview"},
//     {"type": "plane", "point": [0, 0, 0], "normal": [0, 1, 0], "radius": 0, "material": "stage"},
//     {"type": "mesh", "mesh": "torusknot", "center": [2.5, 1, 0], "radius": 1},
//     {"type": "plane", "point": [0, 0, -9], "normal": [0, 0, 1],
//      "material": {"attributes": {"color": 0.6}, "textures": {"color": {"type": "checker",
//                   "checks": 1, "dark": 0.5}}}}],
//   "lights": [
//     {"name": "key", "type": "area", "position": [-3, 4, 3], "aim": [0, 0.8, 0],
//      "width": 1.8, "height": 1.8, "samples": 8, "color": [1, 0.95, 0.9], "intensity": 1},
//     {"type": "point", "position": [4, 2, 3], "intensity": 0.4, "decayRate": 0},
//     {"type": "spot", "position": [1, 3, -4], "aim": [0, 1, 0], "coneAngle": 36,
//      "penumbraAngle": 8, "dropoff": 0},
//     {"type": "directional", "direction": [0, -1, -1]},
//     {"type": "ambient", "intensity": 0.1}]
// }
//
// A mesh ("torusknot", or an OBJ file, relative to the scene file's folder)
// takes the place a sphere of that centre and radius would (see scene.h).
// An object's "material" is "preview" (the material under test, which the
// command's options change), "stage" (the set's 18% grey matte, shaded by the
// renderer itself and so alike for both hosts; it fades into the environment
// beyond the previewed object) or a material of its own, shaded by the hosts. Lights take "shadows"
// (default true). Area lights take "samples" (default 8); point and spot
// lights a "lightRadius" and "samples" for soft shadows in the Maya host,
// whose area lights are point lights at their centre with shadow rays spread
// over the area. The mental ray host samples a point or spot light once and
// has no ambient light. An environment image lights the scene with
// directional lights made from it, beside the file's lights, or instead of
// the default scene's when the file gives none.

#include <string>

#include "cli/common/jsonValues.h"
#include "cli/render/scene.h"

namespace sorvane::render {

using cli::InputError;
using cli::Json;

// Throws InputError naming the file and the field.
Scene readSceneFile(const std::string& path);
// `directory`: where a relative environment or mesh file is looked for.
Scene parseScene(const Json& document, const std::string& directory = "");

SceneMaterial parseMaterial(const Json& value, const std::string& field);
AttributeValue parseAttributeValue(const std::string& name, const Json& value, const std::string& field);

}  // namespace sorvane::render
