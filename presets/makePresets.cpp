// Makes, from the one preset source, what the command embeds and what Maya
// reads, for the sorvane node and for mental ray's qm7r_sorvane node:
//   makePresets presets.json <attrPresets/sorvane> <presetsData.cpp> <attrPresets/qm7r_sorvane>
// A malformed preset fails the build, naming the preset and the attribute.
// A preset names what differs from the node's defaults, or all of it: the
// attribute presets set every material value, the rest at the material
// table's defaults, so applying one leaves nothing of the last material.
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "maya/nodeAttributes.h"
#include "mentalray/shaderParameters.h"

namespace {

using Json = nlohmann::ordered_json;

struct PresetError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string number(const Json& value, const std::string& where) {
    if (!value.is_number()) throw PresetError(where + ": must be a number");
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value.get<double>());
    return text;
}

// Maya's presets set a colour channel by channel.
void melLines(const std::string& name, const Json& value, bool mentalray, const std::string& where,
              std::ostream& mel) {
    if (value.is_boolean()) {
        mel << "\tblendAttr \"" << name << "\" " << (value.get<bool>() ? 1 : 0) << ";\n";
    } else if (value.is_array()) {
        if (value.size() != 3 && !(mentalray && value.size() == 4)) {
            throw PresetError(where + ": must be a list of 3 numbers, not " + std::to_string(value.size()));
        }
        const char* suffix[] = {"R", "G", "B"};
        for (std::size_t i = 0; i < value.size(); ++i) {
            const std::string v = number(value[i], where + "[" + std::to_string(i) + "]");
            if (i < 3) mel << "\tblendAttr \"" << name << suffix[i] << "\" " << v << ";\n";
        }
    } else {
        mel << "\tblendAttr \"" << name << "\" " << number(value, where) << ";\n";
    }
}

// Whatever is copied into MEL is one of these, so that nothing in the source
// can close a string or a comment and become code in the installed preset.
bool isName(const std::string& text) {
    return !text.empty() && std::isalpha(static_cast<unsigned char>(text[0])) &&
           text.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_") ==
               std::string::npos;
}

std::string oneLine(const Json& body, const std::string& where) {
    if (!body.contains("description")) return "";
    if (!body["description"].is_string()) throw PresetError(where + ".description: must be a string");
    const std::string text = body["description"].get<std::string>();
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            throw PresetError(where + ".description: must be one line, without control characters");
        }
    }
    return text;
}

// The library would keep the last of two values of one key without a word.
Json parseRefusingDuplicates(const std::string& text) {
    std::vector<std::set<std::string>> open;
    return Json::parse(text, [&](int, Json::parse_event_t event, Json& parsed) {
        if (event == Json::parse_event_t::object_start) open.emplace_back();
        if (event == Json::parse_event_t::object_end) open.pop_back();
        if (event == Json::parse_event_t::key && !open.back().insert(parsed.get<std::string>()).second) {
            throw PresetError("\"" + parsed.get<std::string>() + "\" is given twice in one object");
        }
        return true;
    });
}

void writeIfChanged(const std::filesystem::path& path, const std::string& text) {
    std::ifstream old(path, std::ios::binary);
    std::stringstream current;
    current << old.rdbuf();
    if (old && current.str() == text) return;
    old.close();
    const std::filesystem::path temporary = path.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary);
        out << text;
        if (!out.flush()) throw PresetError("cannot write " + temporary.string());
    }
    std::filesystem::rename(temporary, path);
}

using sorvane::mayaplugin::kNodeAttributes;
using sorvane::mayaplugin::NodeAttribute;

// The node's attributes a preset sets: its material inputs.
bool isMaterial(const NodeAttribute& row) { return row.group == NodeAttribute::Group::material; }

const NodeAttribute* nodeAttribute(const std::string& name) {
    for (const NodeAttribute& row : kNodeAttributes) {
        if (isMaterial(row) && name == row.longName) return &row;
    }
    return nullptr;
}

bool isShaderParameter(const std::string& name) {
    for (const sorvane::mrplugin::ShaderParameter& p : sorvane::mrplugin::kShaderParameters) {
        if (name == p.name) return true;
    }
    return false;
}

// What a section may name: "attributes" the values of both hosts, "maya" the
// node's own, "mentalray" the shader's own.
void checkName(const std::string& section, const std::string& name, const std::string& where) {
    const NodeAttribute* row = nodeAttribute(name);
    const bool shader = isShaderParameter(name);
    if (section == "attributes" && !(row && shader)) {
        throw PresetError(where + ": \"" + name + "\" is not a material value of both hosts" +
                          (row      ? " (the node's own: put it under \"maya\")"
                           : shader ? " (the shader's own: put it under \"mentalray\")"
                                    : ""));
    }
    if (section == "maya" && !row)
        throw PresetError(where + ": the node has no material attribute \"" + name + "\"");
    if (section == "mentalray" && !shader) {
        throw PresetError(where + ": the shader has no parameter \"" + name + "\"");
    }
}

// A material value the preset leaves out, at the table's default.
Json defaultValue(const NodeAttribute& row) {
    const Json value = row.defaultValue;
    return row.compound() ? Json::array({value, value, value}) : value;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::cerr << "usage: makePresets presets.json <attrPresets/sorvane> <presetsData.cpp> "
                     "<attrPresets/qm7r_sorvane>\n";
        return 2;
    }
    const std::string input = argv[1];
    try {
        std::ifstream file(input);
        if (!file) throw PresetError("cannot open it");
        std::stringstream text;
        text << file.rdbuf();
        Json document;
        try {
            document = parseRefusingDuplicates(text.str());
        } catch (const Json::parse_error& error) {
            throw PresetError(std::string("not valid JSON: ") + error.what());
        }
        if (!document.is_object() || document.empty()) throw PresetError("must be an object of presets");
        if (text.str().find(")sorvanePresets\"") != std::string::npos) {
            throw PresetError("holds the text that would end the embedded copy");
        }
        std::filesystem::create_directories(argv[2]);
        std::filesystem::create_directories(argv[4]);
        for (const auto& item : document.items()) {
            // Named copies: clang refuses a lambda that captures a structured binding.
            const std::string& preset = item.key();
            const Json& body = item.value();
            const std::string where = "preset \"" + preset + "\"";
            if (!isName(preset)) {
                throw PresetError(where + ": a name is a letter followed by letters, digits or _");
            }
            if (!body.is_object()) throw PresetError(where + ": must be an object");
            std::ostringstream mel, mentalrayMel;
            const std::string description = oneLine(body, where);
            mel << "// sorvane attribute preset \"" << preset << "\": " << description << "\n"
                << "// Made from presets/presets.json when sorvane is built; edit that file instead.\n"
                << "startAttrPreset( \"sorvane\" );\n";
            // The same preset for mental ray's node of the shader, in Maya.
            mentalrayMel
                << "// qm7r_sorvane attribute preset \"" << preset << "\": " << description << "\n"
                << "// Made from presets/presets.json when sorvane is built; edit that file instead.\n"
                << "startAttrPreset( \"qm7r_sorvane\" );\n";
            for (const auto& [section, values] : body.items()) {
                if (section == "description") continue;
                if (section != "attributes" && section != "maya" && section != "mentalray") {
                    throw PresetError(where + ": unknown section \"" + section +
                                      "\" (expected attributes, maya or mentalray)");
                }
                if (!values.is_object()) throw PresetError(where + "." + section + ": must be an object");
                std::ostringstream lines;
                for (const auto& [name, value] : values.items()) {
                    if (!isName(name)) {
                        throw PresetError(where + "." + section + ": \"" + name +
                                          "\" is not an attribute name (letters, digits or _)");
                    }
                    checkName(section, name, where + "." + section);
                    melLines(name, value, section == "mentalray", where + "." + section + "." + name, lines);
                }
                if (section != "mentalray") mel << lines.str();
                if (section != "maya") mentalrayMel << lines.str();
            }
            for (const NodeAttribute& row : kNodeAttributes) {
                if (!isMaterial(row)) continue;
                const auto named = [&](const char* section) {
                    return body.contains(section) && body[section].contains(row.longName);
                };
                if (named("attributes") || named("maya")) continue;
                const std::string where = "the default of " + std::string(row.longName);
                std::ostringstream lines;
                melLines(row.longName, defaultValue(row), false, where, lines);
                mel << lines.str();
                if (row.mentalray) mentalrayMel << lines.str();
            }
            mel << "endAttrPreset();\n";
            mentalrayMel << "endAttrPreset();\n";
            writeIfChanged(std::filesystem::path(argv[2]) / (preset + ".mel"), mel.str());
            writeIfChanged(std::filesystem::path(argv[4]) / (preset + ".mel"), mentalrayMel.str());
        }
        writeIfChanged(argv[3],
                       "// Made from presets/presets.json when sorvane is built.\n"
                       "#include \"presets/presetsData.h\"\n\n"
                       "namespace sorvane::presets {\n\n"
                       "const char* presetsJson() {\n"
                       "    return R\"sorvanePresets(" +
                           text.str() +
                           ")sorvanePresets\";\n"
                           "}\n\n"
                           "}  // namespace sorvane::presets\n");
    } catch (const std::exception& error) {
        std::cerr << input << ": " << error.what() << '\n';
        return 1;
    }
    return 0;
}
