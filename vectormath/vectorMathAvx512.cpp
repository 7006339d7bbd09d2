// The AVX-512 tables: one call to every 16 floats or 8 doubles, and a last
// part of 8 floats or 4 doubles through the AVX2 functions, which do half
// the work.

#include "vectormath/laneCalls.h"

namespace sorvane::vectormath {

template <class Value>
bool bindAvx2(void* library, Table<Value>& table);

template <class Value>
bool bindAvx512(void* library, Table<Value>& table) {
    using Calls = LaneCalls<Value, 64>;
    static_assert(Calls::kVectorLanes == 2 * kLanes<Value>);
    return bindAvx2(library, Calls::narrower) && Calls::bind(table, library, 'e', "avx512");
}

template bool bindAvx512(void*, Table<float>&);
template bool bindAvx512(void*, Table<double>&);

}  // namespace sorvane::vectormath
