#pragma once

// The hosts the command knows, each by what it offers the commands: inspect,
// a shade session and a render backend, all loading the built plug-in into
// that host. The commands ask this list, so a host is one folder under
// cli/hosts/ and one entry in hostRegistry.cpp.
//
//   for (const HostEntry& host : registeredHosts()) backends.push_back(host.openBackend(paths));
//   findHost("maya").inspect(paths, std::cout);

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "cli/common/pluginPaths.h"
#include "cli/render/shadingBackend.h"
#include "cli/shade/shadeSession.h"

namespace sorvane::cli {

struct HostEntry {
    std::string name;  // as --host takes it: "maya", "mentalray"
    // Print the JSON document of what the plug-in registered.
    void (*inspect)(const PluginPaths& paths, std::ostream& out);
    std::unique_ptr<ShadeSession> (*openShadeSession)(const PluginPaths& paths);
    std::unique_ptr<render::ShadingBackend> (*openBackend)(const PluginPaths& paths);
};

// In the order their swatches stand side by side.
const std::vector<HostEntry>& registeredHosts();
std::vector<std::string> hostNames();
// The host of that name; the names are checked where --host is read, so an
// unknown one here is a fault of the caller (std::invalid_argument).
const HostEntry& findHost(const std::string& name);

}  // namespace sorvane::cli
