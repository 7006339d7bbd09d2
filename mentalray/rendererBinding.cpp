// Run-time binding to the renderer. The library links against nothing of the
// renderer: the renderer hands over its module through miSetModuleHandle, and
// each renderer function the shader calls is a stub that looks its name up in
// that module on first use and keeps the address in a fixed table entry.

#include <atomic>
#include <cerrno>
#include <cinttypes>
#include <cstdint>
#include <cstdio>

#include <shader.h>

#include "mentalray/exports.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

constexpr int kTableSize = 500;
constexpr int kComputeIrradianceEntry = 50;
constexpr int kSampleLightEntry = 85;
constexpr int kPhenEvalEntry = 91;

// Render threads race to fill an entry; every writer stores the same address,
// so relaxed atomics are all the ordering needed.
std::atomic<void*> moduleHandle{nullptr};
std::atomic<void*> functionTable[kTableSize];

// GetProcAddress sets the thread's last error; dlsym has no error code of its
// own, so the thread's errno stands in, cleared first so that an unrelated old
// value is not reported.
void* lookUp(void* handle, const char* name) {
#ifdef _WIN32
    SetLastError(0);
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
#else
    dlerror();
    errno = 0;
    return dlsym(handle, name);
#endif
}

int lastError() {
#ifdef _WIN32
    return static_cast<int>(GetLastError());
#else
    return errno;
#endif
}

// The entry's address, looked up once; null when the lookup failed, in which
// case the next call looks it up and reports again.
void* bind(int entry, const char* name) {
    void* address = functionTable[entry].load(std::memory_order_relaxed);
    if (address != nullptr) {
        return address;
    }
    void* handle = moduleHandle.load(std::memory_order_relaxed);
    if (handle == nullptr) {
        std::fputs("DYNLOAD: dl_handle null\n", stderr);
    }
    address = lookUp(handle, name);
    functionTable[entry].store(address, std::memory_order_relaxed);
    if (address == nullptr) {
        const int error = lastError();
        // All of a wide handle, so the message names the module unambiguously.
        std::fprintf(stderr, "dlsym failed on \"%s\" (handle: %08" PRIxPTR " error: %d)\n", name,
                     reinterpret_cast<std::uintptr_t>(handle), error);
    }
    return address;
}

template <class Function>
Function bound(int entry, const char* name) {
    return reinterpret_cast<Function>(bind(entry, name));
}

}  // namespace

// Empties the table without a lock: the renderer calls it before shading,
// never during.
SORVANE_EXPORT int miSetModuleHandle(void* handle) {
    moduleHandle.store(handle, std::memory_order_relaxed);
    for (std::atomic<void*>& entry : functionTable) {
        entry.store(nullptr, std::memory_order_relaxed);
    }
    return 0;
}

SORVANE_EXPORT int qm7r_sorvane_version(void) { return 1; }

// The stubs carry the renderer's own names and signatures, so the shader and
// the mi_eval rule call them as they would call the renderer. Without their
// function they answer so that the shader still gets usable values: a
// parameter's own value, no light sample, black irradiance.

extern "C" void* mi_phen_eval(miState* state, void* parm) {
    using Function = void* (*)(miState*, void*);
    if (const auto function = bound<Function>(kPhenEvalEntry, "mi_phen_eval")) {
        return function(state, parm);
    }
    return parm;
}

extern "C" miBoolean mi_sample_light(miColor* const result, miVector* const dir, miScalar* const dot_nl,
                                     miState* const state, const miTag light_inst, miInteger* const samples) {
    using Function = miBoolean (*)(miColor*, miVector*, miScalar*, miState*, miTag, miInteger*);
    if (const auto function = bound<Function>(kSampleLightEntry, "mi_sample_light")) {
        return function(result, dir, dot_nl, state, light_inst, samples);
    }
    return miFALSE;
}

extern "C" miBoolean mi_compute_irradiance(miColor* result, miState* state) {
    using Function = miBoolean (*)(miColor*, miState*);
    if (const auto function = bound<Function>(kComputeIrradianceEntry, "mi_compute_irradiance")) {
        return function(result, state);
    }
    result->r = result->g = result->b = result->a = 0.0f;
    return miFALSE;
}
