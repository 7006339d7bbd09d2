#pragma once

// The two backends: each loads its built plug-in into its host and shades
// through it. Both throw cli::InputError when the plug-in cannot be loaded.

#include <memory>

#include "cli/hostCommands.h"
#include "cli/render/shadingBackend.h"

namespace sorvane::render {

std::unique_ptr<ShadingBackend> openMayaBackend(const cli::PluginPaths& paths);
std::unique_ptr<ShadingBackend> openMentalrayBackend(const cli::PluginPaths& paths);

// A material value as a host attribute of `kind` takes it: a colour from one
// value (grey) or three (four where `allowAlpha`), a boolean from true/false
// or a number. Throws InputError naming the value and where it came from.
std::array<float, 4> convertValue(const AttributeValue& value, AttributeKind kind, bool allowAlpha,
                                  const std::string& host);

}  // namespace sorvane::render
