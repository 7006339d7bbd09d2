#pragma once

// What the studio's page is built from: every Maya attribute of the node's
// table and every parameter of the mental ray declaration, each with its
// type, default, ranges, Attribute Editor section and the other host's
// counterpart; and a material's values as each host takes them.

#include <optional>
#include <string>
#include <vector>

#include "cli/common/jsonValues.h"
#include "cli/hosts/hostCommands.h"
#include "cli/render/materialPresets.h"

namespace sorvane::studio {

struct SchemaEntry {
    std::string name;
    std::string type;  // "color", "scalar", "boolean", "vector"
    std::vector<float> defaultValue;
    std::optional<double> min, max, softMin, softMax;
    std::string section;                // where the page shows it; empty: not a material value
    std::string counterpart;            // the other host's name for it; empty: none
    std::vector<std::string> channels;  // a Maya compound's children
    std::string description;
    bool editable = false;  // a material value a user sets
};

struct MaterialSchema {
    std::vector<SchemaEntry> maya;
    std::vector<SchemaEntry> mentalray;
    const SchemaEntry* find(const std::string& host, const std::string& name) const;
};

// The section of the parameters only mental ray has.
constexpr const char* kMentalraySection = "mental ray";

MaterialSchema materialSchema(const std::vector<cli::ShaderParameterInfo>& mentalray);

// GET /api/schema: the attributes, the parameters, the presets and the environments.
cli::OrderedJson schemaJson(const MaterialSchema& schema);

// Each editable value of a material as a host takes it: the schema's default,
// then the material's values in order (a value scoped to the other host, or
// of a name this host lacks, is left out). Colours have three channels for
// Maya and four for mental ray (alpha 1 unless given).
struct HostValues {
    struct Value {
        const SchemaEntry* entry = nullptr;
        std::vector<float> values;
    };
    std::vector<Value> maya;
    std::vector<Value> mentalray;
};

HostValues hostValues(const MaterialSchema& schema, const render::ResolvedMaterial& material);

}  // namespace sorvane::studio
