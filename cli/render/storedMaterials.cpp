#include "cli/render/storedMaterials.h"

#include <algorithm>

namespace sorvane::render {

material::Schema materialSchema(const std::vector<ShadingBackend*>& backends) {
    material::Schema schema;
    for (const ShadingBackend* backend : backends) {
        for (const material::MaterialAttribute& info : backend->materialAttributes()) schema.add(info);
    }
    return schema;
}

SceneMaterial sceneMaterial(const material::StoredMaterial& stored) {
    SceneMaterial out;
    out.preset = "default";
    for (const material::StoredValue& v : stored.values) {
        AttributeValue value;
        value.name = v.name;
        value.count = static_cast<int>(std::min<std::size_t>(v.numbers.size(), 4));
        std::copy_n(v.numbers.begin(), value.count, value.values.begin());
        value.boolean = v.kind == material::ValueKind::boolean;
        value.scope = v.scope;
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
        const material::MaterialAttribute* info = schema.find(v.name);
        if (info == nullptr) continue;
        material::StoredValue value;
        value.name = v.name;
        value.kind = info->kind;
        value.scope = v.scope;
        const bool compound =
            info->kind == material::ValueKind::color || info->kind == material::ValueKind::vector;
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
