#include "cli/shade/shadeSession.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <ostream>
#include <string>

namespace sorvane::cli {

namespace {

OrderedJson shadeLine(ShadeSession& session, const std::string& text) {
    // The parser would stop at a NUL and take the rest of the line for gone.
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos) {
        throw InputError("",
                         "a NUL byte at column " + std::to_string(nul + 1) + " (expected one JSON object)");
    }
    Json line;
    try {
        line = parseJson(text);
    } catch (const Json::parse_error& error) {
        throw InputError("", std::string("not valid JSON (") + error.what() + ")");
    }
    if (!line.is_object()) {
        throw InputError("", std::string("expected a JSON object, got ") + line.type_name());
    }
    return session.shade(line);
}

}  // namespace

int runShadeLoop(ShadeSession& session, std::istream& in, std::ostream& out, std::ostream& err) {
    int status = 0;
    std::string text;
    for (long lineNumber = 1; std::getline(in, text); ++lineNumber) {
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        try {
            out << writeJson(shadeLine(session, text)) << '\n';
        } catch (const std::exception& error) {
            const std::string message = "line " + std::to_string(lineNumber) + ": " + printable(error.what());
            err << "sorvane shade: " << message << '\n';
            out << writeJson(OrderedJson{{"error", message}}) << '\n';
            status = 1;
        }
    }
    // Standard input reads through stdio, which keeps a read error (a directory
    // given as input, say) to itself rather than in the stream's state.
    if (in.bad() || (&in == &std::cin && std::ferror(stdin))) {
        err << "sorvane shade: cannot read the input: " << std::strerror(errno) << '\n';
        status = 1;
    }
    out.flush();
    return status;
}

}  // namespace sorvane::cli
