#include "maya/shadingEvaluation.h"

#include <cmath>
#include <new>

namespace shading {

namespace {

using Model = model::MayaFlavour;

constexpr int kFewestVectorLights = 4;

// The running sums are the light's last step on both paths; a call there
// costs the scalar path a few nanoseconds a light.
#if defined(__GNUC__)
#define SORVANE_ALWAYS_INLINE __attribute__((always_inline)) inline
#elif defined(_MSC_VER)
#define SORVANE_ALWAYS_INLINE __forceinline
#else
#define SORVANE_ALWAYS_INLINE inline
#endif

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

}  // namespace

bool operator==(const Color& a, const Color& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

std::ostream& operator<<(std::ostream& os, const Color& c) {
    return os << '(' << c.r << ", " << c.g << ", " << c.b << ')';
}

std::ostream& operator<<(std::ostream& os, const ShadingSample& s) {
    return os << "{rayDirection " << s.rayDirection << ", normalCamera " << s.normalCamera << ", color "
              << s.color << ", ambientColor " << s.ambientColor << ", incandescence " << s.incandescence
              << ", scatteringColor " << s.scatteringColor << ", oppositionColor " << s.oppositionColor
              << ", backlightColor " << s.backlightColor << ", specularColor " << s.specularColor
              << ", transparency " << s.transparency << ", diffuse " << s.diffuse << ", scattering "
              << s.scattering << ", anisotropy " << s.anisotropy << ", depth " << s.depth << ", opposition "
              << s.opposition << ", backlight " << s.backlight << ", eccentricity " << s.eccentricity
              << ", specularRollOff " << s.specularRollOff << '}';
}

std::ostream& operator<<(std::ostream& os, const LightDataElement& l) {
    return os << "{lightIntensity " << l.lightIntensity << ", lightDirection " << l.lightDirection
              << ", preShadowIntensity " << l.preShadowIntensity << ", ambient " << l.lightAmbient
              << ", diffuse " << l.lightDiffuse << ", specular " << l.lightSpecular << '}';
}

OutColorEvaluation::OutColorEvaluation(const ShadingSample& sample)
    : OutColorEvaluation(sample, widestLightBatchMath()) {}

OutColorEvaluation::OutColorEvaluation(const ShadingSample& sample, const LightBatchMath* math)
    : sample_(sample),
      math_(math),
      V_(normalize(sample.rayDirection)),
      N_(normalize(sample.normalCamera)),
      viewCosine_(model::dot(-V_, N_)),
      specularExponent_(6.0f / sample.eccentricity),
      view_(model::viewTerms<Model>(V_, N_, sample.depth)),
      oppositionFalloff_(model::oppositionFalloff<Model>(-V_, N_, sample.opposition)),
      backlightScale_(model::falloffScale<Model>(sample.backlight)) {}

void OutColorEvaluation::addLight(const LightDataElement& light) {
    if (math_ != nullptr) {
        new (&batch_[batched_++].light) LightDataElement(light);
        if (batched_ == kLightBatch) evaluateBatch();
        return;
    }
    addScalarLight(light);
}

void OutColorEvaluation::addScalarLight(const LightDataElement& light) {
    const ShadingSample& s = sample_;
    const Vec3 L = normalize(light.lightDirection);
    LightTerms terms{};
    if (light.lightDiffuse) {
        const model::Scattering scattering =
            model::scatterBoth<Model>(view_, N_, L, s.scattering, s.anisotropy, s.depth);
        terms.reflection = scattering.reflection;
        terms.transmission = scattering.transmission;
        terms.backlightFalloff = model::backlightFalloffScaled<Model>(-L, N_, backlightScale_);
    }
    if (light.lightSpecular) {
        const Vec3 H = normalize(L + -V_);
        const float cosHN = model::dot(H, N_);
        terms.specularPower = std::pow(cosHN > 0.0f ? cosHN : 0.0f, specularExponent_);
    }
    accumulate(light, L, terms);
}

// The scalar path's arithmetic, stage by stage over the batch, with the math
// calls in between made for all lanes at once. Lanes without a light, or
// whose light skips a term, compute on harmless stand-ins nobody reads.
void OutColorEvaluation::evaluateBatch() {
    const ShadingSample& s = sample_;
    const int count = batched_;
    const int lanes = (count + kLightLanes - 1) / kLightLanes * kLightLanes;
    batched_ = 0;
    // A vector call costs about what a few scalar ones do: too few lights
    // are quicker one by one.
    if (count < kFewestVectorLights) {
        for (int i = 0; i < count; ++i) addScalarLight(batch_[i].light);
        return;
    }
    const float g = s.anisotropy, d = s.depth;
    const float q = g * g;

    Vec3 L[kLightBatch];
    float c2[kLightBatch], phase[kLightBatch], phaseExponent[kLightBatch], backlight[kLightBatch];
    float specular[kLightBatch], specularExponent[kLightBatch];
    for (int i = 0; i < lanes; ++i) {
        c2[i] = 0.0f;
        phase[i] = 1.0f;
        phaseExponent[i] = 1.5f;
        backlight[i] = 0.0f;
        specular[i] = 1.0f;
        specularExponent[i] = specularExponent_;
    }
    for (int i = 0; i < count; ++i) {
        const LightDataElement& light = batch_[i].light;
        L[i] = normalize(light.lightDirection);
        if (light.lightDiffuse) {
            const float h = model::dot(N_, L[i]);
            c2[i] = h;
            phase[i] = q + 1.0f - h * (g * 2.0f);
            backlight[i] = -model::dot(-L[i], N_);
        }
        if (light.lightSpecular) {
            const Vec3 H = normalize(L[i] + -V_);
            const float cosHN = model::dot(H, N_);
            specular[i] = cosHN > 0.0f ? cosHN : 0.0f;
        }
    }
    math_->cos(c2, lanes);
    math_->pow(phase, phaseExponent, lanes);
    math_->exp(backlight, lanes);
    math_->pow(specular, specularExponent, lanes);

    float e2[kLightBatch], e[kLightBatch], t[kLightBatch];
    for (int i = 0; i < lanes; ++i) {
        e2[i] = -(d / c2[i]);
        e[i] = -d - (view_.inverseC1 - 1.0f / c2[i]);
        t[i] = backlight[i] * 0.5f;
    }
    math_->exp(e2, lanes);
    math_->exp(e, lanes);
    math_->tan(t, lanes);

    float falloff[kLightBatch], minusOne[kLightBatch];
    for (int i = 0; i < lanes; ++i) {
        falloff[i] = t[i] * backlightScale_ + 1.0f;
        minusOne[i] = -1.0f;
    }
    math_->pow(falloff, minusOne, lanes);

    for (int i = 0; i < count; ++i) {
        const float P = 1.0f - phase[i] * ((q * 0.25f) * 3.14159f);
        const float weight = P * s.scattering * 0.25f * (view_.c1 + c2[i]);
        const LightTerms terms{weight * (view_.e1 / e2[i]), weight * (1.0f - e[i]), falloff[i], specular[i]};
        accumulate(batch_[i].light, L[i], terms);
    }
}

SORVANE_ALWAYS_INLINE void OutColorEvaluation::accumulate(const LightDataElement& light, Vec3 L,
                                                          const LightTerms& terms) {
    const ShadingSample& s = sample_;
    const Color& I = light.lightIntensity;
    const float p = light.preShadowIntensity;
    const Vec3 N = N_;

    if (light.lightAmbient) {
        ambientLightSum_.r += I.r * s.color.r;
        ambientLightSum_.g += I.g * s.color.g;
        ambientLightSum_.b += I.b * s.color.b;
    }

    if (light.lightDiffuse) {
        const float R = terms.reflection;
        const float T = terms.transmission;
        const float Fo = oppositionFalloff_;
        const float Fb = terms.backlightFalloff;

        const float oppositionWeight = Fo * p;
        oppositionSum_.r += oppositionWeight * s.oppositionColor.r;
        oppositionSum_.g += oppositionWeight * s.oppositionColor.g;
        oppositionSum_.b += oppositionWeight * s.oppositionColor.b;
        const float backlightWeight = Fb * p;
        backlightSum_.r += backlightWeight * s.backlightColor.r;
        backlightSum_.g += backlightWeight * s.backlightColor.g;
        backlightSum_.b += backlightWeight * s.backlightColor.b;

        // The running opposition and backlight totals, this light's included,
        // enter every diffuse light's scattering: that is the model's look.
        const float TR = T + R;
        scatterSum_.r += ((TR * s.scatteringColor.r + oppositionSum_.r) + backlightSum_.r) * p;
        scatterSum_.g += ((TR * s.scatteringColor.g + oppositionSum_.g) + backlightSum_.g) * p;
        scatterSum_.b += ((TR * s.scatteringColor.b + oppositionSum_.b) + backlightSum_.b) * p;

        const float cosLN = model::dot(L, N);
        if (cosLN > 0.0f) {
            const float weight = cosLN * s.diffuse;
            diffuseSum_.r += (weight * I.r) * s.color.r;
            diffuseSum_.g += (weight * I.g) * s.color.g;
            diffuseSum_.b += (weight * I.b) * s.color.b;
        }
    }

    if (light.lightSpecular) {
        // Signed and unguarded: seen from behind the highlight turns negative.
        const float S = (terms.specularPower / viewCosine_) * s.specularRollOff;
        specularSum_.r += (S * I.r) * s.specularColor.r;
        specularSum_.g += (S * I.g) * s.specularColor.g;
        specularSum_.b += (S * I.b) * s.specularColor.b;
    }
}

Color OutColorEvaluation::finish() {
    if (batched_ > 0) evaluateBatch();
    const ShadingSample& s = sample_;
    Color out;
    out.r = ambientLightSum_.r +
            (((scatterSum_.r + diffuseSum_.r) + s.ambientColor.r * s.color.r) + s.incandescence.r);
    out.g = ambientLightSum_.g +
            (((scatterSum_.g + diffuseSum_.g) + s.ambientColor.g * s.color.g) + s.incandescence.g);
    out.b = ambientLightSum_.b +
            (((scatterSum_.b + diffuseSum_.b) + s.ambientColor.b * s.color.b) + s.incandescence.b);
    // Transparency darkens all but the highlight.
    out.r = (1.0f - s.transparency.r) * out.r + specularSum_.r;
    out.g = (1.0f - s.transparency.g) * out.g + specularSum_.g;
    out.b = (1.0f - s.transparency.b) * out.b + specularSum_.b;
    return out;
}

Color evaluateOutColor(const ShadingSample& sample, const LightDataElement* lights, std::size_t count) {
    return evaluateOutColor(sample, lights, count, widestLightBatchMath());
}

Color evaluateOutColor(const ShadingSample& sample, const LightDataElement* lights, std::size_t count,
                       const LightBatchMath* math) {
    OutColorEvaluation evaluation(sample, math);
    for (std::size_t i = 0; i < count; ++i) {
        evaluation.addLight(lights[i]);
    }
    return evaluation.finish();
}

}  // namespace shading
