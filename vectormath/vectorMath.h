#pragma once

// glibc's vector math library (libmvec), opened at run time so that a
// plug-in loads on any system, and the choice between its instruction sets.
// Each plug-in keeps its own table of the functions it calls; this is what
// they share: whether the library and the processor are there, looking
// functions up, and picking the widest table unless the scalar path is asked for.

namespace sorvane::vectormath {

enum class Isa { avx2, avx512 };

// Whether the library is there and this processor runs the instruction set.
bool available(Isa isa);

// A function of the library by its vector name (e.g. "_ZGVdN4v_cos"), or null.
void* lookUp(const char* name);

template <class Function>
Function function(const char* name) {
    return reinterpret_cast<Function>(lookUp(name));
}

// SORVANE_SCALAR_MATH=1 in the environment asks for the scalar path.
bool scalarMathRequested();

// A plug-in's table for one instruction set, bound once.
template <class Table>
struct Bound {
    Table table{};
    bool available = false;

    const Table* get() const { return available ? &table : nullptr; }
};

template <class Table>
Bound<Table> bind(Isa isa, bool (*binder)(Table&)) {
    Bound<Table> out;
    out.available = available(isa) && binder(out.table);
    return out;
}

// The widest table this machine offers, or null for the scalar path.
template <class Table>
const Table* widest(const Table* (*forIsa)(Isa)) {
    if (scalarMathRequested()) return nullptr;
    if (const Table* table = forIsa(Isa::avx512)) return table;
    return forIsa(Isa::avx2);
}

}  // namespace sorvane::vectormath
