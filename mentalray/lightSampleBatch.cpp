#include "mentalray/lightSampleBatch.h"

namespace sorvane::mrplugin {

namespace model = sorvane::model;

namespace {

// A batch's vector calls cost about what three samples' scalar calls do:
// fewer samples are quicker one by one.
constexpr int kFewestVectorSamples = 4;

// Stands in for the lanes past the last sample, so that every lane computes
// on ordinary values; nobody reads what they give.
constexpr LightSampleInput kPadding = {{0.0f, 0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};

float toFloat(double x) { return static_cast<float>(x); }

}  // namespace

LightSampleBatch::LightSampleBatch(const ShadingInputs& m, const SampleConstants& shared, Vec3 N,
                                   double invEcc, const SampleBatchMath& math, miColor& result)
    : m_(m), shared_(shared), N_(N), invEcc_(invEcc), math_(math), result_(result) {}

void LightSampleBatch::evaluate() {
    const int count = count_;
    LightSampleTerms terms[kSampleBatch];
    if (count >= kFewestVectorSamples) {
        vectorTerms(count, terms);
    } else {
        for (int i = 0; i < count; ++i) terms[i] = sampleTerms(m_, shared_, N_, samples_[i], invEcc_);
    }
    int end = 0;
    for (int i = 0; i <= count; ++i) {
        for (; end < endCount_ && ends_[end].position == i; ++end) {
            addLightAverage(result_, sums_.lightTotal, ends_[end].counter);
            sums_ = PerLightSums{};
        }
        if (i < count) addSampleTerms(m_, shared_, N_, samples_[i], terms[i], sums_);
    }
    count_ = 0;
    endCount_ = 0;
}

// The stages' arithmetic runs over whole vectors of lanes: per lane it is
// the scalar path's, operation for operation (nothing contracts into a
// fused multiply-add), so the values are the same.
// sampleTerms stage by stage over the lanes, the library calls in between
// made for all lanes at once. Every value between the calls is the float
// that sampleTerms stores, made by the same functions.
void LightSampleBatch::vectorTerms(int count, LightSampleTerms* terms) const {
    const int lanes = (count + kSampleLanes - 1) / kSampleLanes * kSampleLanes;
    const ShadingInputs& m = m_;
    const Vec3 N = N_, V = shared_.V;
    const float g = m.anisotropy, d = m.depth;

    float Lx[kSampleBatch], Ly[kSampleBatch], Lz[kSampleBatch];
    for (int i = 0; i < lanes; ++i) {
        const miVector& L = (i < count ? samples_[i] : kPadding).direction;
        Lx[i] = L.x;
        Ly[i] = L.y;
        Lz[i] = L.z;
    }

    // cos(dot(N, L)), pow(phase base, 1.5), the backlight's exp and the lobe's acos.
    float c2[kSampleBatch], phasePower[kSampleBatch];
    float backlightExp[kSampleBatch], a[kSampleBatch];
    for (int i = 0; i < lanes; ++i) {
        const Vec3 L{Lx[i], Ly[i], Lz[i]};
        const float h = model::dot(N, L);
        c2[i] = h;
        phasePower[i] = model::phaseBase(h, g);
        backlightExp[i] = model::backlightExponent(-L, N);
        a[i] = halfCosine(L, V, N);
    }
    math_.cos(c2, lanes);
    math_.powThreeHalves(phasePower, lanes);
    math_.exp(backlightExp, lanes);
    math_.acos(a, lanes);

    // The three exponentials e2, e and the lobe's, one after the other, and
    // the falloff's tan.
    float exps[3 * kSampleBatch], tangent[kSampleBatch];
    float* const e2 = exps;
    float* const e = exps + lanes;
    float* const lobe = exps + 2 * lanes;
    for (int i = 0; i < lanes; ++i) {
        const float cosine = toFloat(c2[i]);
        e2[i] = model::reflectionExponent(cosine, d);
        e[i] = model::transmissionExponent(shared_.view, cosine, d);
        lobe[i] = -lobeSquare(toFloat(a[i]), invEcc_);
        tangent[i] = model::falloffTangentArgument(toFloat(backlightExp[i]));
    }
    math_.exp(exps, 3 * lanes);
    math_.tan(tangent, lanes);

    float falloff[kSampleBatch], minusOne[kSampleBatch];
    for (int i = 0; i < lanes; ++i) {
        falloff[i] = model::falloffPowerBase(toFloat(tangent[i]), shared_.backlightScale);
        minusOne[i] = -1.0f;
    }
    math_.pow(falloff, minusOne, lanes);

    for (int i = 0; i < count; ++i) {
        // The guard looks at the cosine itself; its power was made on
        // the formula's base all the same, and is not used.
        const float h = model::dot(N, Vec3{Lx[i], Ly[i], Lz[i]});
        const float phase = model::phaseGuarded<Flavour>(h)
                                ? model::guardedPhase(g)
                                : model::phaseFromPower(toFloat(phasePower[i]), g);
        terms[i].scattering = model::scatteringFrom(shared_.view, toFloat(c2[i]), phase, toFloat(e2[i]),
                                                    toFloat(e[i]), m.scattering);
        terms[i].backlight = toFloat(falloff[i]);
        terms[i].lobe = toFloat(lobe[i]);
    }
}

}  // namespace sorvane::mrplugin
