#include "vectormath/vectorMath.h"

#include <cstdlib>
#include <cstring>

#if defined(SORVANE_LIBMVEC)
#include <dlfcn.h>
#endif

namespace sorvane::vectormath {

namespace {

// SORVANE_SCALAR_MATH=1 in the environment asks for the scalar path.
bool scalarMathRequested() {
    const char* scalar = std::getenv("SORVANE_SCALAR_MATH");
    return scalar != nullptr && std::strcmp(scalar, "1") == 0;
}

}  // namespace

#if defined(SORVANE_LIBMVEC)

// In their own sources, built for their instruction set.
template <class Value>
bool bindAvx2(Table<Value>& table, void* library);
template <class Value>
bool bindAvx512(Table<Value>& table, void* library);

namespace {

// Kept open to the end: the bound functions live in it.
void* library() {
    static void* const handle = dlopen("libmvec.so.1", RTLD_NOW | RTLD_LOCAL);
    return handle;
}

template <class Value>
struct Bound {
    Table<Value> table{};
    bool available = false;

    explicit Bound(Isa isa) {
        if (library() == nullptr) return;
        __builtin_cpu_init();
        if (isa == Isa::avx512) {
            available = __builtin_cpu_supports("avx512f") && bindAvx512(table, library());
        } else {
            available = __builtin_cpu_supports("avx2") && bindAvx2(table, library());
        }
    }
};

}  // namespace

template <class Value>
const Table<Value>* table(Isa isa) {
    static const Bound<Value> avx2(Isa::avx2), avx512(Isa::avx512);
    const Bound<Value>& bound = isa == Isa::avx512 ? avx512 : avx2;
    return bound.available ? &bound.table : nullptr;
}

#else

template <class Value>
const Table<Value>* table(Isa) {
    return nullptr;
}

#endif

template <class Value>
const Table<Value>* widest() {
    static const Table<Value>* const chosen = [] {
        if (scalarMathRequested()) return static_cast<const Table<Value>*>(nullptr);
        if (const Table<Value>* wide = table<Value>(Isa::avx512)) return wide;
        return table<Value>(Isa::avx2);
    }();
    return chosen;
}

// The Maya node computes in float, the mental ray shader in double.
template const Table<float>* table(Isa);
template const Table<double>* table(Isa);
template const Table<float>* widest();
template const Table<double>* widest();

}  // namespace sorvane::vectormath
