#pragma once

namespace sorvane::presets {

// presets/presets.json as it was when the command was built: the one source
// of the material presets, from which Maya's attribute presets are made too.
const char* presetsJson();

}  // namespace sorvane::presets
