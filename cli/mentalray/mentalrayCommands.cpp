// Placeholder until the mental ray host lands.
#include "cli/hostCommands.h"

namespace sorvane::cli {

void inspectMentalray(const PluginPaths&, std::ostream&) {
    throw LoadError("the mental ray host is not built yet");
}

std::unique_ptr<ShadeSession> openMentalrayShadeSession(const PluginPaths&) {
    throw LoadError("the mental ray host is not built yet");
}

}  // namespace sorvane::cli
