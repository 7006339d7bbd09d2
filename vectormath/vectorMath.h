#pragma once

// glibc's vector math library (libmvec) for both plug-ins: opened at run
// time so that a plug-in loads on any system, bound once per instruction
// set the processor runs, and the widest chosen unless the scalar path is
// asked for (SORVANE_SCALAR_MATH=1 in the environment). It exists for
// x86-64 Linux only; elsewhere every table is null and the plug-ins take
// their scalar paths.

namespace sorvane::vectormath {

enum class Isa { avx2, avx512 };

// The functions of one precision and instruction set. Each works in place
// on the first `lanes` values of its arrays, a multiple of kLanes<Value>.
template <class Value>
struct Table {
    const char* name;  // "avx512", "avx2"
    void (*cos)(Value* x, int lanes);
    void (*exp)(Value* x, int lanes);
    void (*tan)(Value* x, int lanes);
    void (*acos)(Value* x, int lanes);
    void (*pow)(Value* x, const Value* y, int lanes);
};

// One AVX2 vector's lanes: 8 floats, 4 doubles. The AVX-512 tables take
// twice as many at once, and a last part of one AVX2 vector through AVX2.
template <class Value>
constexpr int kLanes = 32 / static_cast<int>(sizeof(Value));

// The library, opened once and kept open, or null where it is missing.
void* library();

// Whether the library is there and this processor runs the instruction set.
bool available(Isa isa);

// SORVANE_SCALAR_MATH=1 in the environment asks for the scalar path.
bool scalarMathRequested();

// A table of one instruction set, filled once by a binder built for that
// set from the library's functions; null where anything is missing.
template <class T>
class Bound {
public:
    Bound(Isa isa, bool (*bind)(void* library, T& table)) {
        available_ = vectormath::available(isa) && bind(library(), table_);
    }
    const T* get() const { return available_ ? &table_ : nullptr; }

private:
    T table_{};
    bool available_ = false;
};

// The widest of the tables this machine offers, or null for the scalar path.
template <class T>
const T* widestOf(const T* (*forIsa)(Isa)) {
    if (scalarMathRequested()) return nullptr;
    if (const T* wide = forIsa(Isa::avx512)) return wide;
    return forIsa(Isa::avx2);
}

// One instruction set's table, or null where the library, the processor or
// one of the functions (tan and acos since glibc 2.35) is missing.
template <class Value>
const Table<Value>* table(Isa isa);

// The widest table this machine offers, or null for the scalar path; chosen once.
template <class Value>
const Table<Value>* widest();

}  // namespace sorvane::vectormath
