// A material written back as a preset entry, a Maya attribute preset and a
// mental ray shader statement. Each writes whole values, the last of a name
// for its host winning, in the schema's order.
#include <sstream>

#include "cli/material/materialFiles.h"
#include "cli/material/textScanner.h"

namespace sorvane::material {

namespace {

// The value of each attribute `host` takes from the material, in the
// schema's order: a value for every host, or one scoped to this host, the
// later winning.
struct Resolved {
    const AttributeSpec* spec;
    const StoredValue* value;
};

std::vector<Resolved> resolve(const StoredMaterial& material, const Schema& schema, HostScope host) {
    std::vector<Resolved> out;
    for (const AttributeSpec& spec : schema.attributes()) {
        if (host == HostScope::maya ? !spec.maya : !spec.mentalray) continue;
        const StoredValue* last = nullptr;
        for (const StoredValue& v : material.values) {
            if (v.name == spec.name && (v.scope == HostScope::all || v.scope == host)) last = &v;
        }
        if (last != nullptr) out.push_back({&spec, last});
    }
    return out;
}

std::string numbers(const std::vector<float>& values, const char* separator, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count && i < values.size(); ++i)
        out += (i ? separator : "") + floatText(values[i]);
    return out;
}

std::string jsonValue(const StoredValue& v) {
    if (v.kind == ValueKind::boolean) return v.numbers[0] != 0.0f ? "true" : "false";
    if (v.numbers.size() == 1) return floatText(v.numbers[0]);
    return "[" + numbers(v.numbers, ", ", v.numbers.size()) + "]";
}

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

bool sameNumbers(const StoredValue& a, const StoredValue& b, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const float x = i < a.numbers.size() ? a.numbers[i] : 1.0f;
        const float y = i < b.numbers.size() ? b.numbers[i] : 1.0f;
        if (x != y) return false;
    }
    return true;
}

}  // namespace

std::string writePresetJson(const StoredMaterial& material, const Schema& schema) {
    const std::vector<Resolved> maya = resolve(material, schema, HostScope::maya);
    const std::vector<Resolved> mentalray = resolve(material, schema, HostScope::mentalray);
    // Shared where both hosts take the same value; each host's own otherwise.
    std::vector<const StoredValue*> shared, mayaOwn, mentalrayOwn;
    for (const Resolved& m : maya) {
        const Resolved* other = nullptr;
        for (const Resolved& r : mentalray) {
            if (r.spec == m.spec) other = &r;
        }
        const std::size_t count = m.value->numbers.size() == 3 ? 3 : m.value->numbers.size();
        if (other != nullptr && sameNumbers(*m.value, *other->value, count) &&
            other->value->numbers.size() <= m.value->numbers.size()) {
            shared.push_back(m.value);
        } else {
            mayaOwn.push_back(m.value);
        }
    }
    for (const Resolved& r : mentalray) {
        bool inShared = false;
        for (const StoredValue* s : shared) inShared = inShared || s->name == r.spec->name;
        if (!inShared) mentalrayOwn.push_back(r.value);
    }
    std::ostringstream out;
    out << "{\n  " << jsonString(material.name)
        << ": {\n    \"description\": " << jsonString(material.description);
    const std::pair<const char*, const std::vector<const StoredValue*>*> sections[] = {
        {"attributes", &shared}, {"maya", &mayaOwn}, {"mentalray", &mentalrayOwn}};
    for (const auto& [section, values] : sections) {
        if (values->empty()) continue;
        out << ",\n    \"" << section << "\": {";
        for (std::size_t i = 0; i < values->size(); ++i) {
            out << (i ? "," : "") << "\n      " << jsonString((*values)[i]->name) << ": "
                << jsonValue(*(*values)[i]);
        }
        out << "\n    }";
    }
    out << "\n  }\n}\n";
    return out.str();
}

std::string writeMelPreset(const StoredMaterial& material, const Schema& schema) {
    std::ostringstream out;
    out << "// sorvane attribute preset \"" << material.name << "\"";
    if (!material.description.empty()) out << ": " << material.description;
    out << "\nstartAttrPreset( \"sorvane\" );\n";
    for (const Resolved& r : resolve(material, schema, HostScope::maya)) {
        const bool compound = r.spec->kind == ValueKind::color || r.spec->kind == ValueKind::vector;
        if (compound) {
            for (std::size_t c = 0; c < 3; ++c) {
                out << "\tblendAttr \"" << r.spec->childNames[c] << "\" " << floatText(r.value->numbers[c])
                    << ";\n";
            }
        } else {
            out << "\tblendAttr \"" << r.spec->name << "\" "
                << (r.spec->kind == ValueKind::boolean ? (r.value->numbers[0] != 0.0f ? "1" : "0")
                                                       : floatText(r.value->numbers[0]))
                << ";\n";
        }
    }
    out << "endAttrPreset();\n";
    return out.str();
}

std::string writeMentalrayShader(const StoredMaterial& material, const Schema& schema) {
    std::ostringstream out;
    if (!material.description.empty()) out << "# " << material.description << "\n";
    out << "shader \"" << material.name << "\" \"qm7r_sorvane\" (";
    const std::vector<Resolved> values = resolve(material, schema, HostScope::mentalray);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const Resolved& r = values[i];
        out << (i ? "," : "") << "\n    \"" << r.spec->name << "\" ";
        if (r.spec->kind == ValueKind::boolean) {
            out << (r.value->numbers[0] != 0.0f ? "on" : "off");
        } else if (r.spec->kind == ValueKind::color) {
            // Written with its alpha: an omitted one reads as 0.
            std::vector<float> c = r.value->numbers;
            if (c.size() < 4) c.resize(4, 1.0f);
            out << numbers(c, " ", 4);
        } else {
            out << numbers(r.value->numbers, " ", r.value->numbers.size());
        }
    }
    out << "\n)\n";
    return out.str();
}

}  // namespace sorvane::material
