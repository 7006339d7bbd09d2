#pragma once

// What the studio's page is built from: every Maya attribute of the node's
// table and every parameter of the mental ray declaration, each with its
// type, default, ranges, Attribute Editor section and the other host's
// counterpart.

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
cli::OrderedJson schemaJson(const MaterialSchema& schema, const std::vector<std::string>& environments);

}  // namespace sorvane::studio
