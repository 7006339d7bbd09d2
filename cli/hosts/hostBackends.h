#pragma once

// The two backends: each loads its built plug-in into its host and shades
// through it. Both throw cli::LoadError when the plug-in cannot be loaded.

#include <memory>

#include "cli/hosts/hostCommands.h"
#include "cli/render/materialValues.h"
#include "cli/render/shadingBackend.h"

namespace sorvane::render {

std::unique_ptr<ShadingBackend> openMayaBackend(const cli::PluginPaths& paths);
std::unique_ptr<ShadingBackend> openMentalrayBackend(const cli::PluginPaths& paths);

}  // namespace sorvane::render
