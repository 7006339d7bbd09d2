#pragma once

// What each host offers the inspect and shade commands. Both load the built
// plug-in through the host, exactly as the renderer would.

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/common/inputError.h"
#include "cli/common/pluginPaths.h"
#include "cli/shade/shadeSession.h"

namespace sorvane::cli {

// Print the JSON document of what the plug-in registered; throw InputError
// when the plug-in cannot be loaded or set up.
void inspectMaya(const PluginPaths& paths, std::ostream& out);
void inspectMentalray(const PluginPaths& paths, std::ostream& out);

std::unique_ptr<ShadeSession> openMayaShadeSession(const PluginPaths& paths);

// One parameter of the mental ray shader as its declaration file gives it,
// with the node factory's hints: what a user interface needs to show it.
struct ShaderParameterInfo {
    std::string name;
    std::string type;                  // "color", "scalar", "boolean", "vector", ...
    std::vector<double> defaultValue;  // a colour has four; a boolean 0 or 1
    std::optional<double> min, max, softMin, softMax;
};

// Every parameter but the light array, in declaration order. Throws
// InputError when the declaration cannot be read.
std::vector<ShaderParameterInfo> describeMentalrayParameters(const PluginPaths& paths);
std::unique_ptr<ShadeSession> openMentalrayShadeSession(const PluginPaths& paths);

}  // namespace sorvane::cli
