#pragma once

// Both hosts' render backends, each loaded once for the whole benchmark run
// (0: Maya, 1: mental ray), so that loading is never timed.

#include <memory>

#include "cli/hosts/hostBackends.h"

namespace sorvane::bench {

inline render::ShadingBackend& loadedBackend(int host) {
    static const std::unique_ptr<render::ShadingBackend> maya =
        render::openMayaBackend(cli::defaultPluginPaths());
    static const std::unique_ptr<render::ShadingBackend> mentalray =
        render::openMentalrayBackend(cli::defaultPluginPaths());
    return host == 0 ? *maya : *mentalray;
}

}  // namespace sorvane::bench
