#pragma once

// The "#:" hints of a declaration file, as Maya's node factory reads them to
// make a node of a mental ray shader: after a parameter, its default, min,
// max, softmin and softmax (one number per component), shortname and hidden;
// before `end declare`, the node's fixed `nodeid`. The renderer reads the
// same lines as comments (see declaration.h): these readers are apart from it,
// and refuse what the node factory could not read, naming the line.
//
//   color  "tint"   default 0.5 0.5 0.5 1.0,  #: default 0.5 0.5 0.5
//   scalar "weight" default 0.8,              #: default 0.8 min 0 softmax 1
//   ...
//   #: nodeid 532546
//   end declare

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/mentalray/declaration.h"

namespace sorvane::mrhost {

struct ParameterHints {
    std::string parameter;
    int line = 0;
    // "default", "min", "max", "softmin", "softmax": the numbers given.
    std::map<std::string, std::vector<double>> values;
    std::string shortName;
    bool hidden = false;
};

struct NodeFactoryHints {
    std::string shader;
    std::optional<long long> nodeId;
    std::vector<ParameterHints> parameters;  // in declaration order, those with hints
    const ParameterHints* find(const std::string& parameter) const;
};

// One entry per declaration of the text. Throws HostError.
std::vector<NodeFactoryHints> parseNodeFactoryHints(const std::string& text, const std::string& sourceName);
std::vector<NodeFactoryHints> readNodeFactoryHints(const std::string& path);

}  // namespace sorvane::mrhost
