#pragma once

// The material presets, read from presets/presets.json as the command was
// built with it, and a material's values once its preset is applied.

#include <string>
#include <vector>

#include "cli/render/scene.h"

namespace sorvane::render {

struct Preset {
    std::string name;
    std::string description;
    std::vector<AttributeValue> values;  // "attributes" for all hosts, then each host's own
};

const std::vector<Preset>& materialPresets();
const Preset* findPreset(const std::string& name);
std::vector<std::string> presetNames();

// A material as the hosts get it: the preset's values, then the material's
// own, in order (later values win); textures as given.
struct ResolvedMaterial {
    std::vector<AttributeValue> values;
    std::vector<TextureBinding> textures;
};

// Throws InputError for an unknown preset.
ResolvedMaterial resolveMaterial(const SceneMaterial& material, const std::string& field);

}  // namespace sorvane::render
