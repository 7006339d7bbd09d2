// Loading a plug-in as Maya does: open the library, read MApiVersion, call
// initializePlugin; unloading calls uninitializePlugin, then closes it.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <typeinfo>

#include "hostInternal.h"

namespace sorvane::mayahost {

namespace {

// What the plug-in writes to standard error, through either stdio or iostreams.
class StderrCapture {
public:
    StderrCapture() {
        std::cerr.flush();
        std::fflush(stderr);
        file_ = std::tmpfile();
        saved_ = file_ ? ::dup(2) : -1;
        if (saved_ >= 0) {
            ::dup2(::fileno(file_), 2);
        }
    }
    ~StderrCapture() { finish(); }

    std::string finish() {
        std::string text;
        if (saved_ < 0) {
            if (file_) std::fclose(file_);
            file_ = nullptr;
            return text;
        }
        std::cerr.flush();
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
        std::rewind(file_);
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, file_)) > 0) text.append(buffer, n);
        std::fclose(file_);
        file_ = nullptr;
        return text;
    }

private:
    std::FILE* file_ = nullptr;
    int saved_ = -1;
};

// Calls one of the plug-in's entry points as Maya does: the commands it runs go
// to `commands`, what it writes to standard error to `reports`.
MStatus callEntryPoint(LoadedPlugin::Record* record, MStatus (*entryPoint)(MObject),
                       std::vector<std::string>& commands, std::string& reports) {
    record->commandSink = &commands;
    MStatus status;
    {
        StderrCapture capture;
        status = entryPoint(MHostAccess::object(record, kPluginObject));
        reports = capture.finish();
    }
    record->commandSink = nullptr;
    return status;
}

// The C++ name of `function(MObject)`, mangled as this host's API declares
// MObject (from API 20180000 on, inside the release's namespace):
// "_Z16initializePlugin7MObject". The parameter's part is taken from the
// compiler's own name for a pointer to such a function, "PFv7MObjectE".
std::string cxxEntryPointName(const std::string& function) {
    const std::string pointer = typeid(void (*)(MObject)).name();
    if (pointer.size() < 5 || pointer.compare(0, 3, "PFv") != 0 || pointer.back() != 'E') return {};
    return "_Z" + std::to_string(function.size()) + function + pointer.substr(3, pointer.size() - 4);
}

using EntryPoint = MStatus (*)(MObject);

// Maya on Windows finds an entry point by its plain name, which the devkit's
// /export options make; on Linux by the C++ name that a devkit build exports.
EntryPoint findEntryPoint(const hostloader::SharedLibrary& library, const std::string& function,
                          EntryPointNames names) {
    void* found = nullptr;
    if (names != EntryPointNames::Cxx) found = library.symbol(function.c_str());
    if (!found && names != EntryPointNames::Plain) {
        const std::string cxx = cxxEntryPointName(function);
        if (!cxx.empty()) found = library.symbol(cxx.c_str());
    }
    return reinterpret_cast<EntryPoint>(found);
}

const char* describe(EntryPointNames names) {
    switch (names) {
        case EntryPointNames::Plain:
            return " under its plain name";
        case EntryPointNames::Cxx:
            return " under its C++ name";
        default:
            return "";
    }
}

std::string canonical(const std::string& path) {
    std::error_code error;
    auto resolved = std::filesystem::weakly_canonical(path, error);
    return error ? path : resolved.string();
}

}  // namespace

std::unique_ptr<LoadedPlugin> LoadedPlugin::load(const std::string& path, EntryPointNames names) {
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    const std::string key = canonical(path);
    for (const Record* record : reg.plugins) {
        if (record->library && canonical(record->path) == key) {
            throw HostError("plug-in " + path + " is already loaded");
        }
    }

    auto record = std::make_unique<Record>();
    record->path = path;
    record->name = std::filesystem::path(path).stem().string();
    record->library = std::make_unique<hostloader::SharedLibrary>(path, "plug-in " + path);
    // The record, and the library with it, goes as this unwinds.
    const auto fail = [&](const std::string& message) { throw HostError("plug-in " + path + " " + message); };

    const auto* version = static_cast<const char*>(record->library->symbol("MApiVersion"));
    if (!version) fail("exports no MApiVersion: it is not a Maya plug-in");
    const std::size_t length = strnlen(version, 16);
    record->apiVersion.assign(version, length);
    const bool numeric = length > 0 && length < 16 &&
                         std::all_of(record->apiVersion.begin(), record->apiVersion.end(),
                                     [](unsigned char c) { return std::isdigit(c) != 0; });
    if (!numeric) fail("has MApiVersion \"" + record->apiVersion + "\", which is not an API version");
    if (std::stol(record->apiVersion) > MAYA_API_VERSION) {
        fail("was built for API version " + record->apiVersion + "; this host is " +
             std::to_string(MAYA_API_VERSION));
    }
    record->initializePlugin = findEntryPoint(*record->library, "initializePlugin", names);
    record->uninitializePlugin = findEntryPoint(*record->library, "uninitializePlugin", names);
    if (!record->initializePlugin) fail(std::string("exports no initializePlugin") + describe(names));
    if (!record->uninitializePlugin) fail(std::string("exports no uninitializePlugin") + describe(names));

    Record* raw = record.get();
    reg.plugins.push_back(raw);
    const MStatus status = callEntryPoint(raw, raw->initializePlugin, raw->loadCommands, raw->loadReports);
    if (!status) {
        // Maya drops a plug-in whose initialisation failed, with whatever it registered.
        removeTypesOf(raw);
        reg.plugins.erase(std::remove(reg.plugins.begin(), reg.plugins.end(), raw), reg.plugins.end());
        const std::string reports = raw->loadReports;
        fail(std::string("failed to initialise: ") + status.errorString().asChar() +
             (reports.empty() ? "" : "; it reported: " + reports));
    }
    raw->loaded = true;
    return std::unique_ptr<LoadedPlugin>(new LoadedPlugin(std::move(record)));
}

LoadedPlugin::LoadedPlugin(std::unique_ptr<Record> record) : record_(std::move(record)) {}

LoadedPlugin::~LoadedPlugin() {
    if (!record_->loaded) return;
    try {
        unload();
    } catch (const HostError&) {
        // Still in use: keep the library mapped rather than pull code from under it.
        auto& reg = registry();
        std::lock_guard lock(reg.mutex);
        reg.plugins.erase(std::remove(reg.plugins.begin(), reg.plugins.end(), record_.get()),
                          reg.plugins.end());
        record_.release();
    }
}

void LoadedPlugin::unload() {
    if (!record_->loaded) throw HostError("plug-in " + record_->path + " is not loaded");
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    Record* raw = record_.get();
    if (const unsigned live = liveNodesOf(raw)) {
        throw HostError("cannot unload plug-in " + raw->path + ": " + std::to_string(live) +
                        " node(s) of its types still exist");
    }
    raw->unloadCommands.clear();
    const MStatus status =
        callEntryPoint(raw, raw->uninitializePlugin, raw->unloadCommands, raw->unloadReports);
    if (!status) {
        throw HostError("plug-in " + raw->path + " failed to uninitialise (" + status.errorString().asChar() +
                        "); it stays loaded");
    }
    // Whatever it left registered goes with its code.
    removeTypesOf(raw);
    reg.plugins.erase(std::remove(reg.plugins.begin(), reg.plugins.end(), raw), reg.plugins.end());
    raw->library.reset();
    raw->loaded = false;
}

bool LoadedPlugin::loaded() const { return record_->loaded; }
const std::string& LoadedPlugin::path() const { return record_->path; }
const std::string& LoadedPlugin::apiVersion() const { return record_->apiVersion; }
const std::string& LoadedPlugin::vendor() const { return record_->vendor; }
const std::string& LoadedPlugin::version() const { return record_->version; }
const std::vector<std::string>& LoadedPlugin::loadCommands() const { return record_->loadCommands; }
const std::vector<std::string>& LoadedPlugin::unloadCommands() const { return record_->unloadCommands; }
const std::string& LoadedPlugin::loadReports() const { return record_->loadReports; }
const std::string& LoadedPlugin::unloadReports() const { return record_->unloadReports; }

std::vector<const NodeType*> LoadedPlugin::nodeTypes() const {
    auto& reg = registry();
    std::lock_guard lock(reg.mutex);
    std::vector<const NodeType*> out;
    for (const auto& type : reg.types) {
        if (type->plugin == record_.get()) out.push_back(type.get());
    }
    return out;
}

}  // namespace sorvane::mayahost
