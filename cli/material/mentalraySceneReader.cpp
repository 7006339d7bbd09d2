// mental ray scenes: every `shader "NAME" "qm7r_sorvane" ( "param" value, ... )`
// statement, wherever it stands (at the top, inside a material or a
// phenomenon). Other shaders' parameter lists are skipped whole; nothing
// else of the scene is read.
#include "cli/common/nameSuggestions.h"
#include "cli/material/materialReaders.h"
#include "cli/material/textScanner.h"

namespace sorvane::material {

namespace {

constexpr const char* kShader = "qm7r_sorvane";

class MentalrayReader {
public:
    MentalrayReader(std::string_view text, const std::string& file, const Schema& schema)
        : scanner_(text, TextScanner::Comments::mentalray, file), schema_(schema) {}

    std::vector<StoredMaterial> read() {
        for (Token t = scanner_.next(); t.kind != Token::end; t = scanner_.next()) {
            if (!t.isWord("shader") || scanner_.peek().kind != Token::string) continue;
            Token name = scanner_.next();
            if (scanner_.peek().kind != Token::string) continue;  // a declaration's "shader NAME" form
            const Token type = scanner_.next();
            if (!scanner_.peek().is('(')) continue;
            const Token open = scanner_.next();
            if (type.text == kShader) {
                shader(name, open.line);
            } else {
                skipTo(')', open.line);
            }
        }
        return std::move(materials_);
    }

private:
    // Past the bracket that closes the one opened at `line`.
    void skipTo(char close, int line) {
        int depth = 1;
        for (Token t = scanner_.next();; t = scanner_.next()) {
            if (t.kind == Token::end) {
                scanner_.fail(line, std::string("the file ends before the '") + close +
                                        "' that closes this list: is it cut short?");
            }
            if (t.is('(') || t.is('[') || t.is('{')) ++depth;
            if (t.is(')') || t.is(']') || t.is('}')) --depth;
            if (depth == 0) return;
        }
    }

    void shader(const Token& name, int line) {
        for (const StoredMaterial& m : materials_) {
            if (m.name == name.text) {
                scanner_.fail(name.line, "a second shader \"" + name.text + "\" (the first is at line " +
                                             std::to_string(m.line) + ")");
            }
        }
        StoredMaterial material;
        material.name = name.text;
        material.file = scanner_.file();
        material.line = name.line;
        std::vector<std::string> given;
        for (;;) {
            Token t = scanner_.next();
            if (t.kind == Token::end) {
                scanner_.fail(
                    line, "the file ends inside shader \"" + name.text + "\"'s parameters: is it cut short?");
            }
            if (t.is(')')) break;
            if (t.is(',')) continue;
            if (t.kind != Token::string) {
                scanner_.fail(t.line, "expected a parameter name in quotes, found \"" + t.text + "\"");
            }
            parameter(material, t, given, line);
        }
        materials_.push_back(std::move(material));
    }

    void parameter(StoredMaterial& material, const Token& name, std::vector<std::string>& given, int line) {
        const AttributeSpec* spec = schema_.find(name.text);
        if (name.text == "lights") {
            // The shader's light list: the preview lights it with its own.
            if (scanner_.peek().is('[')) skipTo(']', scanner_.next().line);
            while (!scanner_.peek().is(',') && !scanner_.peek().is(')') && scanner_.peek().kind != Token::end)
                scanner_.next();
            return;
        }
        if (spec == nullptr || !spec->mentalray) {
            std::vector<std::string> names;
            for (const AttributeSpec& a : schema_.attributes()) {
                if (a.mentalray) names.push_back(a.name);
            }
            scanner_.fail(name.line, std::string(kShader) + " has no parameter \"" + name.text + "\"" +
                                         cli::didYouMean(name.text, names));
        }
        for (const std::string& g : given) {
            if (g == name.text) scanner_.fail(name.line, "parameter \"" + name.text + "\" is given twice");
        }
        given.push_back(name.text);
        std::vector<Token> values;
        while (!scanner_.peek().is(',') && !scanner_.peek().is(')')) {
            if (scanner_.peek().kind == Token::end) {
                scanner_.fail(line, "the file ends inside shader \"" + material.name +
                                        "\"'s parameters: is it cut short?");
            }
            if (scanner_.peek().is('=')) {
                // Assigned a shader or an interface parameter: not a value we can show.
                scanner_.next();
                std::string source;
                while (!scanner_.peek().is(',') && !scanner_.peek().is(')') &&
                       scanner_.peek().kind != Token::end)
                    source += (source.empty() ? "" : " ") + scanner_.next().text;
                material.notes.push_back(scanner_.file() + ":" + std::to_string(name.line) + ": \"" +
                                         name.text + "\" is assigned " + source +
                                         "; the preview shows its default");
                return;
            }
            values.push_back(scanner_.next());
        }
        StoredValue value;
        value.name = spec->name;
        value.kind = spec->kind;
        value.line = name.line;
        value.numbers =
            parseValue(scanner_, values, *spec, true, "\"" + name.text + "\" of \"" + material.name + "\"");
        material.values.push_back(std::move(value));
    }

    TextScanner scanner_;
    const Schema& schema_;
    std::vector<StoredMaterial> materials_;
};

}  // namespace

std::vector<StoredMaterial> readMentalrayScene(std::string_view text, const std::string& file,
                                               const Schema& schema) {
    return MentalrayReader(text, file, schema).read();
}

}  // namespace sorvane::material
