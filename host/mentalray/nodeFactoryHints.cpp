#include "host/mentalray/nodeFactoryHints.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>

namespace sorvane::mrhost {

namespace {

// The hint text of a line ("" when it has none): what follows "#:" outside
// a quoted name.
std::string hintText(const std::string& line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (!quoted && line[i] == '#') {
            return i + 1 < line.size() && line[i + 1] == ':' ? line.substr(i + 2) : std::string();
        }
    }
    return {};
}

bool isNumber(const std::string& word, double& value) {
    if (word.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(word.c_str(), &end);
    return end == word.c_str() + word.size() && errno == 0 && value == value;
}

const char* const kRanges[] = {"default", "min", "max", "softmin", "softmax"};

bool isRange(const std::string& word) {
    for (const char* r : kRanges) {
        if (word == r) return true;
    }
    return false;
}

}  // namespace

const ParameterHints* NodeFactoryHints::find(const std::string& parameter) const {
    for (const ParameterHints& p : parameters) {
        if (p.parameter == parameter) return &p;
    }
    return nullptr;
}

std::vector<NodeFactoryHints> parseNodeFactoryHints(const std::string& text, const std::string& sourceName) {
    const std::vector<Declaration> declarations = parseDeclarations(text, sourceName);
    std::vector<NodeFactoryHints> out(declarations.size());
    for (std::size_t d = 0; d < declarations.size(); ++d) out[d].shader = declarations[d].name;

    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const std::string hint = hintText(line);
        std::istringstream in(hint);
        std::vector<std::string> words;
        for (std::string w; in >> w;) words.push_back(w);
        if (words.empty()) continue;
        const auto fail = [&](const std::string& message) -> void {
            throw HostError(sourceName + ":" + std::to_string(number) + ": " + message);
        };
        // The declaration the line stands in, and its parameter on this line or above it.
        int owner = -1;
        for (std::size_t d = 0; d < declarations.size(); ++d) {
            if (declarations[d].source == sourceName && declarations[d].line <= number)
                owner = static_cast<int>(d);
        }
        if (owner < 0) fail("a \"#:\" hint outside any shader declaration");
        const Declaration& declaration = declarations[static_cast<std::size_t>(owner)];
        const Parameter* parameter = nullptr;
        for (const Parameter& p : declaration.parameters) {
            if (p.line <= number) parameter = &p;
        }
        ParameterHints* hints = nullptr;
        const auto parameterHints = [&]() -> ParameterHints& {
            if (parameter == nullptr)
                fail("\"" + words.front() + "\" hints a parameter, but none stands above it");
            if (hints == nullptr) {
                NodeFactoryHints& node = out[static_cast<std::size_t>(owner)];
                for (ParameterHints& p : node.parameters) {
                    if (p.parameter == parameter->name) hints = &p;
                }
                if (hints == nullptr) {
                    node.parameters.push_back({parameter->name, number, {}, {}, false});
                    hints = &node.parameters.back();
                }
            }
            return *hints;
        };
        for (std::size_t i = 0; i < words.size();) {
            const std::string keyword = words[i++];
            if (isRange(keyword)) {
                std::vector<double> values;
                double v;
                while (i < words.size() && isNumber(words[i], v)) {
                    values.push_back(v);
                    ++i;
                }
                if (values.empty() || values.size() > 4) {
                    fail("\"" + keyword + "\" takes one to four numbers");
                }
                ParameterHints& p = parameterHints();
                if (p.values.count(keyword))
                    fail("\"" + keyword + "\" is given twice for \"" + p.parameter + "\"");
                p.values[keyword] = values;
            } else if (keyword == "nodeid") {
                double v;
                if (i == words.size() || !isNumber(words[i], v) ||
                    v != static_cast<double>(static_cast<long long>(v)) || v < 0 ||
                    v > static_cast<double>(std::numeric_limits<unsigned>::max())) {
                    fail("\"nodeid\" takes a whole number from 0 to 4294967295");
                }
                NodeFactoryHints& node = out[static_cast<std::size_t>(owner)];
                if (node.nodeId) fail("a second \"nodeid\" for \"" + node.shader + "\"");
                node.nodeId = static_cast<long long>(v);
                ++i;
            } else if (keyword == "shortname") {
                if (i == words.size() || words[i].size() < 3 || words[i].front() != '"' ||
                    words[i].back() != '"') {
                    fail("\"shortname\" takes a quoted name");
                }
                parameterHints().shortName = words[i].substr(1, words[i].size() - 2);
                ++i;
            } else if (keyword == "hidden") {
                const std::string value = i < words.size() ? words[i] : "";
                if (value != "true" && value != "false" && value != "on" && value != "off") {
                    fail("\"hidden\" takes true, false, on or off");
                }
                parameterHints().hidden = value == "true" || value == "on";
                ++i;
            } else {
                fail("unknown hint \"" + keyword +
                     "\" (the node factory reads default, min, max, softmin, softmax, shortname, hidden and "
                     "nodeid)");
            }
        }
    }
    return out;
}

std::vector<NodeFactoryHints> readNodeFactoryHints(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw HostError("cannot open the declaration " + path);
    std::ostringstream text;
    text << file.rdbuf();
    return parseNodeFactoryHints(text.str(), path);
}

}  // namespace sorvane::mrhost
