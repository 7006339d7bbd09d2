// The vector math against double precision: dense sweeps over the ranges
// the model feeds each function, every result within kMaxUlps of the
// correctly rounded one (the double result rounded to float), and every
// instruction set giving SSE2's bits; then the special values, which must
// come out as the C library's, in whichever lane they fall.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "vectormath/vectorMath.h"

namespace {

namespace vm = sorvane::vectormath;
using vm::Isa;

constexpr std::int64_t kMaxUlps = 4;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Distance in representable floats; NaN only matches NaN.
std::int64_t ulps(float a, float b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b) ? 0 : INT64_MAX;
    const auto ordered = [](float f) {
        std::int32_t i;
        std::memcpy(&i, &f, sizeof i);
        return i < 0 ? -static_cast<std::int64_t>(i & 0x7fffffff) : static_cast<std::int64_t>(i);
    };
    const std::int64_t d = ordered(a) - ordered(b);
    return d < 0 ? -d : d;
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

enum class Function { cos, exp, tan, acos, log, sqrt, pow, powThreeHalves };

const char* nameOf(Function f) {
    static const char* const names[] = {"cos", "exp", "tan", "acos", "log", "sqrt", "pow", "powThreeHalves"};
    return names[static_cast<int>(f)];
}

// The function through a table, in place over the arrays.
void apply(const vm::Functions& t, Function f, std::vector<float>& x, const std::vector<float>& y) {
    const int n = static_cast<int>(x.size());
    switch (f) {
        case Function::cos:
            t.cos(x.data(), n);
            break;
        case Function::exp:
            t.exp(x.data(), n);
            break;
        case Function::tan:
            t.tan(x.data(), n);
            break;
        case Function::acos:
            t.acos(x.data(), n);
            break;
        case Function::log:
            t.log(x.data(), n);
            break;
        case Function::sqrt:
            t.sqrt(x.data(), n);
            break;
        case Function::pow:
            t.pow(x.data(), y.data(), n);
            break;
        case Function::powThreeHalves:
            t.powThreeHalves(x.data(), n);
            break;
    }
}

// The correctly rounded result, but for the rare double result that lies
// within a double's rounding of a float's halfway point.
float reference(Function f, float x, float y) {
    const double d = x;
    switch (f) {
        case Function::cos:
            return static_cast<float>(std::cos(d));
        case Function::exp:
            return static_cast<float>(std::exp(d));
        case Function::tan:
            return static_cast<float>(std::tan(d));
        case Function::acos:
            return static_cast<float>(std::acos(d));
        case Function::log:
            return static_cast<float>(std::log(d));
        case Function::sqrt:
            return static_cast<float>(std::sqrt(d));
        case Function::pow:
            return static_cast<float>(std::pow(d, static_cast<double>(y)));
        case Function::powThreeHalves:
            return static_cast<float>(std::pow(d, 1.5));
    }
    return kNaN;
}

// The C library's single-precision function.
float library(Function f, float x, float y) {
    switch (f) {
        case Function::cos:
            return std::cos(x);
        case Function::exp:
            return std::exp(x);
        case Function::tan:
            return std::tan(x);
        case Function::acos:
            return std::acos(x);
        case Function::log:
            return std::log(x);
        case Function::sqrt:
            return std::sqrt(x);
        case Function::pow:
            return std::pow(x, y);
        case Function::powThreeHalves:
            return std::pow(x, 1.5f);
    }
    return kNaN;
}

std::vector<Isa> isasHere() {
    std::vector<Isa> out;
    for (const Isa isa : {Isa::sse2, Isa::avx2, Isa::avx512}) {
        if (vm::functions(isa) != nullptr) out.push_back(isa);
    }
    return out;
}

// A range of arguments, swept both evenly in value and evenly through the
// floats between its ends (dense near zero too); pow's exponent is fixed
// where yLow == yHigh, else drawn from [yLow, yHigh].
struct Sweep {
    const char* name;
    Function f;
    float low, high;
    float yLow = 1.0f, yHigh = 1.0f;
};

void PrintTo(const Sweep& s, std::ostream* os) { *os << s.name; }

std::int32_t orderedBits(float f) {
    std::int32_t i;
    std::memcpy(&i, &f, sizeof i);
    return i < 0 ? -(i & 0x7fffffff) : i;
}

float fromOrdered(std::int64_t o) {
    const std::int32_t i = o < 0 ? static_cast<std::int32_t>(-o) | INT32_MIN : static_cast<std::int32_t>(o);
    float f;
    std::memcpy(&f, &i, sizeof f);
    return f;
}

constexpr int kPerKind = 1 << 16;

void arguments(const Sweep& s, std::vector<float>& x, std::vector<float>& y) {
    const std::int64_t a = orderedBits(s.low), b = orderedBits(s.high);
    for (int i = 0; i < kPerKind; ++i) {
        x.push_back(s.low + (s.high - s.low) * (static_cast<float>(i) / (kPerKind - 1)));
        x.push_back(fromOrdered(a + (b - a) * i / (kPerKind - 1)));
    }
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(s.yLow, s.yHigh);
    for (std::size_t i = 0; i < x.size(); ++i) y.push_back(s.yLow == s.yHigh ? s.yLow : u(rng));
}

class Sweeps : public ::testing::TestWithParam<Sweep> {};

TEST_P(Sweeps, StayWithinAFewUlpsOfTheCorrectlyRoundedResult) {
    const Sweep& s = GetParam();
    std::vector<float> x, y;
    arguments(s, x, y);
    std::vector<float> sse2;
    for (const Isa isa : isasHere()) {
        std::vector<float> out = x;
        apply(*vm::functions(isa), s.f, out, y);
        std::int64_t worst = 0;
        float worstAt = 0.0f;
        for (std::size_t i = 0; i < x.size(); ++i) {
            const std::int64_t d = ulps(out[i], reference(s.f, x[i], y[i]));
            ASSERT_LE(d, kMaxUlps) << vm::isaName(isa) << ' ' << nameOf(s.f) << '(' << x[i] << ", " << y[i]
                                   << ") = " << out[i] << ", not " << reference(s.f, x[i], y[i]);
            if (d > worst) {
                worst = d;
                worstAt = x[i];
            }
        }
        // Nothing fuses, so the wider sets compute the same bits.
        if (isa == Isa::sse2) {
            sse2 = out;
        } else if (!sse2.empty()) {
            for (std::size_t i = 0; i < x.size(); ++i)
                ASSERT_TRUE(sameBits(out[i], sse2[i]) || (std::isnan(out[i]) && std::isnan(sse2[i])))
                    << vm::isaName(isa) << ' ' << nameOf(s.f) << '(' << x[i] << ", " << y[i]
                    << ") = " << out[i] << ", sse2 " << sse2[i];
        }
        std::printf("%-7s %-28s max %lld ulp (at %.9g) over %zu values\n", vm::isaName(isa), s.name,
                    static_cast<long long>(worst), static_cast<double>(worstAt), x.size());
    }
}

// What the model passes: cosines of dot products; exp of -(d / c), of the
// transmission exponent, of -dot and of the lobe's -b^2; log(1 - k); tan of
// half a dot product or half of exp(-dot); the phase's power 1.5 of
// [0, 4], the highlight's 6 / eccentricity of [0, 1], and x^-1; acos of a
// cosine; sqrt of squared lengths. Beyond those, the functions' whole
// ranges where the vector code works them.
const Sweep kSweeps[] = {
    {"cos_model", Function::cos, -1.6f, 1.6f},
    {"cos_wide", Function::cos, -65536.0f, 65536.0f},
    {"exp_model", Function::exp, -4.0f, 3.0f},
    {"exp_lobe", Function::exp, -4000.0f, 0.0f},
    {"exp_whole", Function::exp, -104.0f, 89.0f},
    {"tan_model", Function::tan, -1.6f, 1.6f},
    {"tan_wide", Function::tan, -65536.0f, 65536.0f},
    {"acos_whole", Function::acos, -1.0f, 1.0f},
    {"log_model", Function::log, 1e-30f, 1.0f},
    {"log_whole", Function::log, 1.17549435e-38f, 3.4e38f},
    {"sqrt_model", Function::sqrt, 0.0f, 4.0f},
    {"sqrt_whole", Function::sqrt, 0.0f, 3.4e38f},
    {"pow_phase", Function::pow, 0.0f, 4.0f, 1.5f, 1.5f},
    {"pow_highlight", Function::pow, 0.0f, 1.0f, 6.0f, 240.0f},
    {"pow_inverse", Function::pow, 0.01f, 100.0f, -1.0f, -1.0f},
    {"pow_whole", Function::pow, 1e-6f, 1e6f, -12.0f, 12.0f},
    {"powThreeHalves_phase", Function::powThreeHalves, 0.0f, 4.0f},
    {"powThreeHalves_whole", Function::powThreeHalves, 0.0f, 3.4e38f},
};

INSTANTIATE_TEST_SUITE_P(Functions, Sweeps, ::testing::ValuesIn(kSweeps),
                         [](const auto& info) { return std::string(info.param.name); });

// Special values and domain edges, among ordinary arguments, in every lane
// of two of the widest vectors: the special lane gets the C library's
// answer, and the others what they get without it.
struct Special {
    Function f;
    float x, y;
};

void PrintTo(const Special& s, std::ostream* os) { *os << nameOf(s.f) << '(' << s.x << ", " << s.y << ')'; }

const Special kSpecials[] = {
    {Function::cos, kNaN, 1},
    {Function::cos, kInf, 1},
    {Function::cos, -kInf, 1},
    {Function::cos, 0.0f, 1},
    {Function::cos, -0.0f, 1},
    {Function::cos, 65536.5f, 1},
    {Function::cos, -1e30f, 1},
    {Function::cos, 1e-45f, 1},

    {Function::tan, kNaN, 1},
    {Function::tan, kInf, 1},
    {Function::tan, -kInf, 1},
    {Function::tan, 0.0f, 1},
    {Function::tan, -0.0f, 1},
    {Function::tan, 1e30f, 1},
    {Function::tan, -1e-45f, 1},

    {Function::exp, kNaN, 1},
    {Function::exp, kInf, 1},
    {Function::exp, -kInf, 1},
    {Function::exp, 0.0f, 1},
    {Function::exp, -0.0f, 1},
    {Function::exp, 88.8f, 1},
    {Function::exp, 1e30f, 1},
    {Function::exp, -104.0f, 1},
    {Function::exp, -1e30f, 1},

    {Function::acos, kNaN, 1},
    {Function::acos, 1.0f, 1},
    {Function::acos, -1.0f, 1},
    {Function::acos, 1.00000012f, 1},
    {Function::acos, -1.00000012f, 1},
    {Function::acos, kInf, 1},
    {Function::acos, 0.0f, 1},
    {Function::acos, -0.0f, 1},

    {Function::log, kNaN, 1},
    {Function::log, kInf, 1},
    {Function::log, -kInf, 1},
    {Function::log, 0.0f, 1},
    {Function::log, -0.0f, 1},
    {Function::log, -1.0f, 1},
    {Function::log, 1.0f, 1},
    {Function::log, 1e-45f, 1},
    {Function::log, 1e-40f, 1},

    {Function::sqrt, kNaN, 1},
    {Function::sqrt, kInf, 1},
    {Function::sqrt, -1.0f, 1},
    {Function::sqrt, 0.0f, 1},
    {Function::sqrt, -0.0f, 1},
    {Function::sqrt, 1e-45f, 1},

    {Function::pow, 0.0f, 1.5f},
    {Function::pow, -0.0f, 1.5f},
    {Function::pow, 0.0f, -1.0f},
    {Function::pow, -0.0f, -1.0f},
    {Function::pow, 0.0f, 0.0f},
    {Function::pow, -1.0f, 1.5f},
    {Function::pow, -2.0f, 2.0f},
    {Function::pow, -2.0f, -1.0f},
    {Function::pow, kNaN, 0.0f},
    {Function::pow, kNaN, 1.5f},
    {Function::pow, 1.0f, kNaN},
    {Function::pow, 2.0f, kNaN},
    {Function::pow, 1.0f, kInf},
    {Function::pow, 0.5f, kInf},
    {Function::pow, 2.0f, kInf},
    {Function::pow, 0.5f, -kInf},
    {Function::pow, kInf, 1.5f},
    {Function::pow, kInf, -1.0f},
    {Function::pow, -kInf, 3.0f},
    {Function::pow, 2.0f, 0.0f},
    {Function::pow, 2.0f, -0.0f},
    {Function::pow, 1.0f, 1e30f},
    {Function::pow, 2.0f, 200.0f},
    {Function::pow, 2.0f, -200.0f},
    {Function::pow, 1e-40f, 0.5f},
    {Function::pow, 0.0f, kInf},
    {Function::powThreeHalves, 0.0f, 1},
    {Function::powThreeHalves, -0.0f, 1},
    {Function::powThreeHalves, -1.0f, 1},
    {Function::powThreeHalves, kInf, 1},
    {Function::powThreeHalves, -kInf, 1},
    {Function::powThreeHalves, kNaN, 1},
    {Function::powThreeHalves, 1e-45f, 1},
    {Function::powThreeHalves, 3e38f, 1},
};

// Arguments and results of the table's function in `lanes` lanes, with s.x
// at `at` and ordinary values elsewhere.
std::vector<float> run(const vm::Functions& t, const Special& s, int lanes, int at, bool withSpecial) {
    std::vector<float> x(lanes), y(lanes, s.y);
    for (int i = 0; i < lanes; ++i) {
        x[i] = s.f == Function::acos ? 0.03f * static_cast<float>(i) - 0.4f
                                     : 0.25f + 0.125f * static_cast<float>(i);
        if (s.f == Function::pow && !std::isfinite(s.y)) y[i] = 1.5f;
    }
    if (withSpecial) {
        x[at] = s.x;
        y[at] = s.y;
    }
    apply(t, s.f, x, y);
    return x;
}

class Specials : public ::testing::TestWithParam<Special> {};

TEST_P(Specials, ComeOutAsTheCLibrarysInEveryLane) {
    const Special& s = GetParam();
    const float expected = library(s.f, s.x, s.y);
    for (const Isa isa : isasHere()) {
        const vm::Functions& t = *vm::functions(isa);
        const int lanes = 32;
        const std::vector<float> plain = run(t, s, lanes, 0, false);
        for (int at = 0; at < lanes; ++at) {
            const std::vector<float> out = run(t, s, lanes, at, true);
            const std::string where = std::string(vm::isaName(isa)) + " lane " + std::to_string(at);
            ASSERT_TRUE(sameBits(out[at], expected) || (std::isnan(out[at]) && std::isnan(expected)))
                << where << ": " << out[at] << ", the C library's " << expected;
            for (int i = 0; i < lanes; ++i) {
                if (i == at) continue;
                ASSERT_TRUE(sameBits(out[i], plain[i])) << where << " changed lane " << i;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Values, Specials, ::testing::ValuesIn(kSpecials));

// Finite edges the vector code works itself: within kMaxUlps, like the sweeps.
const Special kEdges[] = {
    {Function::cos, 1.57079637f, 1},
    {Function::cos, -4.71238899f, 1},
    {Function::cos, 65536.0f, 1},
    {Function::cos, 51471.8516f, 1},
    {Function::tan, 1.57079637f, 1},
    {Function::tan, -1.57079625f, 1},
    {Function::tan, 65535.9961f, 1},
    {Function::exp, 88.7228394f, 1},
    {Function::exp, -87.3365479f, 1},
    {Function::exp, -100.0f, 1},
    {Function::exp, -103.9f, 1},
    {Function::exp, 1e-8f, 1},
    {Function::acos, 0.99999994f, 1},
    {Function::acos, -0.99999994f, 1},
    {Function::acos, 0.5f, 1},
    {Function::acos, -0.5f, 1},
    {Function::acos, 1e-8f, 1},
    {Function::log, 1.17549435e-38f, 1},
    {Function::log, 3.40282347e38f, 1},
    {Function::log, 0.99999994f, 1},
    {Function::log, 1.00000012f, 1},
    {Function::pow, 0.99f, 120.0f},
    {Function::pow, 1e-3f, 14.0f},
    {Function::pow, 1e-3f, 15.0f},
    {Function::pow, 3.40282347e38f, 1.0f},
    {Function::pow, 1.17549435e-38f, 1.0f},
    {Function::pow, 2.0f, 127.9f},
    {Function::pow, 2.0f, -149.0f},
    {Function::pow, 1.00000012f, 1e7f},
};

class Edges : public ::testing::TestWithParam<Special> {};

TEST_P(Edges, StayWithinAFewUlps) {
    const Special& s = GetParam();
    const float expected = reference(s.f, s.x, s.y);
    for (const Isa isa : isasHere()) {
        std::vector<float> x{s.x}, y{s.y};
        apply(*vm::functions(isa), s.f, x, y);
        EXPECT_LE(ulps(x[0], expected), kMaxUlps) << vm::isaName(isa) << ": " << x[0] << ", not " << expected;
    }
}

INSTANTIATE_TEST_SUITE_P(Values, Edges, ::testing::ValuesIn(kEdges));

// Any count: whole vectors, then a part through a padded one; nothing past
// the count is touched.
TEST(Counts, AnyCountIsComputedAndNothingPastIt) {
    for (const Isa isa : isasHere()) {
        const vm::Functions& t = *vm::functions(isa);
        for (int count = 0; count <= 40; ++count) {
            std::vector<float> x(count + 1), y(count + 1, 1.5f);
            for (int i = 0; i <= count; ++i) x[i] = 0.5f + 0.01f * static_cast<float>(i);
            x[count] = 42.0f;
            t.pow(x.data(), y.data(), count);
            for (int i = 0; i < count; ++i) {
                const float arg = 0.5f + 0.01f * static_cast<float>(i);
                ASSERT_LE(ulps(x[i], reference(Function::pow, arg, 1.5f)), kMaxUlps) << count << ' ' << i;
            }
            ASSERT_EQ(x[count], 42.0f) << vm::isaName(isa) << " wrote past " << count;
        }
    }
}

// Every x86 build has SSE2: where the processor does, so do the batches.
TEST(Choice, TheProcessorsSetsAreThere) {
#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
    ASSERT_NE(vm::functions(Isa::sse2), nullptr);
#endif
    for (const Isa isa : isasHere()) EXPECT_STREQ(vm::functions(isa)->name, vm::isaName(isa));
}

}  // namespace
