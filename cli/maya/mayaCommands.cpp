// Placeholder until the Maya host lands.
#include "cli/hostCommands.h"

namespace sorvane::cli {

void inspectMaya(const PluginPaths&, std::ostream&) { throw LoadError("the Maya host is not built yet"); }

std::unique_ptr<ShadeSession> openMayaShadeSession(const PluginPaths&) {
    throw LoadError("the Maya host is not built yet");
}

}  // namespace sorvane::cli
