// sorvane studio: a page to tune a material live, both hosts side by side,
// served on the loopback address until interrupted.
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <thread>

#include "cli/commands.h"
#include "cli/common/jsonValues.h"
#include "cli/hosts/hostCommands.h"
#include "cli/hosts/hostRegistry.h"
#include "cli/render/environmentFile.h"
#include "cli/studio/studioServer.h"

extern char** environ;

namespace sorvane::cli {

namespace {

struct StudioOptions {
    int port = 8470;
    std::string bind = "127.0.0.1";
    bool open = false;
    PluginPaths paths = defaultPluginPaths();
};

// The desktop's browser, where there is one; the studio runs on without it.
void openBrowser(const std::string& url, std::ostream& err) {
    const char* argv[] = {"xdg-open", url.c_str(), nullptr};
    pid_t pid = 0;
    if (::posix_spawnp(&pid, "xdg-open", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) {
        err << "sorvane studio: no browser to open here (xdg-open not found); open " << url << " yourself\n";
        return;
    }
    // xdg-open hands the page to the browser and returns.
    std::thread([pid] {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }).detach();
}

void run(const StudioOptions& options, CommandContext& context) {
    std::vector<std::unique_ptr<render::ShadingBackend>> backends;
    for (const HostEntry& host : registeredHosts()) backends.push_back(host.openBackend(options.paths));
    studio::MaterialSchema schema = studio::materialSchema(describeMentalrayParameters(options.paths));
    // The environments shipped beside the command; one that will not read is named and left out.
    std::vector<studio::SwatchRenderer::Environment> environments;
    for (const std::string& file : render::environmentFilesIn(defaultEnvironmentDirectory())) {
        try {
            environments.push_back(
                {std::filesystem::path(file).stem().string(), render::readEnvironmentMap(file)});
        } catch (const InputError& error) {
            context.err << "sorvane studio: " << messageOf(error) << "; left out\n";
        }
    }
    studio::SwatchRenderer renderer(std::move(backends), environments);
    studio::StudioServer server(renderer, std::move(schema));

    // Interrupts are taken by one thread, which stops the server; the
    // server's threads, started after this, inherit the mask.
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGINT);
    sigaddset(&stopping, SIGTERM);
    sigset_t previous;
    ::pthread_sigmask(SIG_BLOCK, &stopping, &previous);
    // A client gone mid-answer is a failed write, not the end of the process.
    ::signal(SIGPIPE, SIG_IGN);
    try {
        server.bind(options.bind, options.port);
    } catch (...) {
        ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        throw;
    }
    if (!studio::isLoopback(options.bind)) {
        context.err << "sorvane studio: listening on " << options.bind
                    << ", not only the loopback address: other machines can reach the studio\n";
    }
    context.out << "sorvane studio: serving " << server.url() << " (Ctrl-C stops it)" << std::endl;
    if (options.open) openBrowser(server.url(), context.err);

    std::thread stopper([&server, stopping] {
        int signal = 0;
        ::sigwait(&stopping, &signal);
        server.stop();
    });
    server.run();
    stopper.join();
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    context.err << "sorvane studio: stopped\n";
}

}  // namespace

void addStudioCommand(CLI::App& app, CommandContext& context) {
    auto options = std::make_shared<StudioOptions>();
    CLI::App* command = app.add_subcommand(
        "studio",
        "Serve a page to tune a material live: controls for every attribute, the Maya and the mental\n"
        "ray swatch side by side, rendered by the built plug-ins through their hosts as you move a\n"
        "slider. It runs until interrupted (Ctrl-C).");
    command->add_option("--port", options->port, "The port to serve on; 0 picks a free one and prints it")
        ->check(CLI::Range(0, 65535))
        ->capture_default_str();
    command
        ->add_option("--bind", options->bind,
                     "The address to listen on (numeric); anything but loopback lets other machines in")
        ->capture_default_str();
    command->add_flag("--open", options->open, "Open the page in the system's browser");
    addPluginPathOptions(*command, options->paths);
    command->callback([options, &context] {
        try {
            run(*options, context);
        } catch (const std::exception& error) {
            context.err << "sorvane studio: " << printable(error.what()) << '\n';
            context.exitCode = 1;
        }
    });
}

}  // namespace sorvane::cli
