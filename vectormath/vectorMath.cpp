#include "vectormath/vectorMath.h"

#include <cstdlib>
#include <cstring>

#if defined(SORVANE_LIBMVEC)
#include <dlfcn.h>
#endif

namespace sorvane::vectormath {

#if defined(SORVANE_LIBMVEC)

namespace {

// Kept open to the end: the bound functions live in it.
void* library() {
    static void* const handle = dlopen("libmvec.so.1", RTLD_NOW | RTLD_LOCAL);
    return handle;
}

}  // namespace

bool available(Isa isa) {
    if (library() == nullptr) return false;
    __builtin_cpu_init();
    return isa == Isa::avx512 ? __builtin_cpu_supports("avx512f") : __builtin_cpu_supports("avx2");
}

void* lookUp(const char* name) {
    void* const handle = library();
    return handle == nullptr ? nullptr : dlsym(handle, name);
}

#else

// Nothing packaged serves the other platforms.
bool available(Isa) { return false; }
void* lookUp(const char*) { return nullptr; }

#endif

bool scalarMathRequested() {
    const char* scalar = std::getenv("SORVANE_SCALAR_MATH");
    return scalar != nullptr && std::strcmp(scalar, "1") == 0;
}

}  // namespace sorvane::vectormath
