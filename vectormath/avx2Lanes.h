#pragma once

// AVX2's registers for lanes.h: 8 floats, 4 doubles, masks in the registers
// themselves. For sources built with -mavx2 (/arch:AVX2).

#include <immintrin.h>

#include <cstdint>

#include "vectormath/lanes.h"

namespace sorvane::vectormath {
namespace {

struct Avx2 {
    static constexpr const char* kName = "avx2";
    // Chosen by overload: the registers' attributes would be lost as template arguments.
    static __m256 registerOf(float);
    static __m256d registerOf(double);
    template <class T>
    using Register = decltype(registerOf(T()));
    template <class T>
    using MaskRegister = Register<T>;
    template <class T>
    static constexpr int kLanes = 32 / static_cast<int>(sizeof(T));

    static __m256 splat(float x) { return _mm256_set1_ps(x); }
    static __m256d splat(double x) { return _mm256_set1_pd(x); }
    static __m256 load(const float* p) { return _mm256_loadu_ps(p); }
    static __m256d load(const double* p) { return _mm256_loadu_pd(p); }
    static void store(float* p, __m256 x) { _mm256_storeu_ps(p, x); }
    static void store(double* p, __m256d x) { _mm256_storeu_pd(p, x); }

    static __m256 add(__m256 a, __m256 b) { return _mm256_add_ps(a, b); }
    static __m256d add(__m256d a, __m256d b) { return _mm256_add_pd(a, b); }
    static __m256 sub(__m256 a, __m256 b) { return _mm256_sub_ps(a, b); }
    static __m256d sub(__m256d a, __m256d b) { return _mm256_sub_pd(a, b); }
    static __m256 mul(__m256 a, __m256 b) { return _mm256_mul_ps(a, b); }
    static __m256d mul(__m256d a, __m256d b) { return _mm256_mul_pd(a, b); }
    static __m256 div(__m256 a, __m256 b) { return _mm256_div_ps(a, b); }
    static __m256d div(__m256d a, __m256d b) { return _mm256_div_pd(a, b); }
    static __m256 min(__m256 a, __m256 b) { return _mm256_min_ps(a, b); }
    static __m256d min(__m256d a, __m256d b) { return _mm256_min_pd(a, b); }
    static __m256 max(__m256 a, __m256 b) { return _mm256_max_ps(a, b); }
    static __m256d max(__m256d a, __m256d b) { return _mm256_max_pd(a, b); }
    static __m256 sqrt(__m256 a) { return _mm256_sqrt_ps(a); }
    static __m256d sqrt(__m256d a) { return _mm256_sqrt_pd(a); }

    static __m256 bitXor(__m256 a, __m256 b) { return _mm256_xor_ps(a, b); }
    static __m256d bitXor(__m256d a, __m256d b) { return _mm256_xor_pd(a, b); }
    static __m256 bitAndNot(__m256 a, __m256 b) { return _mm256_andnot_ps(a, b); }
    static __m256d bitAndNot(__m256d a, __m256d b) { return _mm256_andnot_pd(a, b); }

    static __m256 less(__m256 a, __m256 b) { return _mm256_cmp_ps(a, b, _CMP_LT_OQ); }
    static __m256d less(__m256d a, __m256d b) { return _mm256_cmp_pd(a, b, _CMP_LT_OQ); }
    static __m256 lessOrEqual(__m256 a, __m256 b) { return _mm256_cmp_ps(a, b, _CMP_LE_OQ); }
    static __m256d lessOrEqual(__m256d a, __m256d b) { return _mm256_cmp_pd(a, b, _CMP_LE_OQ); }
    static __m256 equal(__m256 a, __m256 b) { return _mm256_cmp_ps(a, b, _CMP_EQ_OQ); }
    static __m256d equal(__m256d a, __m256d b) { return _mm256_cmp_pd(a, b, _CMP_EQ_OQ); }
    static __m256 maskAnd(__m256 a, __m256 b) { return _mm256_and_ps(a, b); }
    static __m256d maskAnd(__m256d a, __m256d b) { return _mm256_and_pd(a, b); }
    static __m256 maskOr(__m256 a, __m256 b) { return _mm256_or_ps(a, b); }
    static __m256d maskOr(__m256d a, __m256d b) { return _mm256_or_pd(a, b); }
    static __m256 select(__m256 m, __m256 a, __m256 b) { return _mm256_blendv_ps(b, a, m); }
    static __m256d select(__m256d m, __m256d a, __m256d b) { return _mm256_blendv_pd(b, a, m); }
    static unsigned bits(__m256 m) { return static_cast<unsigned>(_mm256_movemask_ps(m)); }
    static unsigned bits(__m256d m) { return static_cast<unsigned>(_mm256_movemask_pd(m)); }
    static __m256 loadFlags(const std::int32_t* p) {
        return _mm256_castsi256_ps(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)));
    }
    static void storeFlags(std::int32_t* p, __m256 m) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), _mm256_castps_si256(m));
    }
    static __m256 firstLanes(int n) {
        return _mm256_castsi256_ps(
            _mm256_cmpgt_epi32(_mm256_set1_epi32(n), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)));
    }

    static __m256d bitAnd(__m256d a, std::uint64_t b) {
        return _mm256_and_pd(a, _mm256_castsi256_pd(_mm256_set1_epi64x(static_cast<long long>(b))));
    }
    static __m256d bitOr(__m256d a, std::uint64_t b) {
        return _mm256_or_pd(a, _mm256_castsi256_pd(_mm256_set1_epi64x(static_cast<long long>(b))));
    }
    static __m256d bitsPlus(__m256d a, std::int64_t b) {
        return _mm256_castsi256_pd(_mm256_add_epi64(_mm256_castpd_si256(a), _mm256_set1_epi64x(b)));
    }
    template <int n>
    static __m256d shiftLeft(__m256d a) {
        return _mm256_castsi256_pd(_mm256_slli_epi64(_mm256_castpd_si256(a), n));
    }
    template <int n>
    static __m256d shiftRight(__m256d a) {
        return _mm256_castsi256_pd(_mm256_srli_epi64(_mm256_castpd_si256(a), n));
    }

    static __m256d lowerHalf(__m256 x) { return _mm256_cvtps_pd(_mm256_castps256_ps128(x)); }
    static __m256d upperHalf(__m256 x) { return _mm256_cvtps_pd(_mm256_extractf128_ps(x, 1)); }
    static __m256 halves(__m256d lower, __m256d upper) {
        return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(lower)), _mm256_cvtpd_ps(upper),
                                    1);
    }
};

}  // namespace
}  // namespace sorvane::vectormath
