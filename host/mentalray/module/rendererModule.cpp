// A renderer module: exports the renderer functions the shader library binds
// by name and forwards them to the host that attached it. The functions it
// lacks are left out at compile time, for the binding failures.

#include "host/mentalray/rendererModuleAbi.h"

namespace {

const SorvaneRendererCalls* host = nullptr;

[[maybe_unused]] void countLookup(const char* name) {
    if (host != nullptr && host->lookedUp != nullptr) {
        host->lookedUp(host->context, name);
    }
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void sorvane_renderer_attach(const SorvaneRendererCalls* calls) {
    host = calls;
}

// The resolvers have external (hidden) linkage: clang looks an ifunc's
// resolver up by its symbol name, which a static function's is not.
#if SORVANE_MODULE_PHEN_EVAL
static void* phenEval(miState* state, void* parm) { return host->phenEval(state, parm); }
typedef void* (*PhenEval)(miState*, void*);
__attribute__((visibility("hidden"))) PhenEval resolvePhenEval() {
    countLookup("mi_phen_eval");
    return phenEval;
}
__attribute__((visibility("default"), ifunc("resolvePhenEval"))) void* mi_phen_eval(miState*, void*);
#endif

#if SORVANE_MODULE_SAMPLE_LIGHT
static miBoolean sampleLight(miColor* const result, miVector* const dir, miScalar* const dot_nl,
                             miState* const state, const miTag light_inst, miInteger* const samples) {
    return host->sampleLight(result, dir, dot_nl, state, light_inst, samples);
}
typedef miBoolean (*SampleLight)(miColor*, miVector*, miScalar*, miState*, miTag, miInteger*);
__attribute__((visibility("hidden"))) SampleLight resolveSampleLight() {
    countLookup("mi_sample_light");
    return sampleLight;
}
__attribute__((visibility("default"), ifunc("resolveSampleLight"))) miBoolean mi_sample_light(
    miColor* const, miVector* const, miScalar* const, miState* const, const miTag, miInteger* const);
#endif

#if SORVANE_MODULE_COMPUTE_IRRADIANCE
static miBoolean computeIrradiance(miColor* result, miState* state) {
    return host->computeIrradiance(result, state);
}
typedef miBoolean (*ComputeIrradiance)(miColor*, miState*);
__attribute__((visibility("hidden"))) ComputeIrradiance resolveComputeIrradiance() {
    countLookup("mi_compute_irradiance");
    return computeIrradiance;
}
__attribute__((visibility("default"), ifunc("resolveComputeIrradiance"))) miBoolean mi_compute_irradiance(
    miColor*, miState*);
#endif
}
