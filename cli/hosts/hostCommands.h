#pragma once

// What each host offers the inspect and shade commands. Both load the built
// plug-in through the host, exactly as the renderer would.

#include <iosfwd>
#include <memory>

#include "cli/common/inputError.h"
#include "cli/common/pluginPaths.h"
#include "cli/shade/shadeSession.h"

namespace sorvane::cli {

// Print the JSON document of what the plug-in registered; throw InputError
// when the plug-in cannot be loaded or set up.
void inspectMaya(const PluginPaths& paths, std::ostream& out);
void inspectMentalray(const PluginPaths& paths, std::ostream& out);

std::unique_ptr<ShadeSession> openMayaShadeSession(const PluginPaths& paths);
std::unique_ptr<ShadeSession> openMentalrayShadeSession(const PluginPaths& paths);

}  // namespace sorvane::cli
