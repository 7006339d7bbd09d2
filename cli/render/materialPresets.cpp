#include "cli/render/materialPresets.h"

#include "cli/common/nameSuggestions.h"
#include "cli/render/sceneFile.h"
#include "presets/presetsData.h"

namespace sorvane::render {

namespace {

std::vector<Preset> parsePresets() {
    // In the file's order, which --list-presets shows.
    const cli::OrderedJson document = cli::OrderedJson::parse(presets::presetsJson());
    std::vector<Preset> presets;
    for (const auto& [name, ordered] : document.items()) {
        const Json body = Json::parse(ordered.dump());
        Preset preset;
        preset.name = name;
        preset.description = body.value("description", "");
        const std::pair<const char*, HostScope> sections[] = {
            {"attributes", HostScope::all}, {"maya", HostScope::maya}, {"mentalray", HostScope::mentalray}};
        for (const auto& [section, scope] : sections) {
            if (!body.contains(section)) continue;
            for (const auto& [attribute, value] : ordered[section].items()) {
                AttributeValue v =
                    parseAttributeValue(attribute, Json::parse(value.dump()), name + "." + attribute);
                v.scope = scope;
                v.origin = "preset \"" + name + "\"";
                preset.values.push_back(v);
            }
        }
        presets.push_back(std::move(preset));
    }
    return presets;
}

}  // namespace

const std::vector<Preset>& materialPresets() {
    static const std::vector<Preset> presets = parsePresets();
    return presets;
}

const Preset* findPreset(const std::string& name) {
    for (const Preset& preset : materialPresets()) {
        if (preset.name == name) return &preset;
    }
    return nullptr;
}

std::vector<std::string> presetNames() {
    std::vector<std::string> names;
    for (const Preset& preset : materialPresets()) names.push_back(preset.name);
    return names;
}

ResolvedMaterial resolveMaterial(const Material& material, const std::string& field) {
    ResolvedMaterial resolved;
    const Preset* preset = findPreset(material.preset);
    if (preset == nullptr) {
        std::string known;
        for (const std::string& name : presetNames()) known += (known.empty() ? "" : ", ") + name;
        throw InputError(field, "unknown preset \"" + material.preset + "\"" +
                                    cli::didYouMean(material.preset, presetNames()) + " (presets: " + known +
                                    ")");
    }
    resolved.values = preset->values;
    resolved.values.insert(resolved.values.end(), material.attributes.begin(), material.attributes.end());
    resolved.textures = material.textures;
    return resolved;
}

}  // namespace sorvane::render
