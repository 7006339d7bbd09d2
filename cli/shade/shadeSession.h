#pragma once

#include <iosfwd>

#include "cli/common/jsonValues.h"

namespace sorvane::cli {

// A plug-in loaded into its host, ready to evaluate one sample per input line.
class ShadeSession {
public:
    virtual ~ShadeSession() = default;
    // Throws InputError for a rejected line; the session stays usable.
    virtual OrderedJson shade(const Json& line) = 0;
};

// Reads JSON Lines from `in`, writes one output line per input line in the
// same order (an {"error": ...} object for a rejected one, with a message on
// `err`). Returns 0 when every line was evaluated, 1 otherwise, and
// kOutputFailed, having said why, when `out` would take no more: the lines
// written are whole, a partial last one removed from a regular file.
constexpr int kOutputFailed = -1;
int runShadeLoop(ShadeSession& session, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace sorvane::cli
