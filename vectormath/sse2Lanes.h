#pragma once

// SSE2's registers for lanes.h: 4 floats, 2 doubles, masks in the registers
// themselves. Every x86-64 processor has it, and the 32-bit builds ask for it.

#include <emmintrin.h>

#include <cstdint>

#include "vectormath/lanes.h"

namespace sorvane::vectormath {
namespace {

struct Sse2 {
    static constexpr const char* kName = "sse2";
    // Chosen by overload: the registers' attributes would be lost as template arguments.
    static __m128 registerOf(float);
    static __m128d registerOf(double);
    template <class T>
    using Register = decltype(registerOf(T()));
    template <class T>
    using MaskRegister = Register<T>;
    template <class T>
    static constexpr int kLanes = 16 / static_cast<int>(sizeof(T));

    static __m128 splat(float x) { return _mm_set1_ps(x); }
    static __m128d splat(double x) { return _mm_set1_pd(x); }
    static __m128 load(const float* p) { return _mm_loadu_ps(p); }
    static __m128d load(const double* p) { return _mm_loadu_pd(p); }
    static void store(float* p, __m128 x) { _mm_storeu_ps(p, x); }
    static void store(double* p, __m128d x) { _mm_storeu_pd(p, x); }

    static __m128 add(__m128 a, __m128 b) { return _mm_add_ps(a, b); }
    static __m128d add(__m128d a, __m128d b) { return _mm_add_pd(a, b); }
    static __m128 sub(__m128 a, __m128 b) { return _mm_sub_ps(a, b); }
    static __m128d sub(__m128d a, __m128d b) { return _mm_sub_pd(a, b); }
    static __m128 mul(__m128 a, __m128 b) { return _mm_mul_ps(a, b); }
    static __m128d mul(__m128d a, __m128d b) { return _mm_mul_pd(a, b); }
    static __m128 div(__m128 a, __m128 b) { return _mm_div_ps(a, b); }
    static __m128d div(__m128d a, __m128d b) { return _mm_div_pd(a, b); }
    static __m128 min(__m128 a, __m128 b) { return _mm_min_ps(a, b); }
    static __m128d min(__m128d a, __m128d b) { return _mm_min_pd(a, b); }
    static __m128 max(__m128 a, __m128 b) { return _mm_max_ps(a, b); }
    static __m128d max(__m128d a, __m128d b) { return _mm_max_pd(a, b); }
    static __m128 sqrt(__m128 a) { return _mm_sqrt_ps(a); }
    static __m128d sqrt(__m128d a) { return _mm_sqrt_pd(a); }

    static __m128 bitXor(__m128 a, __m128 b) { return _mm_xor_ps(a, b); }
    static __m128d bitXor(__m128d a, __m128d b) { return _mm_xor_pd(a, b); }
    static __m128 bitAndNot(__m128 a, __m128 b) { return _mm_andnot_ps(a, b); }
    static __m128d bitAndNot(__m128d a, __m128d b) { return _mm_andnot_pd(a, b); }

    static __m128 less(__m128 a, __m128 b) { return _mm_cmplt_ps(a, b); }
    static __m128d less(__m128d a, __m128d b) { return _mm_cmplt_pd(a, b); }
    static __m128 lessOrEqual(__m128 a, __m128 b) { return _mm_cmple_ps(a, b); }
    static __m128d lessOrEqual(__m128d a, __m128d b) { return _mm_cmple_pd(a, b); }
    static __m128 equal(__m128 a, __m128 b) { return _mm_cmpeq_ps(a, b); }
    static __m128d equal(__m128d a, __m128d b) { return _mm_cmpeq_pd(a, b); }
    static __m128 maskAnd(__m128 a, __m128 b) { return _mm_and_ps(a, b); }
    static __m128d maskAnd(__m128d a, __m128d b) { return _mm_and_pd(a, b); }
    static __m128 maskOr(__m128 a, __m128 b) { return _mm_or_ps(a, b); }
    static __m128d maskOr(__m128d a, __m128d b) { return _mm_or_pd(a, b); }
    static __m128 select(__m128 m, __m128 a, __m128 b) {
        return _mm_or_ps(_mm_and_ps(m, a), _mm_andnot_ps(m, b));
    }
    static __m128d select(__m128d m, __m128d a, __m128d b) {
        return _mm_or_pd(_mm_and_pd(m, a), _mm_andnot_pd(m, b));
    }
    static unsigned bits(__m128 m) { return static_cast<unsigned>(_mm_movemask_ps(m)); }
    static unsigned bits(__m128d m) { return static_cast<unsigned>(_mm_movemask_pd(m)); }
    static __m128 loadFlags(const std::int32_t* p) {
        return _mm_castsi128_ps(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    }
    static void storeFlags(std::int32_t* p, __m128 m) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_castps_si128(m));
    }
    // The first n lanes set.
    static __m128 firstLanes(int n) {
        return _mm_castsi128_ps(_mm_cmpgt_epi32(_mm_set1_epi32(n), _mm_setr_epi32(0, 1, 2, 3)));
    }

    // A double's bits as an integer.
    static __m128d bitAnd(__m128d a, std::uint64_t b) {
        return _mm_and_pd(a, _mm_castsi128_pd(_mm_set1_epi64x(static_cast<long long>(b))));
    }
    static __m128d bitOr(__m128d a, std::uint64_t b) {
        return _mm_or_pd(a, _mm_castsi128_pd(_mm_set1_epi64x(static_cast<long long>(b))));
    }
    static __m128d bitsPlus(__m128d a, std::int64_t b) {
        return _mm_castsi128_pd(_mm_add_epi64(_mm_castpd_si128(a), _mm_set1_epi64x(b)));
    }
    template <int n>
    static __m128d shiftLeft(__m128d a) {
        return _mm_castsi128_pd(_mm_slli_epi64(_mm_castpd_si128(a), n));
    }
    template <int n>
    static __m128d shiftRight(__m128d a) {
        return _mm_castsi128_pd(_mm_srli_epi64(_mm_castpd_si128(a), n));
    }

    // The float lanes' lower and upper halves as doubles, and back.
    static __m128d lowerHalf(__m128 x) { return _mm_cvtps_pd(x); }
    static __m128d upperHalf(__m128 x) { return _mm_cvtps_pd(_mm_movehl_ps(x, x)); }
    static __m128 halves(__m128d lower, __m128d upper) {
        return _mm_movelh_ps(_mm_cvtpd_ps(lower), _mm_cvtpd_ps(upper));
    }
};

}  // namespace
}  // namespace sorvane::vectormath
