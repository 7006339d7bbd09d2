#pragma once

// A material written out in the three forms a pipeline takes: a preset for
// presets.json, Maya's attribute preset (.mel) and a mental ray shader
// statement (.mi). Each is made from the values as each host takes them
// (materialSchema.h), so what is written is what the swatches showed.

#include <string>

#include "cli/studio/materialSchema.h"

namespace sorvane::studio {

// { "NAME": {"description": ..., "attributes": {...}, "maya": {...}, "mentalray": {...}} }:
// values the hosts share under one name, then each host's own.
std::string presetJsonText(const HostValues& values, const std::string& name, const std::string& description);

// startAttrPreset( "sorvane" ); blendAttr "colorR" 0.5; ... endAttrPreset();
std::string mayaAttributePreset(const HostValues& values, const std::string& name);

// shader "NAME" "qm7r_sorvane" ( "color" 0.5 0.5 0.5 1, ... ) ; the lights
// are the scene's and are left to it.
std::string mentalrayShaderStatement(const HostValues& values, const std::string& name);

// A name each of the three forms can carry: letters, digits and underscores,
// starting with a letter. Throws InputError naming `field`.
void checkMaterialName(const std::string& name, const std::string& field);

}  // namespace sorvane::studio
