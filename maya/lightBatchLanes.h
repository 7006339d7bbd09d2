#pragma once

// The lights of a batch, a vector of lanes at a time: the scalar path's
// float arithmetic on vectors, each lane the same IEEE operations in the
// same order (nothing fuses), the model's steps (model/scattering.h) called
// on the lanes as the scalar path calls them on floats, the math calls made
// for all lanes at once
// through vectormath's kernels, and the running sums then added light by
// light, in light order, a sum's three channels in one SSE register.
//
// Included by each instruction set's source with its own Isa (sse2Lanes.h,
// avx2Lanes.h, avx512Lanes.h). Every function here is a member of a template
// over that type, so that no copy built for one instruction set can be
// linked in place of another's.

#include <immintrin.h>

#include <cmath>
#include <cstdint>

#include "maya/lightBatchMath.h"
#include "maya/shadingEvaluation.h"
#include "vectormath/lanes.h"
#include "vectormath/mathKernels.h"

namespace sorvane::mayaplugin {

template <class Isa>
struct LightLanes {
    using F = sorvane::vectormath::Vector<Isa, float>;
    using M = sorvane::vectormath::Mask<Isa, float>;
    using Math = sorvane::vectormath::MathKernels<Isa>;
    static constexpr int W = F::kLanes;

    // What the running sums need of each light, worked out for a whole chunk.
    struct Terms {
        alignas(64) float scatter[W];     // T + R
        alignas(64) float opposition[W];  // Fo * p
        alignas(64) float backlight[W];   // Fb * p
        alignas(64) float diffuse[W];     // dot(L, N) * diffuse
        alignas(64) float specular[W];    // the highlight's scale S
        alignas(64) std::int32_t isAmbient[W];
        alignas(64) std::int32_t isDiffuse[W];
        alignas(64) std::int32_t isLit[W];  // diffuse, and facing the light
        alignas(64) std::int32_t isSpecular[W];
    };

    static void addLights(const ShadingInputs& s, const SampleConstants& t, const LightBatch& batch,
                          int count, EffectSums& sums) {
        for (int first = 0; first < count; first += W) {
            Terms terms;
            evaluate(s, t, batch, first, count, terms);
            accumulate(s, batch, first, count - first < W ? count - first : W, terms, sums);
        }
    }

private:
    // Maya's rule, as unitUnlessTiny(): a squared length <= 1e-20 leaves the vector.
    static void unitUnlessTiny(F& x, F& y, F& z) {
        const F lengthSquared = x * x + y * y + z * z;
        const F inverse = 1.0f / Math::sqrt(lengthSquared);
        const M keep = lengthSquared <= F(1e-20f);
        x = select(keep, x, x * inverse);
        y = select(keep, y, y * inverse);
        z = select(keep, z, z * inverse);
    }

    // Lanes past the last light, or whose light skips a term, compute on
    // stand-ins nobody reads.
    static void evaluate(const ShadingInputs& s, const SampleConstants& t, const LightBatch& batch, int first,
                         int count, Terms& out) {
        const F zero = 0.0f, one = 1.0f;
        const M active = Isa::firstLanes(count - first);
        const M isAmbient = M::load(batch.ambient + first) & active;
        const M isDiffuse = M::load(batch.diffuse + first) & active;
        const M isSpecular = M::load(batch.specular + first) & active;
        // Stale or uninitialised lanes are cleared: denormals there would slow
        // every step, and NaN would send a math call to the C library.
        F x = select(active, F::load(batch.directionX + first), zero);
        F y = select(active, F::load(batch.directionY + first), zero);
        F z = select(active, F::load(batch.directionZ + first), zero);
        const F p = select(active, F::load(batch.preShadowIntensity + first), zero);
        const model::Vec3 N = t.N, minusV = -t.V;
        const float g = s.anisotropy, d = s.depth;

        unitUnlessTiny(x, y, z);
        // dot(N, L): dot(L, N) has the same products, so the same value.
        const F h = model::dot(x, y, z, N);
        F c2 = select(isDiffuse, h, zero);
        F phase = select(isDiffuse, model::phaseBase(h, g), one);
        F backlight = select(isDiffuse, model::backlightExponent(-x, -y, -z, N), zero);

        F hx = x + minusV.x, hy = y + minusV.y, hz = z + minusV.z;
        unitUnlessTiny(hx, hy, hz);
        const F cosHN = hx * N.x + hy * N.y + hz * N.z;
        // pow(0, y) sends a lane to the C library: lanes facing away take
        // its pow(0, y) once for all of them instead, an exact special value.
        const M facing = isSpecular & (cosHN > zero);
        const F specularBase = select(facing, cosHN, one);

        c2 = Math::cos(c2);
        phase = Math::powThreeHalves(phase);
        backlight = Math::exp(backlight);
        const F specularPower =
            select(facing, Math::pow(specularBase, t.specularExponent), F(::powf(0.0f, t.specularExponent)));
        const F e2 = Math::exp(model::reflectionExponent(c2, d));
        const F e = Math::exp(model::transmissionExponent(t.view, c2, d));
        const F tangent = Math::tan(model::falloffTangentArgument(backlight));
        // pow(x, -1) as the scalar path has it: the compilers fold that call
        // into the quotient 1 / x, its correctly rounded value.
        const F falloff = 1.0f / model::falloffPowerBase(tangent, t.backlightScale);

        const F weight = model::scatteringWeight(t.view, c2, model::phaseFromPower(phase, g), s.scattering);
        const F R = model::reflectionFrom(t.view, weight, e2);
        const F T = model::transmissionFrom(weight, e);
        (T + R).store(out.scatter);
        (t.oppositionFalloff * p).store(out.opposition);
        (falloff * p).store(out.backlight);
        (h * s.diffuse).store(out.diffuse);
        ((specularPower / t.viewCosine) * s.specularRollOff).store(out.specular);
        isAmbient.store(out.isAmbient);
        isDiffuse.store(out.isDiffuse);
        (isDiffuse & (h > zero)).store(out.isLit);
        isSpecular.store(out.isSpecular);
    }

    static __m128 channels(const Color& c) { return _mm_setr_ps(c.r, c.g, c.b, 0.0f); }
    static __m128 load(const ChannelSum& c) { return _mm_load_ps(&c.r); }
    static void store(ChannelSum& c, __m128 v) { _mm_store_ps(&c.r, v); }
    static __m128 mask(std::int32_t m) { return _mm_castsi128_ps(_mm_set1_epi32(m)); }

    // A light without a term adds nothing; the masked term is +0, and a sum
    // that starts at +0 is never -0, so adding it leaves the sum as it was.
    static void accumulate(const ShadingInputs& s, const LightBatch& batch, int first, int n, const Terms& t,
                           EffectSums& sums) {
        const __m128 color = channels(s.color), scatteringColor = channels(s.scatteringColor);
        const __m128 oppositionColor = channels(s.oppositionColor),
                     backlightColor = channels(s.backlightColor);
        const __m128 specularColor = channels(s.specularColor);
        __m128 ambient = load(sums.ambient), diffuse = load(sums.diffuse);
        __m128 opposition = load(sums.opposition), backlight = load(sums.backlight);
        __m128 scatter = load(sums.scatter), specular = load(sums.specular);
        for (int i = 0; i < n; ++i) {
            const __m128 intensity = _mm_load_ps(batch.intensity[first + i]);
            const __m128 p = _mm_set1_ps(batch.preShadowIntensity[first + i]);
            const __m128 isDiffuse = mask(t.isDiffuse[i]);
            ambient = _mm_add_ps(ambient, _mm_and_ps(_mm_mul_ps(intensity, color), mask(t.isAmbient[i])));
            opposition = _mm_add_ps(
                opposition, _mm_and_ps(_mm_mul_ps(_mm_set1_ps(t.opposition[i]), oppositionColor), isDiffuse));
            backlight = _mm_add_ps(
                backlight, _mm_and_ps(_mm_mul_ps(_mm_set1_ps(t.backlight[i]), backlightColor), isDiffuse));
            const __m128 scattered = _mm_mul_ps(
                _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(t.scatter[i]), scatteringColor), opposition),
                           backlight),
                p);
            scatter = _mm_add_ps(scatter, _mm_and_ps(scattered, isDiffuse));
            const __m128 lit = _mm_mul_ps(_mm_mul_ps(_mm_set1_ps(t.diffuse[i]), intensity), color);
            diffuse = _mm_add_ps(diffuse, _mm_and_ps(lit, mask(t.isLit[i])));
            const __m128 highlight =
                _mm_mul_ps(_mm_mul_ps(_mm_set1_ps(t.specular[i]), intensity), specularColor);
            specular = _mm_add_ps(specular, _mm_and_ps(highlight, mask(t.isSpecular[i])));
        }
        store(sums.ambient, ambient);
        store(sums.diffuse, diffuse);
        store(sums.opposition, opposition);
        store(sums.backlight, backlight);
        store(sums.scatter, scatter);
        store(sums.specular, specular);
    }
};

}  // namespace sorvane::mayaplugin
