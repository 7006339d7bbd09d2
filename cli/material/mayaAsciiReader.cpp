// Maya ASCII: a scene is MEL statements, one node after another. A sorvane
// node is `createNode sorvane -n "NAME";` and the setAttr statements that
// follow until the next node; `select -ne NAME;` takes a node up again, and
// setAttr "NAME.attribute" reaches one by name. Everything else is skipped,
// and nothing is run.
#include <algorithm>

#include "cli/common/nameSuggestions.h"
#include "cli/material/materialReaders.h"
#include "cli/material/textScanner.h"

namespace sorvane::material {

std::vector<float> currentValue(const StoredMaterial& material, const AttributeSpec& spec) {
    for (auto v = material.values.rbegin(); v != material.values.rend(); ++v) {
        if (v->name == spec.name && v->scope != HostScope::mentalray) return v->numbers;
    }
    return spec.defaults.empty() ? std::vector<float>(3, 0.0f) : spec.defaults;
}

namespace {

struct Statement {
    std::vector<Token> tokens;
    int line = 0;
};

// The statements up to each ';'. A file that ends inside one was cut short.
std::vector<Statement> statements(TextScanner& scanner) {
    std::vector<Statement> out;
    Statement current;
    for (Token t = scanner.next(); t.kind != Token::end; t = scanner.next()) {
        if (t.is(';')) {
            if (!current.tokens.empty()) out.push_back(std::move(current));
            current = Statement{};
            continue;
        }
        if (current.tokens.empty()) current.line = t.line;
        current.tokens.push_back(std::move(t));
    }
    if (!current.tokens.empty()) {
        scanner.fail(current.line, "the file ends inside this \"" + current.tokens[0].text +
                                       "\" statement (no ';'): is it cut short?");
    }
    return out;
}

// setAttr's flags: those that take one argument, and those that take none.
bool flagTakesArgument(const std::string& flag) {
    static const char* const withArgument[] = {"-k", "-keyable", "-l",    "-lock", "-cb", "-channelBox",
                                               "-s", "-size",    "-type", "-typ",  "-ca", "-caching"};
    return std::find(std::begin(withArgument), std::end(withArgument), flag) != std::end(withArgument);
}

bool flagAlone(const std::string& flag) {
    return flag == "-av" || flag == "-alteredValue" || flag == "-c" || flag == "-clamp";
}

class MayaAsciiReader {
public:
    MayaAsciiReader(std::string_view text, const std::string& file, const Schema& schema)
        : scanner_(text, TextScanner::Comments::mel, file), schema_(schema) {}

    std::vector<StoredMaterial> read() {
        for (const Statement& s : statements(scanner_)) statement(s);
        return std::move(materials_);
    }

private:
    void statement(const Statement& s) {
        const std::string& command = s.tokens[0].text;
        if (command == "createNode") {
            createNode(s);
        } else if (command == "setAttr") {
            setAttr(s);
        } else if (command == "select") {
            // `select -ne NAME`: later setAttr ".x" statements are that node's.
            current_ = -1;
            const std::string name = s.tokens.back().text;
            for (std::size_t i = 0; i < materials_.size(); ++i) {
                if (materials_[i].name == name) current_ = static_cast<int>(i);
            }
        } else if (command == "connectAttr") {
            connectAttr(s);
        } else if (command == "addAttr" || command == "rename" || command == "lockNode" ||
                   command == "setKeyframe") {
            // Part of the node's block, nothing of its material.
        } else {
            current_ = -1;
        }
    }

    void createNode(const Statement& s) {
        current_ = -1;
        if (s.tokens.size() < 2) scanner_.fail(s.line, "createNode names no node type");
        if (s.tokens[1].text != "sorvane") return;
        std::string name;
        for (std::size_t i = 2; i < s.tokens.size(); ++i) {
            const std::string& flag = s.tokens[i].text;
            if ((flag == "-n" || flag == "-name") && i + 1 < s.tokens.size()) {
                name = s.tokens[++i].text;
            } else if ((flag == "-p" || flag == "-parent") && i + 1 < s.tokens.size()) {
                ++i;
            }
        }
        // Maya names an unnamed node after its type and a number.
        if (name.empty()) name = "sorvane" + std::to_string(materials_.size() + 1);
        for (const StoredMaterial& m : materials_) {
            if (m.name == name) {
                scanner_.fail(s.line, "a second sorvane node \"" + name + "\" (the first is at line " +
                                          std::to_string(m.line) + ")");
            }
        }
        StoredMaterial m;
        m.name = name;
        m.file = scanner_.file();
        m.line = s.line;
        materials_.push_back(std::move(m));
        current_ = static_cast<int>(materials_.size()) - 1;
    }

    // The material an attribute path names, and the attribute's own part:
    // ".dfl" is the current node's, "NAME.dfl" node NAME's (-1: not ours).
    int target(const Token& path, std::string& attribute) const {
        const std::size_t dot = path.text.find('.');
        if (dot == std::string::npos) scanner_.fail(path.line, "\"" + path.text + "\" names no attribute");
        attribute = path.text.substr(dot + 1);
        if (dot == 0) return current_;
        const std::string node = path.text.substr(0, dot);
        for (std::size_t i = 0; i < materials_.size(); ++i) {
            if (materials_[i].name == node) return static_cast<int>(i);
        }
        return -1;
    }

    const AttributeSpec& attributeOf(const std::string& name, int line, int& channel) const {
        const AttributeSpec* spec = schema_.findMaya(name, channel);
        if (spec == nullptr) {
            std::vector<std::string> names;
            for (const AttributeSpec& a : schema_.attributes()) {
                if (!a.maya) continue;
                names.push_back(a.name);
                if (!a.shortName.empty()) names.push_back(a.shortName);
                for (const std::string& child : a.childNames) {
                    if (!child.empty()) names.push_back(child);
                }
            }
            scanner_.fail(
                line, "the sorvane node has no attribute \"" + name + "\"" + cli::didYouMean(name, names));
        }
        return *spec;
    }

    void setAttr(const Statement& s) {
        std::string type;
        const Token* path = nullptr;
        std::vector<Token> values;
        for (std::size_t i = 1; i < s.tokens.size(); ++i) {
            const Token& t = s.tokens[i];
            if (path == nullptr && t.kind == Token::word && t.text.size() > 1 && t.text[0] == '-' &&
                std::isalpha(static_cast<unsigned char>(t.text[1]))) {
                if (flagTakesArgument(t.text)) {
                    if (i + 1 >= s.tokens.size())
                        scanner_.fail(t.line, "setAttr's " + t.text + " has no value");
                    if (t.text == "-type" || t.text == "-typ") type = s.tokens[i + 1].text;
                    ++i;
                } else if (!flagAlone(t.text)) {
                    scanner_.fail(t.line, "setAttr has no flag " + t.text);
                }
                continue;
            }
            if (path == nullptr) {
                if (t.kind != Token::string) scanner_.fail(t.line, "setAttr expects the attribute in quotes");
                path = &t;
                continue;
            }
            if (t.kind == Token::word && (t.text == "-type" || t.text == "-typ") && i + 1 < s.tokens.size()) {
                type = s.tokens[++i].text;  // Maya writes the type after the path
                continue;
            }
            values.push_back(t);
        }
        if (path == nullptr) scanner_.fail(s.line, "setAttr names no attribute");
        std::string attribute;
        const int index = target(*path, attribute);
        if (index < 0) return;
        StoredMaterial& material = materials_[static_cast<std::size_t>(index)];
        int channel = -1;
        const AttributeSpec& spec = attributeOf(attribute, path->line, channel);
        const std::string what = "\"" + attribute + "\" of \"" + material.name + "\"";
        const bool compound =
            (spec.kind == ValueKind::color || spec.kind == ValueKind::vector) && channel < 0;
        if (!type.empty() && !(compound && (type == "float3" || type == "double3"))) {
            scanner_.fail(path->line, what + " is " + (compound ? "a float3" : "one number") +
                                          ", not of type \"" + type + "\"");
        }
        StoredValue value;
        value.name = spec.name;
        value.kind = spec.kind;
        value.line = path->line;
        if (channel >= 0) {
            AttributeSpec one = spec;
            one.kind = ValueKind::scalar;
            const std::vector<float> v = parseValue(scanner_, values, one, false, what);
            value.numbers = currentValue(material, spec);
            value.numbers.resize(3);
            value.numbers[static_cast<std::size_t>(channel)] = v[0];
        } else {
            value.numbers = parseValue(scanner_, values, spec, false, what);
        }
        material.values.push_back(std::move(value));
    }

    void connectAttr(const Statement& s) {
        // connectAttr SOURCE DESTINATION [flags]: a texture on one of ours.
        std::vector<const Token*> paths;
        for (std::size_t i = 1; i < s.tokens.size(); ++i) {
            if (s.tokens[i].kind == Token::string) paths.push_back(&s.tokens[i]);
        }
        if (paths.size() < 2) return;
        std::string attribute;
        const std::size_t dot = paths[1]->text.find('.');
        if (dot == 0 || dot == std::string::npos) return;
        const int index = target(*paths[1], attribute);
        if (index < 0) return;
        materials_[static_cast<std::size_t>(index)].notes.push_back(
            scanner_.file() + ":" + std::to_string(paths[1]->line) + ": \"" + attribute +
            "\" is connected to " + paths[0]->text + "; the preview shows the attribute's own value");
    }

    TextScanner scanner_;
    const Schema& schema_;
    std::vector<StoredMaterial> materials_;
    int current_ = -1;  // the material whose block we are in
};

}  // namespace

std::vector<StoredMaterial> readMayaAscii(std::string_view text, const std::string& file,
                                          const Schema& schema) {
    return MayaAsciiReader(text, file, schema).read();
}

}  // namespace sorvane::material
