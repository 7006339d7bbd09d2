#pragma once

// The bridge between the material files (cli/material) and the preview: the
// attribute table the hosts in use describe, a stored material as a scene
// material, and a rendered material as one to write back.

#include <string>
#include <vector>

#include "cli/material/materialFiles.h"
#include "cli/render/materialPresets.h"
#include "cli/render/shadingBackend.h"

namespace sorvane::render {

// Every material attribute of the given hosts, merged by name.
material::Schema materialSchema(const std::vector<ShadingBackend*>& backends);

// A stored material on the node's and the shader's defaults (the "default"
// preset), each value named by where it stands ("look.ma:12").
SceneMaterial sceneMaterial(const material::StoredMaterial& stored);

// A material as the hosts were given it, whole (the preset's values, then
// its own, later winning), to write back under `name`.
material::StoredMaterial storedMaterial(const std::string& name, const std::string& description,
                                        const ResolvedMaterial& material, const material::Schema& schema);

}  // namespace sorvane::render
