// Writes the .mi declaration of qm7r_sorvane: the hand-written text around
// it, with a line per parameter of the material table in place of the marker.
//
//   sorvane_make_declaration TEMPLATE.mi.in OUTPUT.mi

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "mentalray/shaderParameters.h"

namespace {

using sorvane::mrplugin::ShaderParameter;

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// The declared value keeps a decimal point, as the renderer's own files write it.
std::string declared(double value) {
    std::string text = number(value);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

std::string padded(std::string text, std::size_t width) {
    text.append(text.size() < width ? width - text.size() : 1, ' ');
    return text;
}

const char* typeName(ShaderParameter::Type type) {
    switch (type) {
        case ShaderParameter::Type::color:
            return "color";
        case ShaderParameter::Type::vector:
            return "vector";
        case ShaderParameter::Type::boolean:
            return "boolean";
        case ShaderParameter::Type::scalar:
            break;
    }
    return "scalar";
}

// The declaration's default, then the node factory's: the same values, a
// scalar's hard limits, and the slider narrowed to them.
std::string line(const ShaderParameter& p) {
    const std::string value = declared(p.defaultValue);
    const std::string hint = number(p.defaultValue);
    std::string declaration = "default ";
    std::string hints = "#: default ";
    switch (p.type) {
        case ShaderParameter::Type::color:
            declaration += value + " " + value + " " + value + " 1.0,";
            hints += hint + " " + hint + " " + hint;
            break;
        case ShaderParameter::Type::vector:
            declaration += value + " " + value + " " + value + ",";
            hints += hint + " " + hint + " " + hint;
            break;
        case ShaderParameter::Type::boolean:
            declaration += p.defaultValue != 0.0f ? "on," : "off,";
            hints += p.defaultValue != 0.0f ? "1" : "0";
            break;
        case ShaderParameter::Type::scalar: {
            declaration += value + ",";
            hints += hint;
            if (p.min.present) hints += " min " + number(p.min.value);
            if (p.max.present) hints += " max " + number(p.max.value);
            const double softMin = p.min.present ? std::max(p.softMin, p.min.value) : p.softMin;
            const double softMax = p.max.present ? std::min(p.softMax, p.max.value) : p.softMax;
            hints += " softmin " + number(softMin) + " softmax " + number(softMax);
            break;
        }
    }
    const bool compound = p.type == ShaderParameter::Type::color || p.type == ShaderParameter::Type::vector;
    return "        " + padded(typeName(p.type), 8) + padded(std::string("\"") + p.name + "\"", 22) +
           padded(declaration, compound ? 26 : 15) + hints + "\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: " << argv[0] << " TEMPLATE.mi.in OUTPUT.mi\n";
        return 2;
    }
    const std::string source = argv[1];
    const std::string output = argv[2];
    std::ifstream in(source);
    if (!in) {
        std::cerr << source << ": cannot be read\n";
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    std::string mi = text.str();

    const std::string marker = "@SORVANE_PARAMETERS@\n";
    const std::size_t at = mi.find(marker);
    if (at == std::string::npos || mi.find(marker, at + 1) != std::string::npos) {
        std::cerr << source << ": needs the line @SORVANE_PARAMETERS@ exactly once\n";
        return 1;
    }
    std::string parameters;
    for (const ShaderParameter& p : sorvane::mrplugin::kShaderParameters) parameters += line(p);
    mi.replace(at, marker.size(), parameters);

    // Written aside and renamed, so a failed write leaves the last good file.
    const std::string partial = output + ".partial";
    {
        std::ofstream out(partial, std::ios::binary);
        out << mi;
        if (!out.flush()) {
            std::cerr << partial << ": cannot be written\n";
            std::remove(partial.c_str());
            return 1;
        }
    }
    std::remove(output.c_str());
    if (std::rename(partial.c_str(), output.c_str()) != 0) {
        std::cerr << output << ": cannot be replaced\n";
        std::remove(partial.c_str());
        return 1;
    }
    return 0;
}
