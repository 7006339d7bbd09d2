#include "cli/render/storedMaterials.h"

#include <algorithm>

namespace sorvane::render {

material::Schema materialSchema(const std::vector<ShadingBackend*>& backends) {
    material::Schema schema;
    for (const ShadingBackend* backend : backends) {
        for (const material::AttributeSpec& spec : backend->materialAttributes()) schema.add(spec);
    }
    return schema;
}

namespace {

HostScope sceneScope(material::HostScope scope) {
    switch (scope) {
        case material::HostScope::maya:
            return HostScope::maya;
        case material::HostScope::mentalray:
            return HostScope::mentalray;
        default:
            return HostScope::all;
    }
}

material::HostScope storedScope(HostScope scope) {
    switch (scope) {
        case HostScope::maya:
            return material::HostScope::maya;
        case HostScope::mentalray:
            return material::HostScope::mentalray;
        default:
            return material::HostScope::all;
    }
}

}  // namespace

SceneMaterial sceneMaterial(const material::StoredMaterial& stored) {
    SceneMaterial out;
    out.preset = "default";
    for (const material::StoredValue& v : stored.values) {
        AttributeValue value;
        value.name = v.name;
        value.count = static_cast<int>(std::min<std::size_t>(v.numbers.size(), 4));
        std::copy_n(v.numbers.begin(), value.count, value.values.begin());
        value.boolean = v.kind == material::ValueKind::boolean;
        value.scope = sceneScope(v.scope);
        value.origin = stored.file + (v.line > 0 ? ":" + std::to_string(v.line) : "");
        value.checked = true;
        out.attributes.push_back(value);
    }
    return out;
}

material::StoredMaterial storedMaterial(const std::string& name, const std::string& description,
                                        const ResolvedMaterial& resolved, const material::Schema& schema) {
    material::StoredMaterial out;
    out.name = name;
    out.description = description;
    for (const AttributeValue& v : resolved.values) {
        const material::AttributeSpec* spec = schema.find(v.name);
        if (spec == nullptr) continue;
        material::StoredValue value;
        value.name = v.name;
        value.kind = spec->kind;
        value.scope = storedScope(v.scope);
        const bool compound =
            spec->kind == material::ValueKind::color || spec->kind == material::ValueKind::vector;
        if (compound && v.count == 1) {
            value.numbers.assign(3, v.values[0]);  // one number is a grey
        } else {
            value.numbers.assign(v.values.begin(), v.values.begin() + v.count);
        }
        out.values.push_back(std::move(value));
    }
    return out;
}

}  // namespace sorvane::render
