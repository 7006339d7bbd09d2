// The project's presets: {"NAME": {"description": ..., "attributes": {...},
// "maya": {...}, "mentalray": {...}}}, as presets/presets.json holds them
// and --save-preset writes them. A value is a number, true/false, or a list
// of 3 numbers (4 for a mental ray colour); one number sets a grey colour.
#include <cmath>
#include <map>

#include "cli/common/jsonValues.h"
#include "cli/common/nameSuggestions.h"
#include "cli/material/materialReaders.h"

namespace sorvane::material {

namespace {

// The line of each key at the first and third level ("jade", and
// "jade/attributes/diffuse"), for messages: the parser keeps no positions.
std::map<std::string, int> keyLines(std::string_view text) {
    std::map<std::string, int> lines;
    std::vector<std::string> path;  // the key that opened each level
    std::string lastKey;
    int line = 1, depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') ++line;
        if (c == '{') {
            ++depth;
            path.push_back(lastKey);
        } else if (c == '}') {
            --depth;
            if (!path.empty()) path.pop_back();
        } else if (c == '"') {
            std::string s;
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\') ++i;
                if (i < text.size()) s += text[i];
            }
            std::size_t j = i + 1;
            while (j < text.size() &&
                   (text[j] == ' ' || text[j] == '\t' || text[j] == '\r' || text[j] == '\n'))
                ++j;
            if (j < text.size() && text[j] == ':') {
                lastKey = s;
                std::string key;
                for (std::size_t k = 1; k < path.size(); ++k) key += path[k] + "/";
                key += s;
                if (!lines.count(key)) lines[key] = line;
            }
        }
    }
    return lines;
}

int lineOf(const std::string& text, std::size_t byte) {
    int line = 1;
    for (std::size_t i = 0; i < byte && i < text.size(); ++i) line += text[i] == '\n' ? 1 : 0;
    return line;
}

}  // namespace

std::vector<StoredMaterial> readPresetJson(std::string_view view, const std::string& file,
                                           const Schema& schema) {
    const std::string text(view);
    cli::Json document;
    try {
        document = cli::parseJson(text);
    } catch (const cli::Json::parse_error& error) {
        throw InputError(file + ":" + std::to_string(lineOf(text, error.byte)),
                         "not valid JSON: " + std::string(error.what()));
    } catch (const InputError& error) {
        // A key given twice: its second place in the text.
        const std::string key = "\"" + error.field() + "\"";
        std::size_t at = text.find(key);
        if (at != std::string::npos) at = text.find(key, at + 1);
        throw InputError(file + (at == std::string::npos ? "" : ":" + std::to_string(lineOf(text, at))),
                         error.what());
    }
    const std::map<std::string, int> lines = keyLines(text);
    const auto at = [&](const std::string& key) {
        const auto found = lines.find(key);
        return file + ":" + std::to_string(found == lines.end() ? 1 : found->second);
    };
    if (!document.is_object()) throw InputError(file + ":1", "a preset file is an object of presets by name");
    // In the file's order, as --list-presets shows them.
    const cli::OrderedJson ordered = cli::OrderedJson::parse(text);
    std::vector<StoredMaterial> out;
    for (const auto& [name, body] : ordered.items()) {
        if (!body.is_object()) throw InputError(at(name), "preset \"" + name + "\" must be an object");
        StoredMaterial material;
        material.name = name;
        material.file = file;
        material.line = std::stoi(at(name).substr(file.size() + 1));
        for (const auto& [section, values] : body.items()) {
            const std::string where = name + "/" + section;
            if (section == "description") {
                if (!values.is_string()) throw InputError(at(where), "a description is a string");
                material.description = values.get<std::string>();
                continue;
            }
            HostScope scope;
            if (section == "attributes") {
                scope = HostScope::all;
            } else if (section == "maya") {
                scope = HostScope::maya;
            } else if (section == "mentalray") {
                scope = HostScope::mentalray;
            } else {
                throw InputError(
                    at(where),
                    "unknown section \"" + section + "\"" +
                        cli::didYouMean(section, {"description", "attributes", "maya", "mentalray"}) +
                        " (a preset holds description, attributes, maya and mentalray)");
            }
            if (!values.is_object()) throw InputError(at(where), "\"" + section + "\" must be an object");
            for (const auto& [attribute, json] : values.items()) {
                const std::string field = at(where + "/" + attribute);
                const MaterialAttribute* info = schema.find(attribute);
                const bool known = info != nullptr && (scope == HostScope::maya        ? info->maya
                                                       : scope == HostScope::mentalray ? info->mentalray
                                                                                       : true);
                if (!known) {
                    throw InputError(field, "no material attribute \"" + attribute + "\"" +
                                                (scope == HostScope::all ? "" : " in " + section) +
                                                cli::didYouMean(attribute, schema.names()));
                }
                StoredValue value;
                value.name = attribute;
                value.kind = info->kind;
                value.scope = scope;
                value.line = std::stoi(field.substr(file.size() + 1));
                const std::string what = "\"" + attribute + "\"";
                const bool color = info->kind == ValueKind::color || info->kind == ValueKind::vector;
                if (info->kind == ValueKind::boolean) {
                    if (!json.is_boolean()) throw InputError(field, what + " takes true or false");
                    value.numbers = {json.get<bool>() ? 1.0f : 0.0f};
                } else if (json.is_number() && (info->kind != ValueKind::vector)) {
                    const float v = cli::readFloat(cli::Json::parse(json.dump()), what);
                    if (!std::isfinite(v)) throw InputError(field, what + " must be finite");
                    if (info->kind == ValueKind::integer && v != std::floor(v))
                        throw InputError(field, what + " takes a whole number");
                    value.numbers = color ? std::vector<float>{v, v, v} : std::vector<float>{v};
                } else if (json.is_array() && color) {
                    const std::size_t most = info->kind == ValueKind::color && info->mentalray ? 4 : 3;
                    if (json.size() != 3 && json.size() != most) {
                        throw InputError(field, what + " takes " + (most == 4 ? "3 or 4" : std::string("3")) +
                                                    " numbers, not " + std::to_string(json.size()));
                    }
                    for (std::size_t i = 0; i < json.size(); ++i) {
                        if (!json[i].is_number())
                            throw InputError(field, what + "[" + std::to_string(i) + "] is not a number");
                        const float v = json[i].get<float>();
                        if (!std::isfinite(v)) throw InputError(field, what + " must be finite");
                        value.numbers.push_back(v);
                    }
                } else {
                    throw InputError(field,
                                     what + (color ? " takes a list of 3 numbers" : " takes one number"));
                }
                material.values.push_back(std::move(value));
            }
        }
        out.push_back(std::move(material));
    }
    return out;
}

}  // namespace sorvane::material
