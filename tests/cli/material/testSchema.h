#pragma once

// The attribute table the tests read against: the node's and the shader's
// attributes as the hosts describe them (a few of each kind).

#include "cli/material/materialFiles.h"

namespace sorvane::material {

inline MaterialAttribute colorSpec(const std::string& name, const std::string& shortName, bool maya,
                                   bool mentalray, float value) {
    MaterialAttribute s;
    s.name = name;
    s.shortName = shortName;
    s.kind = ValueKind::color;
    s.defaults = {value, value, value};
    s.maya = maya;
    s.mentalray = mentalray;
    if (maya) {
        s.childNames = {name + "R", name + "G", name + "B"};
        s.childShortNames = {shortName + "r", shortName + "g", shortName + "b"};
    }
    return s;
}

inline MaterialAttribute scalarSpec(const std::string& name, const std::string& shortName, bool maya,
                                    bool mentalray, float value, ValueKind kind = ValueKind::scalar) {
    MaterialAttribute s;
    s.name = name;
    s.shortName = shortName;
    s.kind = kind;
    s.defaults = {value};
    s.maya = maya;
    s.mentalray = mentalray;
    return s;
}

inline Schema testSchema() {
    return Schema(
        {colorSpec("color", "c", true, true, 0.5f), colorSpec("transparency", "it", true, false, 0.0f),
         scalarSpec("diffuse", "dfl", true, true, 0.8f), scalarSpec("scattering", "sctr", true, true, 0.3f),
         scalarSpec("subsurfaceIntensity", "", false, true, 0.22f),
         scalarSpec("useIrradiance", "", false, true, 0.0f, ValueKind::boolean),
         colorSpec("irradianceColor", "", false, true, 1.0f)});
}

}  // namespace sorvane::material
