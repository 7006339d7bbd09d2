#pragma once

// A material value checked against the kind of attribute a host gives it,
// alike for every host, so each backend refuses the same values in the same
// words.

#include <array>
#include <optional>
#include <string>

#include "cli/render/scene.h"
#include "cli/render/shadingBackend.h"

namespace sorvane::render {

// A material value as a host attribute of `kind` takes it: a colour from one
// value (grey) or three (four where `allowAlpha`), a boolean from true/false
// or a number. Throws InputError naming the value and where it came from.
std::array<float, 4> convertValue(const AttributeValue& value, std::optional<ValueKind> kind, bool allowAlpha,
                                  const std::string& host);

struct HostValue {
    ValueKind kind = ValueKind::scalar;
    std::array<float, 4> values{};
};

// The value as `backend` takes it, converted as above; nullopt where it is not
// this host's: scoped to the other one, or given to every host under a name
// this one lacks. The same for every backend, so the hosts agree on what a
// material sets.
std::optional<HostValue> hostValue(const ShadingBackend& backend, const AttributeValue& value,
                                   bool allowAlpha);

}  // namespace sorvane::render
