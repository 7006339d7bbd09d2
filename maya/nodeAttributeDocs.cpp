#include "nodeAttributeDocs.h"

#include <cstdio>
#include <sstream>
#include <vector>

#include "nodeAttributes.h"

namespace sorvane::mayaplugin {

namespace {

using Row = NodeAttribute;

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

std::string defaultText(const Row& row) {
    const std::string value = number(row.defaultValue);
    return row.compound() ? value + " " + value + " " + value : value;
}

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

const char* kindName(const Row& row) {
    switch (row.kind) {
        case Row::Kind::color:
            return "colour";
        case Row::Kind::vector:
            return "vector";
        case Row::Kind::scalar:
            break;
    }
    return "float";
}

std::string flagsText(const Row& row) {
    const Row::Flags flags = row.flags();
    std::string text;
    const auto add = [&](bool on, const char* word) {
        if (!on) return;
        if (!text.empty()) text += ", ";
        text += word;
    };
    add(flags.keyable, "keyable");
    add(flags.storable, "saved");
    add(!flags.storable, "not saved");
    add(flags.hidden, "hidden");
    add(!flags.writable, "read-only");
    return text;
}

// The renderer-filled input that the editor shows is a connection slot (the
// bump): a navigation control in a collapsed layout, as Maya's own surface
// shaders draw it.
bool isConnectionSlot(const Row& row) { return row.group == Row::Group::sampleInput && row.section; }

bool inSection(const Row& row, const std::string& section) {
    return row.section != nullptr && row.section == section;
}

std::vector<std::string> sections() {
    std::vector<std::string> names;
    for (const Row& row : kNodeAttributes) {
        if (row.section == nullptr) continue;
        bool seen = false;
        for (const std::string& name : names) seen = seen || name == row.section;
        if (!seen) names.push_back(row.section);
    }
    return names;
}

}  // namespace

std::string attributeEditorLayouts() {
    std::ostringstream mel;
    for (const std::string& section : sections()) {
        bool slot = false;
        for (const Row& row : kNodeAttributes)
            slot = slot || (inSection(row, section) && isConnectionSlot(row));
        mel << "    editorTemplate -beginLayout \"" << section << "\" -collapse " << (slot ? 1 : 0) << ";\n";
        for (const Row& row : kNodeAttributes) {
            if (!inSection(row, section)) continue;
            if (isConnectionSlot(row)) {
                mel << "        editorTemplate -callCustom \"AEsorvaneBumpNew\" \"AEsorvaneBumpReplace\" \""
                    << row.longName << "\";\n";
            } else {
                mel << "        editorTemplate -addControl \"" << row.longName << "\";\n";
            }
        }
        mel << "    editorTemplate -endLayout;\n\n";
    }
    for (const Row& row : kNodeAttributes) {
        if (row.flags().hidden && row.section == nullptr) {
            mel << "    editorTemplate -suppress \"" << row.longName << "\";\n";
        }
    }
    mel << "    editorTemplate -suppress \"" << kLightDataArray << "\";\n";
    for (const char* name : kLightDataChildren) mel << "    editorTemplate -suppress \"" << name << "\";\n";
    return mel.str();
}

std::string nodeHeaderComment() {
    std::ostringstream text;
    const auto group = [&](Row::Group group, const char* heading) {
        text << "// " << heading << ":\n";
        for (const Row& row : kNodeAttributes) {
            if (row.group != group) continue;
            std::string values = group == Row::Group::material ? defaultText(row) : "";
            if (row.softRange) values += " [" + number(row.softMin) + ", " + number(row.softMax) + "]";
            text << "//   " << padded(std::string(row.longName) + " " + row.shortName, 20)
                 << padded(values, 14) << row.description << "\n";
        }
    };
    group(Row::Group::material, "Material attributes (keyable, saved with the scene)");
    group(Row::Group::output, "Outputs (read-only)");
    group(Row::Group::sampleInput, "Filled by the renderer per sample (hidden, not saved)");
    text << "//   " << padded(std::string(kLightDataArray) + " ltd", 34) << "one element per light\n";
    return text.str();
}

std::string readmeTable() {
    std::ostringstream text;
    text << "| attribute | short | kind | default | slider | flags | Attribute Editor | mental ray | what it "
            "does |\n";
    text << "|---|---|---|---|---|---|---|---|---|\n";
    for (const Row& row : kNodeAttributes) {
        const std::string slider =
            row.softRange ? number(row.softMin) + " to " + number(row.softMax) : std::string();
        const std::string mentalray = row.mentalray ? std::string("`") + row.mentalray + "`" : std::string();
        text << "| `" << row.longName << "` | `" << row.shortName << "` | " << kindName(row) << " | "
             << defaultText(row) << " | " << slider << " | " << flagsText(row) << " | "
             << (row.section ? row.section : "") << " | " << mentalray << " | " << row.description << " |\n";
    }
    return text.str();
}

}  // namespace sorvane::mayaplugin
