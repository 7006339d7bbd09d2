#pragma once

// The PNG's view transform from an OpenColorIO config: the display and view
// the user names, from the renderer's linear values (the config's
// scene_linear role) to the display's code values.

#include <memory>
#include <string>

#include "cli/render/viewTransform.h"

namespace sorvane::render {

// The config `configPath` names (the caller reads $OCIO). An empty display
// or view is the config's default. Throws InputError: no config, one that
// will not load, or a display or view it lacks (listing those it has).
std::shared_ptr<const DisplayTransform> ocioDisplayTransform(const std::string& configPath,
                                                             const std::string& display,
                                                             const std::string& view);

}  // namespace sorvane::render
