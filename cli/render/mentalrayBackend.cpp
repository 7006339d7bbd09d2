// Placeholder until the mental ray host lands.
#include "cli/render/hostBackends.h"

namespace sorvane::render {

std::unique_ptr<ShadingBackend> openMentalrayBackend(const cli::PluginPaths&) {
    throw cli::LoadError("the mental ray host is not built yet");
}

}  // namespace sorvane::render
