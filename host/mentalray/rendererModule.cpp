#include "host/mentalray/rendererModule.h"

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>

#include "host/errors/hostError.h"
#include "host/mentalray/layoutProbe.h"
#include "host/mentalray/shaderInstance.h"

namespace sorvane::mrhost {

namespace {

// The renderer functions behind every module. They answer from the scene of
// the shader instance that the state's shader record belongs to.

void* phenEval(miState* state, void* parm) {
    if (LayoutProbe* probe = LayoutProbe::fromState(state)) return const_cast<void*>(probe->read(parm));
    const ShaderInstance* instance = ShaderInstance::fromState(state);
    if (instance == nullptr) return parm;
    instance->scene().counters().count(CallCounters::kPhenEval);
    const void* value = instance->connectedValue(*state, parm);
    return const_cast<void*>(value != nullptr ? value : parm);
}

miBoolean sampleLight(miColor* result, miVector* dir, miScalar* dot_nl, miState* state, miTag light_inst,
                      miInteger* samples) {
    const ShaderInstance* instance = ShaderInstance::fromState(state);
    if (instance == nullptr || samples == nullptr) return miFALSE;
    // Counted once per call, when its outcome is known: the slot look-up is
    // paid on every light sample of every thread.
    CallCounters& counters = instance->scene().counters();
    const Light* light = instance->scene().light(light_inst);
    if (light == nullptr) {
        counters.count(CallCounters::kSampleLight, CallCounters::kUnknownLight);
        return miFALSE;
    }
    LightSample sample;
    if (!light->sample(*state, *samples, sample)) {
        counters.count(CallCounters::kSampleLight);
        return miFALSE;
    }
    counters.count(CallCounters::kSampleLight, CallCounters::kLightSamples);
    // Channel by channel: the light wrote them one at a time, and one wide
    // load of them would wait on every call for those stores to drain.
    if (result != nullptr) {
        result->r = sample.color.r;
        result->g = sample.color.g;
        result->b = sample.color.b;
        result->a = sample.color.a;
    }
    if (dir != nullptr) {
        dir->x = sample.direction.x;
        dir->y = sample.direction.y;
        dir->z = sample.direction.z;
    }
    if (dot_nl != nullptr) {
        const miVector& n = state->normal;
        *dot_nl = n.x * sample.direction.x + n.y * sample.direction.y + n.z * sample.direction.z;
    }
    ++*samples;
    return miTRUE;
}

miBoolean computeIrradiance(miColor* result, miState* state) {
    const ShaderInstance* instance = ShaderInstance::fromState(state);
    if (instance == nullptr || result == nullptr) return miFALSE;
    instance->scene().counters().count(CallCounters::kComputeIrradiance);
    instance->scene().irradiance(*state, *result);
    return miTRUE;
}

std::mutex modulesMutex;
std::map<std::string, std::unique_ptr<RendererModule>>& modules() {
    static auto* loaded = new std::map<std::string, std::unique_ptr<RendererModule>>;  // kept to the end
    return *loaded;
}

}  // namespace

std::string RendererModule::defaultDirectory() {
    const std::string executable = hostloader::executablePath();
    if (executable.empty()) return "lib";
    return (std::filesystem::path(executable).parent_path().parent_path() / "lib").string();
}

RendererModule& RendererModule::get(const std::string& name) {
    return load(
        (std::filesystem::path(defaultDirectory()) / (name + hostloader::kSharedLibrarySuffix)).string());
}

RendererModule& RendererModule::load(const std::string& path) {
    const std::lock_guard<std::mutex> lock(modulesMutex);
    std::unique_ptr<RendererModule>& slot = modules()[path];
    if (!slot) {
        try {
            slot.reset(new RendererModule(path));
        } catch (...) {
            modules().erase(path);
            throw;
        }
    }
    return *slot;
}

RendererModule::RendererModule(std::string path) : path_(std::move(path)) {
    // Local: a lookup with a null handle must not find the renderer's functions.
    library_ = std::make_unique<hostloader::SharedLibrary>(path_, "the renderer module " + path_);
    const auto attach = reinterpret_cast<SorvaneRendererAttach>(library_->symbol("sorvane_renderer_attach"));
    if (attach == nullptr) {
        throw HostError(path_ + " is not a renderer module (it has no sorvane_renderer_attach)");
    }
    calls_ = {this, &RendererModule::lookedUp, &phenEval, &sampleLight, &computeIrradiance};
    attach(&calls_);
}

void RendererModule::countLookupsBy(const hostloader::SharedLibrary& library) {
    library.observeLookups(&observed);
}

void RendererModule::observed(void* handle, const char* name, bool found) {
    if (!found) return;  // as a module counts: its resolver runs only for what it has
    const std::lock_guard<std::mutex> lock(modulesMutex);
    for (const auto& [path, module] : modules()) {
        if (module && module->handle() == handle) lookedUp(module.get(), name);
    }
}

void RendererModule::lookedUp(void* context, const char* name) {
    auto* module = static_cast<RendererModule*>(context);
    if (std::strcmp(name, "mi_phen_eval") == 0) {
        module->phenEvalLookups_.fetch_add(1, std::memory_order_relaxed);
    } else if (std::strcmp(name, "mi_sample_light") == 0) {
        module->sampleLightLookups_.fetch_add(1, std::memory_order_relaxed);
    } else if (std::strcmp(name, "mi_compute_irradiance") == 0) {
        module->computeIrradianceLookups_.fetch_add(1, std::memory_order_relaxed);
    }
}

long RendererModule::lookups(const std::string& function) const {
    if (function == "mi_phen_eval") return phenEvalLookups_;
    if (function == "mi_sample_light") return sampleLightLookups_;
    if (function == "mi_compute_irradiance") return computeIrradianceLookups_;
    throw HostError("no renderer function is named \"" + function + "\"");
}

long RendererModule::totalLookups() const {
    return phenEvalLookups_ + sampleLightLookups_ + computeIrradianceLookups_;
}

void RendererModule::resetLookups() {
    phenEvalLookups_ = 0;
    sampleLightLookups_ = 0;
    computeIrradianceLookups_ = 0;
}

}  // namespace sorvane::mrhost
