#pragma once

// Materials where artists keep them, read and written as text, with no host
// and no plug-in in sight:
//
//   .ma    Maya ASCII: each `createNode sorvane -n "NAME";` and the setAttr
//          lines that follow it (long or short names); other nodes skipped
//   .mi    mental ray: each `shader "NAME" "qm7r_sorvane" ( "diffuse" 0.6, ... )`
//   .mel   a Maya attribute preset: startAttrPreset / blendAttr / endAttrPreset
//   .json  the project's presets (presets/presets.json and what --save-preset writes)
//
//   const Schema schema = ...;  // the attributes both hosts know, see below
//   std::vector<StoredMaterial> found = readMaterialFile("look.ma", schema);
//   std::string mi = writeMentalrayShader(found[0], schema);
//
// Reading never executes anything: a file is scanned as text for the few
// statements above, and every value is checked against the schema. Bad input
// (a truncated file, an unknown attribute, a wrong type, a name given twice)
// throws cli::InputError whose field is "FILE:LINE".

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "cli/common/inputError.h"

namespace sorvane::material {

using cli::InputError;

enum class ValueKind { scalar, boolean, integer, color, vector };

// One material attribute as the two hosts know it. A name both hosts share
// is the same attribute (the attribute table's mental ray counterpart).
struct AttributeSpec {
    std::string name;       // Maya's long name, or the mental ray parameter's where Maya lacks it
    std::string shortName;  // Maya's short name; empty where Maya lacks it
    std::array<std::string, 3> childNames;       // colour/vector channels: colorR ... (Maya)
    std::array<std::string, 3> childShortNames;  // cr ... (Maya)
    ValueKind kind = ValueKind::scalar;
    std::vector<float> defaults;  // Maya's default, else the declaration's: what one channel is set on
    bool maya = false;            // the node has it
    bool mentalray = false;       // the shader has a parameter of this name
};

class Schema {
public:
    Schema() = default;
    explicit Schema(std::vector<AttributeSpec> attributes);
    // Merges a host's specs into this one by name.
    void add(const AttributeSpec& spec);

    const std::vector<AttributeSpec>& attributes() const { return attributes_; }
    // By long name (or mental ray name).
    const AttributeSpec* find(std::string_view name) const;
    // A Maya attribute by long or short name, or one of its channels
    // (colorR, cr): `channel` is then 0 to 2, else -1.
    const AttributeSpec* findMaya(std::string_view name, int& channel) const;
    // Every name a user might have meant, for "did you mean".
    std::vector<std::string> names() const;

private:
    std::vector<AttributeSpec> attributes_;
};

// Which hosts a value is for: a preset's host sections hold values for one.
enum class HostScope { all, maya, mentalray };

struct StoredValue {
    std::string name;  // the schema's name
    ValueKind kind = ValueKind::scalar;
    std::vector<float> numbers;  // 1, or 3 (colour, vector), or 4 (a mental ray colour with alpha)
    HostScope scope = HostScope::all;
    int line = 0;  // in its file; 0 when not read from one
};

struct StoredMaterial {
    std::string name;
    std::string description;  // presets only
    std::string file;
    int line = 0;  // where it starts
    // In the file's order, the last of one name winning; on top of the
    // node's and the shader's defaults (the "default" preset).
    std::vector<StoredValue> values;
    // What the file gave that a preview cannot show (a connection), one line each.
    std::vector<std::string> notes;
};

enum class FileFormat { mayaAscii, mentalray, melPreset, presetJson };

// By extension (.ma, .mi, .mel, .json), case-insensitively; false for others.
bool fileFormatFor(const std::string& path, FileFormat& format);
const char* formatName(FileFormat format);

// Every material the text holds, in order; `file` names it in errors (and
// a .mel preset after its file's stem). Throws InputError "FILE:LINE: ...".
std::vector<StoredMaterial> readMaterials(std::string_view text, FileFormat format, const std::string& file,
                                          const Schema& schema);
// The same from a file, its format from its extension. A file with no
// material of ours is an error too, naming what was looked for.
std::vector<StoredMaterial> readMaterialFile(const std::string& path, const Schema& schema);

// "FILE[:NAME]": the last ':' that follows the last '/' starts the name.
struct MaterialReference {
    std::string path;
    std::string name;  // empty: every material in the file
};
MaterialReference parseMaterialReference(const std::string& text);

// The material called `name`, or an InputError naming the file and the
// materials it holds (with "did you mean").
const StoredMaterial& findMaterial(const std::vector<StoredMaterial>& materials, const std::string& name,
                                   const std::string& file);

// What `values` leaves out for `scope`'s host: the names of values meant for
// every host that this host has no attribute for, in order, once each.
std::vector<std::string> valuesLacking(const StoredMaterial& material, const Schema& schema, HostScope host);

// The material written back, whole values only (the last of a name wins):
//   a presets.json entry: {"NAME": {"description": ..., "attributes": {shared},
//                                   "maya": {Maya's own}, "mentalray": {mental ray's own}}}
//   a Maya attribute preset (.mel), blendAttr per channel, Maya's values only
//   a mental ray shader statement (.mi), the shader's values only
// Numbers are the shortest text that reads back as the same float.
std::string writePresetJson(const StoredMaterial& material, const Schema& schema);
std::string writeMelPreset(const StoredMaterial& material, const Schema& schema);
std::string writeMentalrayShader(const StoredMaterial& material, const Schema& schema);

// A preset or shader name as every format can carry it: a letter, then
// letters, digits and _. Returns an empty string or why not.
std::string checkMaterialName(const std::string& name);

}  // namespace sorvane::material
