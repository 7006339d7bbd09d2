#include "cli/studio/studioServer.h"

#include <arpa/inet.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <mutex>
#include <thread>

#include "cli/common/inputError.h"
#include "cli/common/jsonValues.h"
#include "cli/common/nameSuggestions.h"
#include "cli/material/materialFiles.h"
#include "cli/render/sceneFile.h"
#include "cli/render/sceneMesh.h"
#include "cli/render/storedMaterials.h"
#include "cli/studio/pageFiles.h"

namespace sorvane::studio {

namespace {

using cli::InputError;
using cli::Json;
using cli::OrderedJson;

void sendError(httplib::Response& res, int status, const std::string& message) {
    res.status = status;
    res.set_content(cli::writeJson(OrderedJson{{"error", message}}) + "\n", "application/json");
}

bool parseAddress(const std::string& address, bool& v6) {
    unsigned char buffer[16];
    if (::inet_pton(AF_INET, address.c_str(), buffer) == 1) {
        v6 = false;
        return true;
    }
    if (::inet_pton(AF_INET6, address.c_str(), buffer) == 1) {
        v6 = true;
        return true;
    }
    return false;
}

bool isWildcard(const std::string& address) { return address == "0.0.0.0" || address == "::"; }

// A Host header's name and port: "127.0.0.1:8470", "[::1]:8470", "localhost:8470".
bool splitHost(const std::string& host, std::string& name, std::string& port) {
    if (!host.empty() && host[0] == '[') {
        const std::size_t close = host.find(']');
        if (close == std::string::npos) return false;
        name = host.substr(1, close - 1);
        if (close + 1 == host.size()) {
            port.clear();
            return true;
        }
        if (host[close + 1] != ':') return false;
        port = host.substr(close + 2);
        return true;
    }
    const std::size_t colon = host.rfind(':');
    if (colon == std::string::npos) {
        name = host;
        port.clear();
        return true;
    }
    if (host.find(':') != colon) return false;  // an IPv6 address must be bracketed
    name = host.substr(0, colon);
    port = host.substr(colon + 1);
    return true;
}

int readSide(const Json& v, const std::string& field) {
    const int side = cli::readInt(v, field);
    if (side < 1 || side > StudioLimits::kMaxSize) {
        throw InputError(field, "must be from 1 to " + std::to_string(StudioLimits::kMaxSize) + " pixels");
    }
    return side;
}

const Json& readBody(const httplib::Request& req, Json& document) {
    const std::string type = req.get_header_value("Content-Type");
    if (type.rfind("application/json", 0) != 0) {
        throw InputError("Content-Type", "must be application/json, not \"" + cli::printable(type) + "\"");
    }
    try {
        document = cli::parseJson(req.body);
    } catch (const InputError&) {
        throw;
    } catch (const std::exception& error) {
        throw InputError("body", std::string("not valid JSON: ") + error.what());
    }
    return cli::requireObject(document, "body");
}

SwatchRequest readRenderRequest(const Json& body) {
    cli::requireKnownKeys(
        body, "", {"material", "host", "size", "samples", "exposure", "pass", "environment", "mesh", "view"});
    SwatchRequest request;
    // A mesh by name only: a path would read the server's files.
    if (body.contains("mesh") && !body["mesh"].is_null()) {
        const std::vector<std::string> names = render::meshNames();
        if (!body["mesh"].is_string() ||
            std::find(names.begin(), names.end(), body["mesh"].get<std::string>()) == names.end()) {
            std::string known;
            for (const std::string& n : names) known += (known.empty() ? "" : ", ") + n;
            if (!body["mesh"].is_string()) throw InputError("mesh", "must be a mesh's name: " + known);
            const std::string given = body["mesh"].get<std::string>();
            throw InputError("mesh", "no mesh \"" + cli::printable(given) + "\"" +
                                         cli::didYouMean(given, names) + " (meshes: " + known +
                                         "; files are not read)");
        }
        request.mesh = body["mesh"].get<std::string>();
    }
    if (!body.contains("host") || !body["host"].is_string()) {
        throw InputError("host", "must be \"maya\" or \"mentalray\"");
    }
    request.host = body["host"].get<std::string>();
    if (body.contains("material")) request.material = render::parseMaterial(body["material"], "material");
    if (body.contains("environment") && !body["environment"].is_null()) {
        if (!body["environment"].is_string()) {
            throw InputError("environment", "must be an environment's name (see /api/schema)");
        }
        request.environment = body["environment"].get<std::string>();
    }
    if (body.contains("pass") && !body["pass"].is_null()) {
        if (!body["pass"].is_string()) throw InputError("pass", "must be a pass name (see /api/schema)");
        request.pass = body["pass"].get<std::string>();
    }
    if (body.contains("size")) {
        const Json& size = body["size"];
        if (size.is_array()) {
            if (size.size() != 2) throw InputError("size", "must be N or [width, height]");
            request.width = readSide(size[0], "size[0]");
            request.height = readSide(size[1], "size[1]");
        } else {
            request.width = request.height = readSide(size, "size");
        }
    }
    if (body.contains("samples")) {
        request.samples = cli::readInt(body["samples"], "samples");
        if (request.samples < 1 || request.samples > StudioLimits::kMaxSamples) {
            throw InputError("samples", "must be from 1 to " + std::to_string(StudioLimits::kMaxSamples));
        }
    }
    const long long work = static_cast<long long>(request.width) * request.height * request.samples;
    if (work > StudioLimits::kMaxWork) {
        throw InputError("size", "with samples, at most " + std::to_string(StudioLimits::kMaxWork) +
                                     " pixel samples a render (" + std::to_string(work) + " asked)");
    }
    if (body.contains("exposure")) {
        request.exposure = cli::readFloat(body["exposure"], "exposure");
        if (!(request.exposure >= -20.0f && request.exposure <= 20.0f)) {
            throw InputError("exposure", "must be stops from -20 to 20");
        }
    }
    if (body.contains("view")) {
        if (!body["view"].is_string() || body["view"].get<std::string>().size() > 64) {
            throw InputError("view", "must be a name of at most 64 characters");
        }
        request.view = body["view"].get<std::string>();
    }
    return request;
}

}  // namespace

bool isLoopback(const std::string& address) {
    unsigned char buffer[16];
    if (::inet_pton(AF_INET, address.c_str(), buffer) == 1) return buffer[0] == 127;
    if (::inet_pton(AF_INET6, address.c_str(), buffer) == 1) {
        for (int i = 0; i < 15; ++i) {
            if (buffer[i] != 0) return false;
        }
        return buffer[15] == 1;
    }
    return false;
}

struct StudioServer::Impl {
    SwatchRenderer& renderer;
    MaterialSchema schema;
    std::string schemaText;
    httplib::Server server;
    std::string address;
    int port = 0;
    std::mutex lifecycle;
    bool stopping = false;
    bool entered = false;
    std::atomic<bool> finished{false};

    Impl(SwatchRenderer& r, MaterialSchema s) : renderer(r), schema(std::move(s)) {
        OrderedJson document = schemaJson(schema, renderer.environments());
        OrderedJson passes = OrderedJson::object();
        for (const std::string& host : renderer.hosts()) passes[host] = renderer.passes(host);
        document["passes"] = passes;
        schemaText = cli::writeJson(document) + "\n";
    }

    // Whether a Host header names the address served. A name other than
    // localhost could be made to point here by anyone's DNS; an address
    // cannot, so on a wildcard bind any numeric address of this port is taken.
    bool hostAllowed(const std::string& host) const {
        std::string name, hostPort;
        if (!splitHost(host, name, hostPort)) return false;
        if (hostPort != std::to_string(port)) return false;
        if (name == "localhost") return isLoopback(address) || isWildcard(address);
        bool v6 = false;
        if (!parseAddress(name, v6)) return false;
        if (isWildcard(address)) return true;
        unsigned char a[16], b[16];
        const int family = v6 ? AF_INET6 : AF_INET;
        return ::inet_pton(family, name.c_str(), a) == 1 && ::inet_pton(family, address.c_str(), b) == 1 &&
               std::memcmp(a, b, v6 ? 16 : 4) == 0;
    }

    httplib::Server::HandlerResponse screen(const httplib::Request& req, httplib::Response& res) const {
        if (!req.has_header("Host")) {
            sendError(res, 400, "Host: missing");
            return httplib::Server::HandlerResponse::Handled;
        }
        const std::string host = req.get_header_value("Host");
        if (!hostAllowed(host)) {
            sendError(res, 403, "Host: \"" + cli::printable(host) + "\" is not the address served");
            return httplib::Server::HandlerResponse::Handled;
        }
        // Browsers send Origin with every cross-site POST: a page elsewhere
        // may not drive the studio.
        if (req.has_header("Origin") && req.get_header_value("Origin") != "http://" + host) {
            sendError(res, 403,
                      "Origin: \"" + cli::printable(req.get_header_value("Origin")) +
                          "\" is not this studio's page");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    }

    void renderSwatch(const httplib::Request& req, httplib::Response& res) {
        Json document;
        const SwatchRequest request = readRenderRequest(readBody(req, document));
        const Swatch swatch = renderer.render(request);
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.4f", swatch.seconds);
        res.set_header("X-Render-Seconds", seconds);
        res.set_header("X-Shading-Samples", std::to_string(swatch.shadingSamples));
        res.set_header("X-Samples", std::to_string(swatch.samples));
        res.set_header("X-Render-Size", std::to_string(swatch.width) + "x" + std::to_string(swatch.height));
        res.set_content(swatch.png, "image/png");
    }

    void exportMaterial(const httplib::Request& req, httplib::Response& res) {
        Json document;
        const Json& body = readBody(req, document);
        cli::requireKnownKeys(body, "", {"material", "name", "description"});
        std::string name = "sorvaneMaterial";
        if (body.contains("name")) {
            if (!body["name"].is_string()) throw InputError("name", "must be a material name");
            name = body["name"].get<std::string>();
        }
        const std::string why = material::checkMaterialName(name);
        if (!why.empty()) throw InputError("name", why);
        std::string description = "saved from sorvane studio";
        if (body.contains("description")) {
            if (!body["description"].is_string()) throw InputError("description", "must be text");
            description = body["description"].get<std::string>();
        }
        const render::SceneMaterial scene = body.contains("material")
                                                ? render::parseMaterial(body["material"], "material")
                                                : render::SceneMaterial{};
        renderer.checkMaterial(scene);
        const material::Schema& schema = renderer.fileSchema();
        const material::StoredMaterial stored = render::storedMaterial(
            name, description, render::resolveMaterial(scene, "material.preset"), schema);
        const OrderedJson out = {{"name", name},
                                 {"preset", material::writePresetJson(stored, schema)},
                                 {"mel", material::writeMelPreset(stored, schema)},
                                 {"mi", material::writeMentalrayShader(stored, schema)}};
        res.set_content(cli::writeJson(out) + "\n", "application/json");
    }

    // The materials of an uploaded .ma, .mi, .mel or presets .json, read in
    // memory: the file's name (?name=look.ma) or ?format=ma says which it is.
    void readMaterialText(const httplib::Request& req, httplib::Response& res) {
        std::string file = req.has_param("name") ? req.get_param_value("name") : "";
        material::FileFormat format{};
        if (req.has_param("format")) {
            const std::string given = req.get_param_value("format");
            if (!material::fileFormatFor("upload." + given, format)) {
                throw InputError("format", "\"" + cli::printable(given) + "\" is not ma, mi, mel or json");
            }
            if (file.empty()) file = "upload." + given;
        } else if (!material::fileFormatFor(file, format)) {
            throw InputError("name", "give the file's name (.ma, .mi, .mel or .json) or ?format=");
        }
        const material::Schema& schema = renderer.fileSchema();
        const std::vector<material::StoredMaterial> found =
            material::readMaterials(req.body, format, file, schema);
        OrderedJson materials = OrderedJson::array();
        for (const material::StoredMaterial& m : found) {
            OrderedJson entry = {{"name", m.name},
                                 {"attributes", OrderedJson::object()},
                                 {"maya", OrderedJson::object()},
                                 {"mentalray", OrderedJson::object()}};
            if (!m.description.empty()) entry["description"] = m.description;
            for (const material::StoredValue& v : m.values) {
                const char* key = v.scope == material::HostScope::maya        ? "maya"
                                  : v.scope == material::HostScope::mentalray ? "mentalray"
                                                                              : "attributes";
                OrderedJson value;
                if (v.kind == material::ValueKind::boolean) {
                    value = !v.numbers.empty() && v.numbers[0] != 0.0f;
                } else if (v.numbers.size() == 1) {
                    value = cli::writeFloat(v.numbers[0]);
                } else {
                    value = OrderedJson::array();
                    for (float f : v.numbers) value.push_back(cli::writeFloat(f));
                }
                entry[key][v.name] = value;
            }
            entry["notes"] = m.notes;
            materials.push_back(entry);
        }
        res.set_content(cli::writeJson(OrderedJson{{"materials", materials}}) + "\n", "application/json");
    }

    void routes() {
        server.set_payload_max_length(StudioLimits::kMaxBodyBytes);
        // Slow or idle clients let go of their thread soon.
        server.set_read_timeout(5, 0);
        server.set_keep_alive_max_count(100);
        server.set_pre_routing_handler(
            [this](const httplib::Request& req, httplib::Response& res) { return screen(req, res); });
        server.set_post_routing_handler([](const httplib::Request&, httplib::Response& res) {
            res.set_header("X-Content-Type-Options", "nosniff");
            res.set_header("X-Frame-Options", "DENY");
            res.set_header("Referrer-Policy", "no-referrer");
            res.set_header("Cache-Control", "no-store");
            res.set_header("Content-Security-Policy",
                           "default-src 'self'; img-src 'self' blob: data:; frame-ancestors 'none'");
        });
        server.set_exception_handler(
            [](const httplib::Request&, httplib::Response& res, std::exception_ptr error) {
                try {
                    std::rethrow_exception(error);
                } catch (const InputError& e) {
                    sendError(res, 400, cli::printable(e.what()));
                } catch (const Superseded& e) {
                    sendError(res, 409, e.what());
                } catch (const Busy& e) {
                    sendError(res, 503, e.what());
                } catch (const std::bad_alloc&) {
                    sendError(res, 503, "out of memory");
                } catch (const std::exception& e) {
                    sendError(res, 500, cli::printable(e.what()));
                } catch (...) {
                    sendError(res, 500, "an unknown failure");
                }
            });
        server.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
            if (res.status == 404)
                sendError(res, 404, "no such page: " + cli::printable(req.path));
            else if (res.status == 413)
                sendError(res, 413, "body: larger than the 1 MiB allowed");
            else if (res.body.empty())
                sendError(res, res.status, "the request was refused");
        });
        for (const PageFile& file : pageFiles()) {
            server.Get(file.path, [&file](const httplib::Request&, httplib::Response& res) {
                res.set_content(std::string(file.data, file.size), file.contentType);
            });
        }
        server.Get("/api/schema", [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(schemaText, "application/json");
        });
        server.Post("/api/render",
                    [this](const httplib::Request& req, httplib::Response& res) { renderSwatch(req, res); });
        server.Post("/api/export", [this](const httplib::Request& req, httplib::Response& res) {
            exportMaterial(req, res);
        });
        server.Post("/api/material", [this](const httplib::Request& req, httplib::Response& res) {
            readMaterialText(req, res);
        });
    }
};

StudioServer::StudioServer(SwatchRenderer& renderer, MaterialSchema schema)
    : impl_(std::make_unique<Impl>(renderer, std::move(schema))) {
    impl_->routes();
}

StudioServer::~StudioServer() = default;

int StudioServer::bind(const std::string& address, int port) {
    bool v6 = false;
    if (!parseAddress(address, v6)) {
        throw InputError("--bind",
                         "\"" + cli::printable(address) + "\" is not a numeric IPv4 or IPv6 address");
    }
    if (port < 0 || port > 65535) throw InputError("--port", "must be from 0 to 65535");
    impl_->server.set_address_family(v6 ? AF_INET6 : AF_INET);
    impl_->address = address;
    if (port == 0) {
        impl_->port = impl_->server.bind_to_any_port(address);
        if (impl_->port < 0) throw InputError("--bind", "cannot listen on " + address);
    } else {
        if (!impl_->server.bind_to_port(address, port)) {
            throw InputError("--port", "cannot listen on " + address + " port " + std::to_string(port) +
                                           " (in use, or not this machine's address)");
        }
        impl_->port = port;
    }
    return impl_->port;
}

void StudioServer::run() {
    {
        const std::lock_guard<std::mutex> lock(impl_->lifecycle);
        if (impl_->stopping) return;
        impl_->entered = true;
    }
    impl_->server.listen_after_bind();
    impl_->finished = true;
}

void StudioServer::stop() {
    {
        const std::lock_guard<std::mutex> lock(impl_->lifecycle);
        impl_->stopping = true;
        if (!impl_->entered) return;
    }
    // The library's stop() does nothing until listening has begun, and may
    // be called once: wait for the one, then the end of run().
    bool asked = false;
    while (!impl_->finished) {
        if (!asked && impl_->server.is_running()) {
            impl_->server.stop();
            asked = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

std::string StudioServer::url() const {
    const bool v6 = impl_->address.find(':') != std::string::npos;
    const std::string name = isWildcard(impl_->address) ? (v6 ? "[::1]" : "127.0.0.1")
                             : v6                       ? "[" + impl_->address + "]"
                                                        : impl_->address;
    return "http://" + name + ":" + std::to_string(impl_->port) + "/";
}

}  // namespace sorvane::studio
