// A renderer module: exports the renderer functions the shader library binds
// by name and forwards them to the host that attached it. The functions it
// lacks are left out at compile time, for the binding failures.
//
// On ELF each export is a GNU indirect function, whose resolver counts the
// lookup. PE has no such thing: there the host counts the shader library's
// GetProcAddress calls instead, and the exports are plain functions.

#include "host/mentalray/rendererModuleAbi.h"

#ifdef _WIN32
#define SORVANE_MODULE_EXPORT __declspec(dllexport)
#else
#define SORVANE_MODULE_EXPORT __attribute__((visibility("default")))
#endif

namespace {

const SorvaneRendererCalls* host = nullptr;

[[maybe_unused]] void countLookup(const char* name) {
    if (host != nullptr && host->lookedUp != nullptr) {
        host->lookedUp(host->context, name);
    }
}

}  // namespace

extern "C" {

SORVANE_MODULE_EXPORT void sorvane_renderer_attach(const SorvaneRendererCalls* calls) { host = calls; }

// The resolvers have external (hidden) linkage: clang looks an ifunc's
// resolver up by its symbol name, which a static function's is not.
#if SORVANE_MODULE_PHEN_EVAL
static void* phenEval(miState* state, void* parm) { return host->phenEval(state, parm); }
#ifdef _WIN32
SORVANE_MODULE_EXPORT void* mi_phen_eval(miState* state, void* parm) { return phenEval(state, parm); }
#else
typedef void* (*PhenEval)(miState*, void*);
__attribute__((visibility("hidden"))) PhenEval resolvePhenEval() {
    countLookup("mi_phen_eval");
    return phenEval;
}
SORVANE_MODULE_EXPORT __attribute__((ifunc("resolvePhenEval"))) void* mi_phen_eval(miState*, void*);
#endif
#endif

#if SORVANE_MODULE_SAMPLE_LIGHT
static miBoolean sampleLight(miColor* const result, miVector* const dir, miScalar* const dot_nl,
                             miState* const state, const miTag light_inst, miInteger* const samples) {
    return host->sampleLight(result, dir, dot_nl, state, light_inst, samples);
}
#ifdef _WIN32
SORVANE_MODULE_EXPORT miBoolean mi_sample_light(miColor* const result, miVector* const dir,
                                                miScalar* const dot_nl, miState* const state,
                                                const miTag light_inst, miInteger* const samples) {
    return sampleLight(result, dir, dot_nl, state, light_inst, samples);
}
#else
typedef miBoolean (*SampleLight)(miColor*, miVector*, miScalar*, miState*, miTag, miInteger*);
__attribute__((visibility("hidden"))) SampleLight resolveSampleLight() {
    countLookup("mi_sample_light");
    return sampleLight;
}
SORVANE_MODULE_EXPORT __attribute__((ifunc("resolveSampleLight"))) miBoolean mi_sample_light(
    miColor* const, miVector* const, miScalar* const, miState* const, const miTag, miInteger* const);
#endif
#endif

#if SORVANE_MODULE_COMPUTE_IRRADIANCE
static miBoolean computeIrradiance(miColor* result, miState* state) {
    return host->computeIrradiance(result, state);
}
#ifdef _WIN32
SORVANE_MODULE_EXPORT miBoolean mi_compute_irradiance(miColor* result, miState* state) {
    return computeIrradiance(result, state);
}
#else
typedef miBoolean (*ComputeIrradiance)(miColor*, miState*);
__attribute__((visibility("hidden"))) ComputeIrradiance resolveComputeIrradiance() {
    countLookup("mi_compute_irradiance");
    return computeIrradiance;
}
SORVANE_MODULE_EXPORT __attribute__((ifunc("resolveComputeIrradiance"))) miBoolean mi_compute_irradiance(
    miColor*, miState*);
#endif
#endif
}
