// Placeholder until the Maya host lands.
#include "cli/render/hostBackends.h"

namespace sorvane::render {

std::unique_ptr<ShadingBackend> openMayaBackend(const cli::PluginPaths&) {
    throw cli::LoadError("the Maya host is not built yet");
}

}  // namespace sorvane::render
