#pragma once

// What a renderer module and the host hand each other. A renderer module is
// the shared library whose handle the shader library receives through
// miSetModuleHandle; it exports the renderer functions by name and forwards
// them to the host. Its exports are resolved through GNU indirect functions,
// so each lookup by name runs the resolver and is counted.

#include <shader.h>

extern "C" {

struct SorvaneRendererCalls {
    void* context;
    void (*lookedUp)(void* context, const char* name);
    void* (*phenEval)(miState* state, void* parm);
    miBoolean (*sampleLight)(miColor* result, miVector* dir, miScalar* dot_nl, miState* state,
                             miTag light_inst, miInteger* samples);
    miBoolean (*computeIrradiance)(miColor* result, miState* state);
};

typedef void (*SorvaneRendererAttach)(const SorvaneRendererCalls* calls);
}
