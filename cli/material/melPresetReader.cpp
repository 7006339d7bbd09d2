// A Maya attribute preset, as Maya saves one and the module installs them,
// for the sorvane node or mental ray's qm7r_sorvane node (its values then
// the mental ray host's alone):
//   startAttrPreset( "sorvane" );
//   blendAttr "colorR" 0.8;  ...
//   endAttrPreset();
// It is MEL, but only these three statements are read, never run; any other
// statement is refused. The material takes the file's name.
#include <filesystem>

#include "cli/common/nameSuggestions.h"
#include "cli/material/materialReaders.h"
#include "cli/material/textScanner.h"

namespace sorvane::material {

namespace {

// A parameter of mental ray's node by name, or a colour's channel (colorR).
const MaterialAttribute* findMentalray(const Schema& schema, const std::string& name, int& channel) {
    channel = -1;
    const MaterialAttribute* info = schema.find(name);
    if (info != nullptr && info->mentalray) return info;
    if (name.size() < 2) return nullptr;
    const std::size_t c = std::string("RGB").find(name.back());
    info = schema.find(name.substr(0, name.size() - 1));
    if (c == std::string::npos || info == nullptr || !info->mentalray || info->kind != ValueKind::color)
        return nullptr;
    channel = static_cast<int>(c);
    return info;
}

}  // namespace

std::vector<StoredMaterial> readMelPreset(std::string_view text, const std::string& file,
                                          const Schema& schema) {
    TextScanner scanner(text, TextScanner::Comments::mel, file);
    StoredMaterial material;
    material.name = std::filesystem::path(file).stem().string();
    material.file = file;
    bool started = false, ended = false, mentalray = false;
    int startLine = 0;
    for (Token t = scanner.next(); t.kind != Token::end; t = scanner.next()) {
        const int line = t.line;
        // The rest of the statement, up to its ';'.
        std::vector<Token> rest;
        for (Token r = scanner.next(); !r.is(';'); r = scanner.next()) {
            if (r.kind == Token::end) {
                scanner.fail(line, "the file ends inside this \"" + t.text +
                                       "\" statement (no ';'): is it cut short?");
            }
            rest.push_back(std::move(r));
        }
        if (ended) scanner.fail(line, "\"" + t.text + "\" after endAttrPreset");
        if (t.isWord("startAttrPreset")) {
            if (started)
                scanner.fail(line, "a second startAttrPreset (the first is at line " +
                                       std::to_string(startLine) + ")");
            if (rest.size() != 3 || !rest[0].is('(') || rest[1].kind != Token::string || !rest[2].is(')')) {
                scanner.fail(line, "expected startAttrPreset( \"sorvane\" )");
            }
            if (rest[1].text != "sorvane" && rest[1].text != "qm7r_sorvane") {
                scanner.fail(line,
                             "a preset for \"" + rest[1].text + "\" nodes, not for sorvane or qm7r_sorvane");
            }
            mentalray = rest[1].text == "qm7r_sorvane";
            started = true;
            startLine = line;
            material.line = line;
        } else if (t.isWord("endAttrPreset")) {
            if (!started) scanner.fail(line, "endAttrPreset before startAttrPreset");
            ended = true;
        } else if (t.isWord("blendAttr")) {
            if (!started) scanner.fail(line, "blendAttr before startAttrPreset");
            if (rest.size() < 2 || rest[0].kind != Token::string) {
                scanner.fail(line, "expected blendAttr \"ATTRIBUTE\" VALUE");
            }
            int channel = -1;
            const MaterialAttribute* info = mentalray ? findMentalray(schema, rest[0].text, channel)
                                                      : schema.findMaya(rest[0].text, channel);
            if (info == nullptr && mentalray) {
                std::vector<std::string> names;
                for (const MaterialAttribute& a : schema.attributes()) {
                    if (a.mentalray) names.push_back(a.name);
                }
                scanner.fail(line, "the qm7r_sorvane node has no attribute \"" + rest[0].text + "\"" +
                                       cli::didYouMean(rest[0].text, names));
            }
            if (info == nullptr) {
                std::vector<std::string> names;
                for (const MaterialAttribute& a : schema.attributes()) {
                    if (!a.maya) continue;
                    names.push_back(a.name);
                    for (const std::string& child : a.childNames) {
                        if (!child.empty()) names.push_back(child);
                    }
                }
                scanner.fail(line, "the sorvane node has no attribute \"" + rest[0].text + "\"" +
                                       cli::didYouMean(rest[0].text, names));
            }
            const std::vector<Token> values(rest.begin() + 1, rest.end());
            StoredValue value;
            value.name = info->name;
            value.kind = info->kind;
            value.line = line;
            if (mentalray) value.scope = HostScope::mentalray;
            const std::string what = "\"" + rest[0].text + "\"";
            if (channel >= 0) {
                MaterialAttribute one = *info;
                one.kind = ValueKind::scalar;
                value.numbers = currentValue(material, *info, value.scope);
                value.numbers.resize(3);
                value.numbers[static_cast<std::size_t>(channel)] =
                    parseValue(scanner, values, one, false, what)[0];
            } else {
                value.numbers = parseValue(scanner, values, *info, false, what);
            }
            material.values.push_back(std::move(value));
        } else {
            scanner.fail(line, "a preset holds startAttrPreset, blendAttr and endAttrPreset only, not \"" +
                                   t.text + "\" (presets are read, never run)");
        }
    }
    if (!started) return {};
    if (!ended) scanner.fail(startLine, "the preset started here has no endAttrPreset: is it cut short?");
    return {material};
}

}  // namespace sorvane::material
