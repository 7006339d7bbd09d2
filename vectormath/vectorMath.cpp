#include "vectormath/vectorMath.h"

#include <cstdlib>
#include <cstring>

#if defined(SORVANE_LIBMVEC)
#include <dlfcn.h>
#endif

namespace sorvane::vectormath {

bool scalarMathRequested() {
    const char* scalar = std::getenv("SORVANE_SCALAR_MATH");
    return scalar != nullptr && std::strcmp(scalar, "1") == 0;
}

#if defined(SORVANE_LIBMVEC)

// In their own sources, built for their instruction set.
template <class Value>
bool bindAvx2(void* library, Table<Value>& table);
template <class Value>
bool bindAvx512(void* library, Table<Value>& table);

// Kept open to the end: the bound functions live in it.
void* library() {
    static void* const handle = dlopen("libmvec.so.1", RTLD_NOW | RTLD_LOCAL);
    return handle;
}

bool available(Isa isa) {
    if (library() == nullptr) return false;
    __builtin_cpu_init();
    return isa == Isa::avx512 ? __builtin_cpu_supports("avx512f") : __builtin_cpu_supports("avx2");
}

template <class Value>
const Table<Value>* table(Isa isa) {
    static const Bound<Table<Value>> avx2(Isa::avx2, &bindAvx2<Value>),
        avx512(Isa::avx512, &bindAvx512<Value>);
    return (isa == Isa::avx512 ? avx512 : avx2).get();
}

#else

// Nothing packaged serves the other platforms.
void* library() { return nullptr; }
bool available(Isa) { return false; }

template <class Value>
const Table<Value>* table(Isa) {
    return nullptr;
}

#endif

template <class Value>
const Table<Value>* widest() {
    static const Table<Value>* const chosen = widestOf(&table<Value>);
    return chosen;
}

// The Maya node computes in float, the mental ray shader in double.
template const Table<float>* table(Isa);
template const Table<double>* table(Isa);
template const Table<float>* widest();
template const Table<double>* widest();

}  // namespace sorvane::vectormath
