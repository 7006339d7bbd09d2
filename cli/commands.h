#pragma once

#include <iosfwd>

#include "cli/common/pluginPaths.h"

namespace CLI {
class App;
}

namespace sorvane::cli {

// What a subcommand reads, writes and reports back to main.
struct CommandContext {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    int exitCode = 0;
    bool outputFailureReported = false;  // the subcommand said why `out` failed
};

void addInspectCommand(CLI::App& app, CommandContext& context);
void addShadeCommand(CLI::App& app, CommandContext& context);
void addRenderCommand(CLI::App& app, CommandContext& context);  // renderCommand.cpp
void addStudioCommand(CLI::App& app, CommandContext& context);  // studioCommand.cpp

// The whole command, as main runs it; tests drive it in-process.
int run(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace sorvane::cli
