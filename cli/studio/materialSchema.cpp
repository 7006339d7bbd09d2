#include "cli/studio/materialSchema.h"

#include "cli/render/scene.h"
#include "cli/render/sceneMesh.h"
#include "maya/nodeAttributes.h"

namespace sorvane::studio {

namespace {

using cli::OrderedJson;
using sorvane::mayaplugin::NodeAttribute;

SchemaEntry mayaEntry(const NodeAttribute& a) {
    SchemaEntry e;
    e.name = a.longName;
    e.description = a.description;
    const bool compound = a.compound();
    e.type = a.kind == NodeAttribute::Kind::color ? "color" : compound ? "vector" : "scalar";
    e.defaultValue.assign(compound ? 3 : 1, a.defaultValue);
    if (a.softRange) {
        e.softMin = a.softMin;
        e.softMax = a.softMax;
    }
    if (compound) {
        for (const NodeAttribute::Channel& c : a.channels) e.channels.push_back(c.longName);
    }
    // Only what a user keys is a material value; the renderer fills the sample inputs.
    e.editable = a.group == NodeAttribute::Group::material;
    if (e.editable && a.section != nullptr) e.section = a.section;
    if (a.mentalray != nullptr) e.counterpart = a.mentalray;
    return e;
}

OrderedJson optionalNumber(const std::optional<double>& v) { return v ? OrderedJson(*v) : OrderedJson(); }

OrderedJson entryJson(const SchemaEntry& e) {
    OrderedJson defaults = OrderedJson::array();
    for (float v : e.defaultValue) defaults.push_back(cli::writeFloat(v));
    OrderedJson out = {{"name", e.name},
                       {"type", e.type},
                       {"default", e.type == "boolean"          ? OrderedJson(e.defaultValue.at(0) != 0.0f)
                                   : e.defaultValue.size() == 1 ? defaults[0]
                                                                : defaults},
                       {"softMin", optionalNumber(e.softMin)},
                       {"softMax", optionalNumber(e.softMax)},
                       {"min", optionalNumber(e.min)},
                       {"max", optionalNumber(e.max)},
                       {"section", e.section.empty() ? OrderedJson() : OrderedJson(e.section)},
                       {"counterpart", e.counterpart.empty() ? OrderedJson() : OrderedJson(e.counterpart)},
                       {"editable", e.editable}};
    if (!e.channels.empty()) out["channels"] = e.channels;
    if (!e.description.empty()) out["description"] = e.description;
    return out;
}

OrderedJson valueJson(const render::AttributeValue& v) {
    if (v.boolean) return v.values[0] != 0.0f;
    if (v.count == 1) return cli::writeFloat(v.values[0]);
    OrderedJson out = OrderedJson::array();
    for (int i = 0; i < v.count; ++i) out.push_back(cli::writeFloat(v.values[static_cast<std::size_t>(i)]));
    return out;
}

// A preset as presets.json holds it: the values for both hosts, then each host's own.
OrderedJson presetJson(const render::Preset& preset) {
    OrderedJson out = {{"name", preset.name},
                       {"description", preset.description},
                       {"attributes", OrderedJson::object()},
                       {"maya", OrderedJson::object()},
                       {"mentalray", OrderedJson::object()}};
    for (const render::AttributeValue& v : preset.values) {
        const char* key = v.scope == render::HostScope::maya        ? "maya"
                          : v.scope == render::HostScope::mentalray ? "mentalray"
                                                                    : "attributes";
        out[key][v.name] = valueJson(v);
    }
    return out;
}

}  // namespace

const SchemaEntry* MaterialSchema::find(const std::string& host, const std::string& name) const {
    const std::vector<SchemaEntry>& entries = host == "maya" ? maya : mentalray;
    for (const SchemaEntry& e : entries) {
        if (e.name == name) return &e;
    }
    return nullptr;
}

MaterialSchema materialSchema(const std::vector<cli::ShaderParameterInfo>& mentalray) {
    MaterialSchema schema;
    for (const NodeAttribute& a : sorvane::mayaplugin::kNodeAttributes) schema.maya.push_back(mayaEntry(a));
    for (const cli::ShaderParameterInfo& p : mentalray) {
        SchemaEntry e;
        e.name = p.name;
        e.type = p.type;
        for (double v : p.defaultValue) e.defaultValue.push_back(static_cast<float>(v));
        e.min = p.min;
        e.max = p.max;
        e.softMin = p.softMin;
        e.softMax = p.softMax;
        for (const SchemaEntry& m : schema.maya) {
            if (m.counterpart == p.name) {
                e.counterpart = m.name;
                e.section = m.section;
                e.description = m.description;
                e.editable = m.editable;
            }
        }
        // The shader's own parameters that a user sets; a vector is the
        // bump input, which a shading network drives.
        if (e.counterpart.empty() && e.type != "vector") {
            e.section = kMentalraySection;
            e.editable = true;
        }
        schema.mentalray.push_back(std::move(e));
    }
    return schema;
}

OrderedJson schemaJson(const MaterialSchema& schema, const std::vector<std::string>& environments) {
    OrderedJson maya = OrderedJson::array();
    for (const SchemaEntry& e : schema.maya) maya.push_back(entryJson(e));
    OrderedJson mentalray = OrderedJson::array();
    for (const SchemaEntry& e : schema.mentalray) mentalray.push_back(entryJson(e));
    OrderedJson presets = OrderedJson::array();
    for (const render::Preset& p : render::materialPresets()) presets.push_back(presetJson(p));
    return {{"maya", maya},
            {"mentalray", mentalray},
            {"presets", presets},
            // "studio" is the preview's own set and lights; the others are images.
            {"environments", environments},
            // What takes the ball's place: the ball itself, then the shapes made here.
            {"meshes", render::meshNames()}};
}

}  // namespace sorvane::studio
