#pragma once

// sorvane studio's HTTP server: the page, and the interface it and scripts use.
//
//   GET  /                 the page (and /studio.js, /studio.css)
//   GET  /api/schema       the attribute table, the presets, the environments
//   POST /api/render       {"material", "host", "size", "samples", "exposure", "view"}: a PNG
//   POST /api/material     the text of a .ma, .mi, .mel or .json file (?name=FILE): its materials
//   POST /api/export       {"material", "name"}: the preset JSON, the .mel preset, the .mi statement
//
// Safe by default: it binds where it is told (the command says loopback),
// answers only requests whose Host names the address served (no DNS
// rebinding) and whose Origin, when sent, is its own; sends no CORS headers;
// caps bodies, render sizes and samples; writes nothing to disk. A bad
// request costs an error response with a message naming what was wrong.

#include <memory>
#include <string>

#include "cli/studio/materialSchema.h"
#include "cli/studio/swatchRenderer.h"

namespace sorvane::studio {

struct StudioLimits {
    static constexpr std::size_t kMaxBodyBytes = 1 << 20;
    static constexpr int kMaxSize = 1024;                     // pixels, each side
    static constexpr int kMaxSamples = 16;                    // per pixel
    static constexpr long long kMaxWork = 1024LL * 1024 * 4;  // pixels times samples
};

class StudioServer {
public:
    StudioServer(SwatchRenderer& renderer, MaterialSchema schema);
    ~StudioServer();
    StudioServer(const StudioServer&) = delete;
    StudioServer& operator=(const StudioServer&) = delete;

    // Binds to `address` (a numeric IPv4 or IPv6 address) and `port`, 0 for
    // any free one; returns the port. Throws InputError when it cannot.
    int bind(const std::string& address, int port);
    // Serves until stop(). stop() may come from any thread, before run() too,
    // and returns when run() has.
    void run();
    void stop();
    // "http://127.0.0.1:8470/"
    std::string url() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Whether `address` is a loopback address (127.0.0.0/8, ::1).
bool isLoopback(const std::string& address);

}  // namespace sorvane::studio
