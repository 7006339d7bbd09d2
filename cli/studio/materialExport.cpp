#include "cli/studio/materialExport.h"

#include <cctype>
#include <sstream>

#include "cli/common/inputError.h"

namespace sorvane::studio {

namespace {

using cli::OrderedJson;

// The shortest text that reads back as the same float, as the JSON interfaces write it.
std::string number(float v) { return cli::writeJson(cli::writeFloat(v)); }

OrderedJson valueJson(const HostValues::Value& v) {
    if (v.entry->type == "boolean") return v.values.at(0) != 0.0f;
    if (v.values.size() == 1) return cli::writeFloat(v.values[0]);
    OrderedJson out = OrderedJson::array();
    for (float f : v.values) out.push_back(cli::writeFloat(f));
    return out;
}

const HostValues::Value* findValue(const std::vector<HostValues::Value>& values, const std::string& name) {
    for (const HostValues::Value& v : values) {
        if (v.entry->name == name) return &v;
    }
    return nullptr;
}

// Whether mental ray's value is Maya's: the same channels, alpha 1.
bool sameValue(const HostValues::Value& maya, const HostValues::Value& mentalray) {
    for (std::size_t i = 0; i < mentalray.values.size(); ++i) {
        const float expected = i < maya.values.size() ? maya.values[i] : 1.0f;
        if (mentalray.values[i] != expected) return false;
    }
    return true;
}

}  // namespace

void checkMaterialName(const std::string& name, const std::string& field) {
    bool ok = !name.empty() && name.size() <= 64 && std::isalpha(static_cast<unsigned char>(name[0]));
    for (char c : name) ok = ok && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
    if (!ok) {
        throw cli::InputError(field,
                              "a material name is 1 to 64 letters, digits or underscores, starting with "
                              "a letter");
    }
}

std::string presetJsonText(const HostValues& values, const std::string& name,
                           const std::string& description) {
    OrderedJson shared = OrderedJson::object();
    OrderedJson maya = OrderedJson::object();
    OrderedJson mentalray = OrderedJson::object();
    for (const HostValues::Value& v : values.maya) {
        const HostValues::Value* other = findValue(values.mentalray, v.entry->counterpart);
        if (other != nullptr && other->entry->name == v.entry->name && sameValue(v, *other)) {
            shared[v.entry->name] = valueJson(v);
        } else {
            maya[v.entry->name] = valueJson(v);
        }
    }
    for (const HostValues::Value& v : values.mentalray) {
        if (!shared.contains(v.entry->name)) mentalray[v.entry->name] = valueJson(v);
    }
    OrderedJson preset = {{"description", description}, {"attributes", shared}};
    if (!maya.empty()) preset["maya"] = maya;
    if (!mentalray.empty()) preset["mentalray"] = mentalray;
    return cli::writeJson(OrderedJson{{name, preset}}, 2) + "\n";
}

std::string mayaAttributePreset(const HostValues& values, const std::string& name) {
    std::ostringstream mel;
    mel << "// sorvane attribute preset \"" << name << "\", saved from sorvane studio\n"
        << "startAttrPreset( \"sorvane\" );\n";
    for (const HostValues::Value& v : values.maya) {
        if (v.entry->channels.empty()) {
            mel << "\tblendAttr \"" << v.entry->name << "\" " << number(v.values.at(0)) << ";\n";
            continue;
        }
        for (std::size_t i = 0; i < v.entry->channels.size() && i < v.values.size(); ++i) {
            mel << "\tblendAttr \"" << v.entry->channels[i] << "\" " << number(v.values[i]) << ";\n";
        }
    }
    mel << "endAttrPreset();\n";
    return mel.str();
}

std::string mentalrayShaderStatement(const HostValues& values, const std::string& name) {
    std::ostringstream mi;
    mi << "# sorvane material \"" << name << "\", saved from sorvane studio; link and $include\n"
       << "# qm7r_sorvane.mi first, and give \"lights\" the scene's lights.\n"
       << "shader \"" << name << "\"\n    \"qm7r_sorvane\" (\n";
    for (std::size_t i = 0; i < values.mentalray.size(); ++i) {
        const HostValues::Value& v = values.mentalray[i];
        mi << "        \"" << v.entry->name << "\"";
        if (v.entry->type == "boolean") {
            mi << (v.values.at(0) != 0.0f ? " on" : " off");
        } else {
            for (float f : v.values) mi << ' ' << number(f);
        }
        mi << (i + 1 < values.mentalray.size() ? ",\n" : "\n");
    }
    mi << "    )\n";
    return mi.str();
}

}  // namespace sorvane::studio
