#pragma once

// What each host offers the inspect and shade commands. Both load the built
// plug-in through the host, exactly as the renderer would.

#include <iosfwd>
#include <memory>
#include <stdexcept>

#include "cli/common/pluginPaths.h"
#include "cli/shade/shadeSession.h"

namespace sorvane::cli {

// The plug-in could not be loaded or set up; what() says why.
class LoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Print the JSON document of what the plug-in registered; throw LoadError.
void inspectMaya(const PluginPaths& paths, std::ostream& out);
void inspectMentalray(const PluginPaths& paths, std::ostream& out);

std::unique_ptr<ShadeSession> openMayaShadeSession(const PluginPaths& paths);
std::unique_ptr<ShadeSession> openMentalrayShadeSession(const PluginPaths& paths);

}  // namespace sorvane::cli
