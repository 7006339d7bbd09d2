#pragma once

// A material value checked against the kind of attribute a host gives it,
// alike for every host, so each backend refuses the same values in the same
// words.

#include <array>
#include <string>

#include "cli/render/scene.h"
#include "cli/render/shadingBackend.h"

namespace sorvane::render {

// A material value as a host attribute of `kind` takes it: a colour from one
// value (grey) or three (four where `allowAlpha`), a boolean from true/false
// or a number. Throws InputError naming the value and where it came from.
std::array<float, 4> convertValue(const AttributeValue& value, AttributeKind kind, bool allowAlpha,
                                  const std::string& host);

}  // namespace sorvane::render
