// Placeholder until the preview renderer lands.
#include <CLI/CLI.hpp>
#include <ostream>

#include "cli/commands.h"

namespace sorvane::cli {

void addRenderCommand(CLI::App& app, CommandContext& context) {
    CLI::App* command = app.add_subcommand("render", "Render a preview of the material");
    command->callback([&context] {
        context.err << "sorvane render: not built yet\n";
        context.exitCode = 1;
    });
}

}  // namespace sorvane::cli
