#pragma once

// AVX-512's registers for lanes.h: 16 floats, 8 doubles, masks in mask
// registers. AVX-512F alone (the bitwise float operations are AVX-512DQ's,
// so they go through the integer ones). For sources built with -mavx512f
// (/arch:AVX512). Where GCC 12's header would warn of the undefined register
// an unmasked form starts from, the same instruction is written with a
// mask of every lane.

#include <immintrin.h>

#include <cstdint>

#include "vectormath/lanes.h"

namespace sorvane::vectormath {
namespace {

struct Avx512 {
    static constexpr const char* kName = "avx512";
    // Chosen by overload: the registers' attributes would be lost as template arguments.
    static __m512 registerOf(float);
    static __m512d registerOf(double);
    template <class T>
    using Register = decltype(registerOf(T()));
    static __mmask16 maskOf(float);
    static __mmask8 maskOf(double);
    template <class T>
    using MaskRegister = decltype(maskOf(T()));
    template <class T>
    static constexpr int kLanes = 64 / static_cast<int>(sizeof(T));

    static __m512 splat(float x) { return _mm512_set1_ps(x); }
    static __m512d splat(double x) { return _mm512_set1_pd(x); }
    static __m512 load(const float* p) { return _mm512_loadu_ps(p); }
    static __m512d load(const double* p) { return _mm512_loadu_pd(p); }
    static void store(float* p, __m512 x) { _mm512_storeu_ps(p, x); }
    static void store(double* p, __m512d x) { _mm512_storeu_pd(p, x); }

    static __m512 add(__m512 a, __m512 b) { return _mm512_add_ps(a, b); }
    static __m512d add(__m512d a, __m512d b) { return _mm512_add_pd(a, b); }
    static __m512 sub(__m512 a, __m512 b) { return _mm512_sub_ps(a, b); }
    static __m512d sub(__m512d a, __m512d b) { return _mm512_sub_pd(a, b); }
    static __m512 mul(__m512 a, __m512 b) { return _mm512_mul_ps(a, b); }
    static __m512d mul(__m512d a, __m512d b) { return _mm512_mul_pd(a, b); }
    static __m512 div(__m512 a, __m512 b) { return _mm512_div_ps(a, b); }
    static __m512d div(__m512d a, __m512d b) { return _mm512_div_pd(a, b); }
    static __m512 min(__m512 a, __m512 b) { return _mm512_maskz_min_ps(0xffff, a, b); }
    static __m512d min(__m512d a, __m512d b) { return _mm512_maskz_min_pd(0xff, a, b); }
    static __m512 max(__m512 a, __m512 b) { return _mm512_maskz_max_ps(0xffff, a, b); }
    static __m512d max(__m512d a, __m512d b) { return _mm512_maskz_max_pd(0xff, a, b); }
    static __m512 sqrt(__m512 a) { return _mm512_maskz_sqrt_ps(0xffff, a); }
    static __m512d sqrt(__m512d a) { return _mm512_maskz_sqrt_pd(0xff, a); }

    static __m512 bitXor(__m512 a, __m512 b) {
        return _mm512_castsi512_ps(_mm512_xor_si512(_mm512_castps_si512(a), _mm512_castps_si512(b)));
    }
    static __m512d bitXor(__m512d a, __m512d b) {
        return _mm512_castsi512_pd(_mm512_xor_si512(_mm512_castpd_si512(a), _mm512_castpd_si512(b)));
    }
    static __m512 bitAndNot(__m512 a, __m512 b) {
        return _mm512_castsi512_ps(
            _mm512_maskz_andnot_epi32(0xffff, _mm512_castps_si512(a), _mm512_castps_si512(b)));
    }
    static __m512d bitAndNot(__m512d a, __m512d b) {
        return _mm512_castsi512_pd(
            _mm512_maskz_andnot_epi64(0xff, _mm512_castpd_si512(a), _mm512_castpd_si512(b)));
    }

    static __mmask16 less(__m512 a, __m512 b) { return _mm512_cmp_ps_mask(a, b, _CMP_LT_OQ); }
    static __mmask8 less(__m512d a, __m512d b) { return _mm512_cmp_pd_mask(a, b, _CMP_LT_OQ); }
    static __mmask16 lessOrEqual(__m512 a, __m512 b) { return _mm512_cmp_ps_mask(a, b, _CMP_LE_OQ); }
    static __mmask8 lessOrEqual(__m512d a, __m512d b) { return _mm512_cmp_pd_mask(a, b, _CMP_LE_OQ); }
    static __mmask16 equal(__m512 a, __m512 b) { return _mm512_cmp_ps_mask(a, b, _CMP_EQ_OQ); }
    static __mmask8 equal(__m512d a, __m512d b) { return _mm512_cmp_pd_mask(a, b, _CMP_EQ_OQ); }
    static __mmask16 maskAnd(__mmask16 a, __mmask16 b) { return static_cast<__mmask16>(a & b); }
    static __mmask8 maskAnd(__mmask8 a, __mmask8 b) { return static_cast<__mmask8>(a & b); }
    static __mmask16 maskOr(__mmask16 a, __mmask16 b) { return static_cast<__mmask16>(a | b); }
    static __mmask8 maskOr(__mmask8 a, __mmask8 b) { return static_cast<__mmask8>(a | b); }
    static __m512 select(__mmask16 m, __m512 a, __m512 b) { return _mm512_mask_blend_ps(m, b, a); }
    static __m512d select(__mmask8 m, __m512d a, __m512d b) { return _mm512_mask_blend_pd(m, b, a); }
    static unsigned bits(__mmask16 m) { return m; }
    static unsigned bits(__mmask8 m) { return m; }
    static __mmask16 loadFlags(const std::int32_t* p) {
        return _mm512_cmpneq_epi32_mask(_mm512_loadu_si512(p), _mm512_setzero_si512());
    }
    static void storeFlags(std::int32_t* p, __mmask16 m) {
        _mm512_storeu_si512(p, _mm512_maskz_set1_epi32(m, -1));
    }
    static __mmask16 firstLanes(int n) {
        return static_cast<__mmask16>(n >= 16 ? 0xffff : n <= 0 ? 0 : (1u << n) - 1);
    }

    static __m512d bitAnd(__m512d a, std::uint64_t b) {
        return _mm512_castsi512_pd(
            _mm512_and_si512(_mm512_castpd_si512(a), _mm512_set1_epi64(static_cast<long long>(b))));
    }
    static __m512d bitOr(__m512d a, std::uint64_t b) {
        return _mm512_castsi512_pd(
            _mm512_or_si512(_mm512_castpd_si512(a), _mm512_set1_epi64(static_cast<long long>(b))));
    }
    static __m512d bitsPlus(__m512d a, std::int64_t b) {
        return _mm512_castsi512_pd(_mm512_add_epi64(_mm512_castpd_si512(a), _mm512_set1_epi64(b)));
    }
    template <int n>
    static __m512d shiftLeft(__m512d a) {
        return _mm512_castsi512_pd(_mm512_maskz_slli_epi64(0xff, _mm512_castpd_si512(a), n));
    }
    template <int n>
    static __m512d shiftRight(__m512d a) {
        return _mm512_castsi512_pd(_mm512_maskz_srli_epi64(0xff, _mm512_castpd_si512(a), n));
    }

    template <int half>
    static __m256 floatHalf(__m512 x) {
        return _mm256_castpd_ps(_mm512_maskz_extractf64x4_pd(0xff, _mm512_castps_pd(x), half));
    }
    static __m512d lowerHalf(__m512 x) { return _mm512_maskz_cvtps_pd(0xff, floatHalf<0>(x)); }
    static __m512d upperHalf(__m512 x) { return _mm512_maskz_cvtps_pd(0xff, floatHalf<1>(x)); }
    static __m512 halves(__m512d lower, __m512d upper) {
        const __m512d low = _mm512_castps_pd(_mm512_castps256_ps512(_mm512_maskz_cvtpd_ps(0xff, lower)));
        return _mm512_castpd_ps(
            _mm512_maskz_insertf64x4(0xff, low, _mm256_castps_pd(_mm512_maskz_cvtpd_ps(0xff, upper)), 1));
    }
};

}  // namespace
}  // namespace sorvane::vectormath
