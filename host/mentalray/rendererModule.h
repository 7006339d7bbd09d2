#pragma once

// The renderer modules: shared libraries exporting mi_phen_eval,
// mi_sample_light and mi_compute_irradiance, whose handle a shader library
// receives through miSetModuleHandle. Every module forwards to this host,
// which answers from the scene of the calling state's shader instance.
//
// Four modules are built, beside the host's executables in lib/:
//   kStandard, kAlternate    all three functions (two, to watch a rebinding)
//   kWithoutIrradiance       lacks mi_compute_irradiance
//   kBare                    lacks all three

#include <atomic>
#include <memory>
#include <string>

#include "host/loader/sharedLibrary.h"
#include "host/mentalray/rendererModuleAbi.h"

namespace sorvane::mrhost {

class RendererModule {
public:
    static constexpr const char* kStandard = "mentalray_renderer";
    static constexpr const char* kAlternate = "mentalray_renderer_alt";
    static constexpr const char* kWithoutIrradiance = "mentalray_renderer_noirradiance";
    static constexpr const char* kBare = "mentalray_renderer_bare";

    // A module by name (its file is the name and the platform's ending), from
    // the lib/ folder beside the running executable's bin/ or tests/ folder;
    // loaded once and kept for the life of the process. HostError when it
    // cannot be loaded.
    static RendererModule& get(const std::string& name = kStandard);
    // A module by path.
    static RendererModule& load(const std::string& path);
    static std::string defaultDirectory();

    void* handle() const { return library_->handle(); }
    const std::string& path() const { return path_; }

    // Has `library`'s lookups in renderer modules counted where the modules
    // cannot count them themselves (Windows).
    static void countLookupsBy(const hostloader::SharedLibrary& library);

    // Lookups of a function's name in this module (dlsym or GetProcAddress
    // on its handle) that found it.
    long lookups(const std::string& function) const;
    long totalLookups() const;
    void resetLookups();

    RendererModule(const RendererModule&) = delete;
    RendererModule& operator=(const RendererModule&) = delete;

private:
    explicit RendererModule(std::string path);
    static void lookedUp(void* context, const char* name);
    static void observed(void* handle, const char* name, bool found);

    std::string path_;
    std::unique_ptr<hostloader::SharedLibrary> library_;
    SorvaneRendererCalls calls_{};
    std::atomic<long> phenEvalLookups_{0};
    std::atomic<long> sampleLightLookups_{0};
    std::atomic<long> computeIrradianceLookups_{0};
};

}  // namespace sorvane::mrhost
