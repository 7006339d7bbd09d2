// A Maya attribute preset, as Maya saves one and the module installs them:
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

std::vector<StoredMaterial> readMelPreset(std::string_view text, const std::string& file,
                                          const Schema& schema) {
    TextScanner scanner(text, TextScanner::Comments::mel, file);
    StoredMaterial material;
    material.name = std::filesystem::path(file).stem().string();
    material.file = file;
    bool started = false, ended = false;
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
            if (rest[1].text != "sorvane") {
                scanner.fail(line, "a preset for \"" + rest[1].text + "\" nodes, not for sorvane");
            }
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
            const AttributeSpec* spec = schema.findMaya(rest[0].text, channel);
            if (spec == nullptr) {
                std::vector<std::string> names;
                for (const AttributeSpec& a : schema.attributes()) {
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
            value.name = spec->name;
            value.kind = spec->kind;
            value.line = line;
            const std::string what = "\"" + rest[0].text + "\"";
            if (channel >= 0) {
                AttributeSpec one = *spec;
                one.kind = ValueKind::scalar;
                value.numbers = currentValue(material, *spec);
                value.numbers.resize(3);
                value.numbers[static_cast<std::size_t>(channel)] =
                    parseValue(scanner, values, one, false, what)[0];
            } else {
                value.numbers = parseValue(scanner, values, *spec, false, what);
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
