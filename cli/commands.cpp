#include "cli/commands.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <iostream>

#include "cli/common/nameSuggestions.h"
#include "cli/hosts/hostRegistry.h"

namespace sorvane::cli {

namespace {

struct HostOptions {
    std::string host;
    PluginPaths paths = defaultPluginPaths();
};

CLI::App* addHostCommand(CLI::App& app, const char* name, const char* description, HostOptions& options) {
    CLI::App* command = app.add_subcommand(name, description);
    command->add_option("--host", options.host, "Which plug-in, through which host")
        ->required()
        ->check(CLI::IsMember(hostNames()));
    addPluginPathOptions(*command, options.paths);
    return command;
}

// CLI11's message, with the names meant where a command or an option was mistyped.
std::string usageMessage(const CLI::App& app, const CLI::App& parsed, const CLI::ParseError& error, int argc,
                         const char* const* argv) {
    if (&parsed == &app) {
        // A mistyped command reaches CLI11 as a stray argument.
        std::vector<std::string> commands;
        for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
            commands.push_back(sub->get_name());
        }
        for (int i = 1; i < argc; ++i) {
            const std::string word = argv[i];
            if (word.empty() || word[0] == '-') continue;
            std::string known;
            for (const std::string& c : commands) known += (known.empty() ? "" : ", ") + c;
            return "unknown command \"" + word + "\"" + didYouMean(word, commands) + " (commands: " + known +
                   ")";
        }
        return error.what();
    }
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
        std::vector<std::string> options;
        for (const CLI::Option* option : parsed.get_options()) {
            for (const std::string& longName : option->get_lnames()) options.push_back("--" + longName);
        }
        for (const std::string& word : parsed.remaining()) {
            if (word.rfind("--", 0) != 0) continue;
            const std::string suggestion = didYouMean(word.substr(0, word.find('=')), options);
            if (!suggestion.empty()) return error.what() + suggestion;
        }
    }
    return error.what();
}

// A full device or a closed stream fails only at the last flush: what was
// not written (help and version text included) must not be reported as done.
int finish(std::ostream& out, std::ostream& err) {
    if (out.flush()) return 0;
    err << "sorvane: cannot write the output: " << std::strerror(errno) << '\n';
    return 1;
}

}  // namespace

void addInspectCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<HostOptions>();
    CLI::App* command = addHostCommand(
        app, "inspect", "Load a plug-in into its host, unload it, and print what it registered", *options);
    command->callback([options, &context] {
        try {
            findHost(options->host).inspect(options->paths, context.out);
        } catch (const std::exception& error) {
            context.err << "sorvane inspect: " << printable(messageOf(error)) << '\n';
            context.exitCode = 1;
        }
    });
}

void addShadeCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<HostOptions>();
    CLI::App* command = addHostCommand(
        app, "shade", "Evaluate shading samples: one JSON object per line in, one per line out", *options);
    command->callback([options, &context] {
        std::unique_ptr<ShadeSession> session;
        try {
            session = findHost(options->host).openShadeSession(options->paths);
        } catch (const std::exception& error) {
            context.err << "sorvane shade: " << printable(messageOf(error)) << '\n';
            context.exitCode = 1;
            return;
        }
        context.exitCode = runShadeLoop(*session, context.in, context.out, context.err);
        if (context.exitCode == kOutputFailed) {
            context.exitCode = 1;
            context.outputFailureReported = true;
        }
    });
}

int run(int argc, const char* const* argv, std::istream& in, std::ostream& out, std::ostream& err) {
    CLI::App app("sorvane: preview, evaluate and inspect the sorvane shader through its hosts", "sorvane");
    app.require_subcommand(1);
    app.set_version_flag("--version", std::string("sorvane ") + SORVANE_VERSION,
                         "Print the version and stop");
    CommandContext context{in, out, err};
    addRenderCommand(app, context);
    addShadeCommand(app, context);
    addInspectCommand(app, context);
    addStudioCommand(app, context);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return finish(out, err);
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return finish(out, err);
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << '\n';
        return finish(out, err);
    } catch (const CLI::ParseError& error) {
        // The subcommand being parsed, if any: a usage error points to its own help.
        const CLI::App* parsed = &app;
        for (const CLI::App* sub : app.get_subcommands()) {
            parsed = sub;
        }
        // A subcommand's --help lands here too, as a success.
        if (error.get_exit_code() == 0) {
            out << parsed->help();
            return finish(out, err);
        }
        const std::string name = parsed == &app ? "sorvane" : "sorvane " + parsed->get_name();
        err << name << ": " << printable(usageMessage(app, *parsed, error, argc, argv)) << "\n"
            << "Run '" << name << " --help' for usage.\n";
        return 2;
    }
    if (context.outputFailureReported) {
        out.flush();
        return context.exitCode;
    }
    const int written = finish(out, err);
    return written != 0 ? written : context.exitCode;
}

}  // namespace sorvane::cli
