// What the readers and writers share: the schema, formats by extension, the
// FILE[:NAME] reference, and reading a file into whichever reader fits.
#include "cli/material/materialFiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/common/nameSuggestions.h"
#include "cli/material/materialReaders.h"

namespace sorvane::material {

Schema::Schema(std::vector<AttributeSpec> attributes) {
    for (const AttributeSpec& spec : attributes) add(spec);
}

void Schema::add(const AttributeSpec& spec) {
    for (AttributeSpec& known : attributes_) {
        if (known.name != spec.name) continue;
        known.maya = known.maya || spec.maya;
        known.mentalray = known.mentalray || spec.mentalray;
        if (known.shortName.empty()) known.shortName = spec.shortName;
        if (known.childNames[0].empty()) known.childNames = spec.childNames;
        if (known.childShortNames[0].empty()) known.childShortNames = spec.childShortNames;
        if (known.defaults.empty()) known.defaults = spec.defaults;
        return;
    }
    attributes_.push_back(spec);
}

const AttributeSpec* Schema::find(std::string_view name) const {
    for (const AttributeSpec& spec : attributes_) {
        if (spec.name == name) return &spec;
    }
    return nullptr;
}

const AttributeSpec* Schema::findMaya(std::string_view name, int& channel) const {
    channel = -1;
    for (const AttributeSpec& spec : attributes_) {
        if (!spec.maya) continue;
        if (spec.name == name || spec.shortName == name) return &spec;
        for (int i = 0; i < 3; ++i) {
            const std::size_t c = static_cast<std::size_t>(i);
            if ((!spec.childNames[c].empty() && spec.childNames[c] == name) ||
                (!spec.childShortNames[c].empty() && spec.childShortNames[c] == name)) {
                channel = i;
                return &spec;
            }
        }
    }
    return nullptr;
}

std::vector<std::string> Schema::names() const {
    std::vector<std::string> out;
    for (const AttributeSpec& spec : attributes_) out.push_back(spec.name);
    return out;
}

bool fileFormatFor(const std::string& path, FileFormat& format) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == ".ma") {
        format = FileFormat::mayaAscii;
    } else if (extension == ".mi") {
        format = FileFormat::mentalray;
    } else if (extension == ".mel") {
        format = FileFormat::melPreset;
    } else if (extension == ".json") {
        format = FileFormat::presetJson;
    } else {
        return false;
    }
    return true;
}

const char* formatName(FileFormat format) {
    switch (format) {
        case FileFormat::mayaAscii:
            return "Maya ASCII scene";
        case FileFormat::mentalray:
            return "mental ray scene";
        case FileFormat::melPreset:
            return "Maya attribute preset";
        case FileFormat::presetJson:
            return "preset file";
    }
    return "?";
}

std::vector<StoredMaterial> readMaterials(std::string_view text, FileFormat format, const std::string& file,
                                          const Schema& schema) {
    switch (format) {
        case FileFormat::mayaAscii:
            return readMayaAscii(text, file, schema);
        case FileFormat::mentalray:
            return readMentalrayScene(text, file, schema);
        case FileFormat::melPreset:
            return readMelPreset(text, file, schema);
        case FileFormat::presetJson:
            return readPresetJson(text, file, schema);
    }
    return {};
}

std::vector<StoredMaterial> readMaterialFile(const std::string& path, const Schema& schema) {
    FileFormat format;
    if (!fileFormatFor(path, format)) {
        throw InputError(path, "unknown kind of file (materials are read from .ma, .mi, .mel and .json)");
    }
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) throw InputError(path, "is a folder, not a file");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw InputError(path, "cannot be read");
    std::ostringstream text;
    text << in.rdbuf();
    std::vector<StoredMaterial> found = readMaterials(text.str(), format, path, schema);
    if (found.empty()) {
        const char* sought = format == FileFormat::mayaAscii ? "no sorvane node (createNode sorvane)"
                             : format == FileFormat::mentalray
                                 ? "no qm7r_sorvane shader (shader \"NAME\" \"qm7r_sorvane\" (...))"
                                 : "no preset";
        throw InputError(path, std::string("holds ") + sought);
    }
    return found;
}

MaterialReference parseMaterialReference(const std::string& text) {
    const std::size_t slash = text.find_last_of("/\\");
    const std::size_t colon = text.rfind(':');
    // A drive letter (C:\...) is no name.
    if (colon == std::string::npos || (slash != std::string::npos && colon < slash) || colon == 1) {
        return {text, ""};
    }
    return {text.substr(0, colon), text.substr(colon + 1)};
}

const StoredMaterial& findMaterial(const std::vector<StoredMaterial>& materials, const std::string& name,
                                   const std::string& file) {
    std::vector<std::string> names;
    for (const StoredMaterial& m : materials) {
        if (m.name == name) return m;
        names.push_back(m.name);
    }
    std::string list;
    for (const std::string& n : names) list += (list.empty() ? "" : ", ") + n;
    throw InputError(file, "holds no material \"" + name + "\"" + cli::didYouMean(name, names) +
                               " (it holds " + list + ")");
}

std::vector<std::string> valuesLacking(const StoredMaterial& material, const Schema& schema, HostScope host) {
    std::vector<std::string> out;
    for (const StoredValue& value : material.values) {
        if (value.scope != HostScope::all) continue;
        const AttributeSpec* spec = schema.find(value.name);
        if (spec == nullptr) continue;
        const bool has = host == HostScope::maya        ? spec->maya
                         : host == HostScope::mentalray ? spec->mentalray
                                                        : true;
        if (!has && std::find(out.begin(), out.end(), value.name) == out.end()) out.push_back(value.name);
    }
    return out;
}

std::string checkMaterialName(const std::string& name) {
    if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0])) ||
        name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") !=
            std::string::npos) {
        return "a name is a letter followed by letters, digits or _";
    }
    return {};
}

}  // namespace sorvane::material
