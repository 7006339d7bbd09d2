#include "cli/shade/shadeSession.h"

#include <stdio_ext.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <new>
#include <ostream>
#include <string>

#include "cli/common/inputFile.h"

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

// One line of `in` without its newline, at most kTextInputLimit bytes of it:
// the rest of a longer line is read past, and `tooLong` says so. False at
// the end of the input.
bool readLine(std::istream& in, std::string& text, bool& tooLong) {
    text.clear();
    tooLong = false;
    std::streambuf* buffer = in.rdbuf();
    bool any = false;
    for (;;) {
        const int c = buffer->sbumpc();
        if (c == std::char_traits<char>::eof()) {
            in.setstate(std::ios::eofbit);
            return any;
        }
        any = true;
        if (c == '\n') return true;
        if (text.size() < kTextInputLimit) {
            text.push_back(static_cast<char>(c));
        } else {
            tooLong = true;
        }
    }
}

// Where the next line begins in standard output when that is a regular
// file, so that a line the file cannot take whole is taken back out.
off_t lineStart(const std::ostream& out) {
    struct stat status {};
    if (&out != &std::cout || ::fstat(STDOUT_FILENO, &status) != 0 || !S_ISREG(status.st_mode)) return -1;
    return ::lseek(STDOUT_FILENO, 0, SEEK_CUR);
}

}  // namespace

int runShadeLoop(ShadeSession& session, std::istream& in, std::ostream& out, std::ostream& err) {
    int status = 0;
    std::string text;
    bool tooLong = false;
    off_t start = lineStart(out);
    for (long lineNumber = 1; readLine(in, text, tooLong); ++lineNumber) {
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        std::string line;
        try {
            if (tooLong) {
                throw InputError("", "longer than " + std::to_string(kTextInputLimit >> 20) + " MiB");
            }
            line = writeJson(shadeLine(session, text));
        } catch (const std::exception& error) {
            const bool memory = dynamic_cast<const std::bad_alloc*>(&error) != nullptr;
            const std::string message =
                "line " + std::to_string(lineNumber) + ": " +
                (memory ? "out of memory while shading it" : printable(messageOf(error)));
            err << "sorvane shade: " << message << '\n';
            line = writeJson(OrderedJson{{"error", message}});
            status = 1;
        }
        // Line by line, so that output that cannot be written stops the
        // loop at once, and never ends in half a line.
        out << line << '\n';
        if (!out.flush()) {
            const int error = errno;
            if (start >= 0 && ::ftruncate(STDOUT_FILENO, start) == 0) {
                ::lseek(STDOUT_FILENO, start, SEEK_SET);
                __fpurge(stdout);  // nor is it tried again at exit
            }
            err << "sorvane shade: cannot write the output: " << std::strerror(error) << '\n';
            return kOutputFailed;
        }
        if (start >= 0) start = ::lseek(STDOUT_FILENO, 0, SEEK_CUR);
    }
    // Standard input reads through stdio, which keeps a read error (a directory
    // given as input, say) to itself rather than in the stream's state.
    if (in.bad() || (&in == &std::cin && std::ferror(stdin))) {
        err << "sorvane shade: cannot read the input: " << std::strerror(errno) << '\n';
        status = 1;
    }
    return status;
}

}  // namespace sorvane::cli
