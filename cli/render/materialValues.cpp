#include "cli/render/materialValues.h"

#include <cmath>

#include "cli/render/sceneFile.h"

namespace sorvane::render {

std::array<float, 4> convertValue(const AttributeValue& value, std::optional<ValueKind> kind, bool allowAlpha,
                                  const std::string& host) {
    const std::string field = value.origin.empty() ? value.name : value.origin;
    const auto fail = [&](const std::string& message) {
        throw InputError(field, "\"" + value.name + "\" " + message + " (" + host + ")");
    };
    if (!kind) fail("is no material attribute");
    std::array<float, 4> out = value.values;
    switch (*kind) {
        case ValueKind::scalar:
            if (value.count != 1 || value.boolean) fail("takes one number");
            break;
        case ValueKind::integer:
            if (value.count != 1 || value.boolean || !std::isfinite(out[0]) || out[0] != std::floor(out[0])) {
                fail("takes one whole number");
            }
            break;
        case ValueKind::boolean:
            if (value.count != 1) fail("takes true or false");
            out[0] = out[0] != 0.0f ? 1.0f : 0.0f;
            break;
        case ValueKind::color:
            if (value.boolean) fail("takes a colour");
            if (value.count == 1) {
                out = {out[0], out[0], out[0], 1.0f};
            } else if (value.count == 3) {
                out[3] = 1.0f;
            } else if (!(value.count == 4 && allowAlpha)) {
                fail(allowAlpha ? "takes 1, 3 or 4 numbers" : "takes 1 or 3 numbers");
            }
            break;
        case ValueKind::vector:
            if (value.count != 3 || value.boolean) fail("takes 3 numbers");
            break;
    }
    return out;
}

std::optional<HostValue> hostValue(const ShadingBackend& backend, const AttributeValue& value,
                                   bool allowAlpha) {
    if (!backend.takes(value.scope)) return std::nullopt;
    const std::optional<ValueKind> kind = backend.attributeKind(value.name);
    if (!kind && value.scope == HostScope::all) return std::nullopt;
    const std::array<float, 4> values = convertValue(value, kind, allowAlpha, backend.name());
    return HostValue{*kind, values};
}

}  // namespace sorvane::render
