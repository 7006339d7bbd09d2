// The AVX2 tables: one call to every 8 floats or 4 doubles.

#include "vectormath/laneCalls.h"

namespace sorvane::vectormath {

template <class Value>
bool bindAvx2(void* library, Table<Value>& table) {
    static_assert(LaneCalls<Value, 32>::kVectorLanes == kLanes<Value>);
    return LaneCalls<Value, 32>::bind(table, library, 'd', "avx2");
}

template bool bindAvx2(void*, Table<float>&);
template bool bindAvx2(void*, Table<double>&);

}  // namespace sorvane::vectormath
