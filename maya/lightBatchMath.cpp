#include "maya/lightBatchMath.h"

#include <cstdlib>
#include <cstring>

#if defined(SORVANE_LIBMVEC)
#include <dlfcn.h>
#endif

namespace shading {

#if defined(SORVANE_LIBMVEC)

// In their own sources, built for their instruction set.
bool bindAvx2(void* libmvec, LightBatchMath& math);
bool bindAvx512(void* libmvec, LightBatchMath& math);

namespace {

// Kept open to the end: the bound functions live in it.
void* libmvec() {
    static void* const handle = dlopen("libmvec.so.1", RTLD_NOW | RTLD_LOCAL);
    return handle;
}

struct Bound {
    LightBatchMath math{};
    bool available = false;
};

Bound bindIsa(LightBatchIsa isa) {
    Bound out;
    void* const library = libmvec();
    if (library == nullptr) return out;
    __builtin_cpu_init();
    if (isa == LightBatchIsa::avx512) {
        out.available = __builtin_cpu_supports("avx512f") && bindAvx512(library, out.math);
    } else {
        out.available = __builtin_cpu_supports("avx2") && bindAvx2(library, out.math);
    }
    return out;
}

}  // namespace

const LightBatchMath* lightBatchMath(LightBatchIsa isa) {
    static const Bound avx2 = bindIsa(LightBatchIsa::avx2);
    static const Bound avx512 = bindIsa(LightBatchIsa::avx512);
    const Bound& bound = isa == LightBatchIsa::avx512 ? avx512 : avx2;
    return bound.available ? &bound.math : nullptr;
}

const LightBatchMath* widestLightBatchMath() {
    static const LightBatchMath* const chosen = [] {
        const char* scalar = std::getenv("SORVANE_SCALAR_MATH");
        if (scalar != nullptr && std::strcmp(scalar, "1") == 0)
            return static_cast<const LightBatchMath*>(nullptr);
        if (const LightBatchMath* math = lightBatchMath(LightBatchIsa::avx512)) return math;
        return lightBatchMath(LightBatchIsa::avx2);
    }();
    return chosen;
}

#else

// Nothing packaged serves the other platforms: they take the scalar path.
const LightBatchMath* lightBatchMath(LightBatchIsa) { return nullptr; }
const LightBatchMath* widestLightBatchMath() { return nullptr; }

#endif

}  // namespace shading
