#pragma once

// A studio server in this process, on a free loopback port, rendering
// through the built plug-ins; and a client that talks to it.

#include <httplib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "cli/hosts/hostBackends.h"
#include "cli/render/environmentFile.h"
#include "cli/studio/studioServer.h"

namespace sorvane::studio::testing {

class RunningStudio {
public:
    explicit RunningStudio(const std::string& address = "127.0.0.1") {
        const cli::PluginPaths paths = cli::defaultPluginPaths();
        std::vector<std::unique_ptr<render::ShadingBackend>> backends;
        backends.push_back(render::openMayaBackend(paths));
        backends.push_back(render::openMentalrayBackend(paths));
        std::vector<SwatchRenderer::Environment> environments;
        for (const std::string& file : render::environmentFilesIn(cli::defaultEnvironmentDirectory()))
            environments.push_back(
                {std::filesystem::path(file).stem().string(), render::readEnvironmentMap(file)});
        renderer_ = std::make_unique<SwatchRenderer>(std::move(backends), environments);
        server_ = std::make_unique<StudioServer>(*renderer_,
                                                 materialSchema(cli::describeMentalrayParameters(paths)));
        port_ = server_->bind(address, 0);
        thread_ = std::thread([this] { server_->run(); });
    }
    ~RunningStudio() {
        server_->stop();
        thread_.join();
    }

    int port() const { return port_; }
    std::string host() const { return "127.0.0.1:" + std::to_string(port_); }
    // A client whose requests name the served address, as a browser's would.
    std::unique_ptr<httplib::Client> client() const {
        auto c = std::make_unique<httplib::Client>("127.0.0.1", port_);
        c->set_read_timeout(60, 0);
        c->set_connection_timeout(5, 0);
        return c;
    }

private:
    std::unique_ptr<SwatchRenderer> renderer_;
    std::unique_ptr<StudioServer> server_;
    int port_ = 0;
    std::thread thread_;
};

}  // namespace sorvane::studio::testing
