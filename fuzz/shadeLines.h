#pragma once

// What both shade targets check of a run: one output line per input line,
// each a JSON object, whatever the input held.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "cli/shade/shadeSession.h"

namespace sorvane::fuzz {

inline void shadeLines(cli::ShadeSession& session, const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::istringstream in(input);
    std::ostringstream out, err;
    cli::runShadeLoop(session, in, out, err);

    std::size_t inputLines = 0;
    for (std::size_t start = 0; start < input.size(); ++inputLines) {
        const std::size_t end = input.find('\n', start);
        start = end == std::string::npos ? input.size() : end + 1;
    }
    std::istringstream answers(out.str());
    std::size_t outputLines = 0;
    for (std::string line; std::getline(answers, line); ++outputLines) {
        if (!cli::Json::accept(line) || !cli::Json::parse(line).is_object()) std::abort();
    }
    if (outputLines != inputLines) std::abort();
}

}  // namespace sorvane::fuzz
