#include "maya/shadingEvaluation.h"

#include <cmath>
#include <new>

namespace sorvane::mayaplugin {

namespace {

using Model = model::MayaFlavour;

constexpr int kFewestVectorLights = 2;

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

std::ostream& operator<<(std::ostream& os, const ShadingInputs& s) {
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

OutColorEvaluation::OutColorEvaluation(const ShadingInputs& sample)
    : OutColorEvaluation(sample, widestLightBatchMath()) {}

OutColorEvaluation::OutColorEvaluation(const ShadingInputs& sample, const LightBatchMath* math)
    : sample_(sample), math_(math) {
    SampleConstants& t = terms_;
    t.V = unitUnlessTiny(sample.rayDirection);
    t.N = unitUnlessTiny(sample.normalCamera);
    t.viewCosine = model::dot(-t.V, t.N);
    t.specularExponent = 6.0f / sample.eccentricity;
    t.view = model::viewTerms<Model>(t.V, t.N, sample.depth);
    t.oppositionFalloff = model::oppositionFalloff<Model>(-t.V, t.N, sample.opposition);
    t.backlightScale = model::falloffScale<Model>(sample.backlight);
}

void OutColorEvaluation::addLight(const LightDataElement& light) {
    if (math_ == nullptr) {
        addScalarLight(light);
        return;
    }
    LightBatch& b = batch_;
    const int i = batched_++;
    b.directionX[i] = light.lightDirection.x;
    b.directionY[i] = light.lightDirection.y;
    b.directionZ[i] = light.lightDirection.z;
    b.preShadowIntensity[i] = light.preShadowIntensity;
    b.ambient[i] = light.lightAmbient ? -1 : 0;
    b.diffuse[i] = light.lightDiffuse ? -1 : 0;
    b.specular[i] = light.lightSpecular ? -1 : 0;
    b.intensity[i][0] = light.lightIntensity.r;
    b.intensity[i][1] = light.lightIntensity.g;
    b.intensity[i][2] = light.lightIntensity.b;
    b.intensity[i][3] = 0.0f;
    if (batched_ == kLightBatch) evaluateBatch();
}

void OutColorEvaluation::addScalarLight(const LightDataElement& light) {
    const ShadingInputs& s = sample_;
    const SampleConstants& t = terms_;
    const Vec3 L = unitUnlessTiny(light.lightDirection);
    LightTerms terms{};
    if (light.lightDiffuse) {
        const model::Scattering scattering =
            model::scatterBoth<Model>(t.view, t.N, L, s.scattering, s.anisotropy, s.depth);
        terms.reflection = scattering.reflection;
        terms.transmission = scattering.transmission;
        terms.backlightFalloff = model::backlightFalloffScaled<Model>(-L, t.N, t.backlightScale);
    }
    if (light.lightSpecular) {
        const Vec3 H = unitUnlessTiny(L + -t.V);
        const float cosHN = model::dot(H, t.N);
        terms.specularPower = std::pow(cosHN > 0.0f ? cosHN : 0.0f, t.specularExponent);
    }
    accumulate(light, L, terms);
}

void OutColorEvaluation::evaluateBatch() {
    const int count = batched_;
    batched_ = 0;
    // One light is quicker on its own; from two on the vector calls win.
    if (count >= kFewestVectorLights) {
        math_->addLights(sample_, terms_, batch_, count, sums_);
        return;
    }
    const LightBatch& b = batch_;
    for (int i = 0; i < count; ++i) {
        addScalarLight({{b.intensity[i][0], b.intensity[i][1], b.intensity[i][2]},
                        {b.directionX[i], b.directionY[i], b.directionZ[i]},
                        b.preShadowIntensity[i],
                        b.ambient[i] != 0,
                        b.diffuse[i] != 0,
                        b.specular[i] != 0});
    }
}

SORVANE_ALWAYS_INLINE void OutColorEvaluation::accumulate(const LightDataElement& light, Vec3 L,
                                                          const LightTerms& terms) {
    const ShadingInputs& s = sample_;
    const Color& I = light.lightIntensity;
    const float p = light.preShadowIntensity;
    const Vec3 N = terms_.N;

    if (light.lightAmbient) {
        sums_.ambient.r += I.r * s.color.r;
        sums_.ambient.g += I.g * s.color.g;
        sums_.ambient.b += I.b * s.color.b;
    }

    if (light.lightDiffuse) {
        const float R = terms.reflection;
        const float T = terms.transmission;
        const float Fo = terms_.oppositionFalloff;
        const float Fb = terms.backlightFalloff;

        const float oppositionWeight = Fo * p;
        sums_.opposition.r += oppositionWeight * s.oppositionColor.r;
        sums_.opposition.g += oppositionWeight * s.oppositionColor.g;
        sums_.opposition.b += oppositionWeight * s.oppositionColor.b;
        const float backlightWeight = Fb * p;
        sums_.backlight.r += backlightWeight * s.backlightColor.r;
        sums_.backlight.g += backlightWeight * s.backlightColor.g;
        sums_.backlight.b += backlightWeight * s.backlightColor.b;

        // The running opposition and backlight totals, this light's included,
        // enter every diffuse light's scattering: that is the model's look.
        const float TR = T + R;
        sums_.scatter.r += ((TR * s.scatteringColor.r + sums_.opposition.r) + sums_.backlight.r) * p;
        sums_.scatter.g += ((TR * s.scatteringColor.g + sums_.opposition.g) + sums_.backlight.g) * p;
        sums_.scatter.b += ((TR * s.scatteringColor.b + sums_.opposition.b) + sums_.backlight.b) * p;

        const float cosLN = model::dot(L, N);
        if (cosLN > 0.0f) {
            const float weight = cosLN * s.diffuse;
            sums_.diffuse.r += (weight * I.r) * s.color.r;
            sums_.diffuse.g += (weight * I.g) * s.color.g;
            sums_.diffuse.b += (weight * I.b) * s.color.b;
        }
    }

    if (light.lightSpecular) {
        // Signed and unguarded: seen from behind the highlight turns negative.
        const float S = (terms.specularPower / terms_.viewCosine) * s.specularRollOff;
        sums_.specular.r += (S * I.r) * s.specularColor.r;
        sums_.specular.g += (S * I.g) * s.specularColor.g;
        sums_.specular.b += (S * I.b) * s.specularColor.b;
    }
}

Color OutColorEvaluation::finish() {
    if (batched_ > 0) evaluateBatch();
    const ShadingInputs& s = sample_;
    Color out;
    out.r = sums_.ambient.r +
            (((sums_.scatter.r + sums_.diffuse.r) + s.ambientColor.r * s.color.r) + s.incandescence.r);
    out.g = sums_.ambient.g +
            (((sums_.scatter.g + sums_.diffuse.g) + s.ambientColor.g * s.color.g) + s.incandescence.g);
    out.b = sums_.ambient.b +
            (((sums_.scatter.b + sums_.diffuse.b) + s.ambientColor.b * s.color.b) + s.incandescence.b);
    // Transparency darkens all but the highlight.
    out.r = (1.0f - s.transparency.r) * out.r + sums_.specular.r;
    out.g = (1.0f - s.transparency.g) * out.g + sums_.specular.g;
    out.b = (1.0f - s.transparency.b) * out.b + sums_.specular.b;
    return out;
}

Color evaluateOutColor(const ShadingInputs& sample, const LightDataElement* lights, std::size_t count) {
    return evaluateOutColor(sample, lights, count, widestLightBatchMath());
}

Color evaluateOutColor(const ShadingInputs& sample, const LightDataElement* lights, std::size_t count,
                       const LightBatchMath* math) {
    OutColorEvaluation evaluation(sample, math);
    for (std::size_t i = 0; i < count; ++i) {
        evaluation.addLight(lights[i]);
    }
    return evaluation.finish();
}

}  // namespace sorvane::mayaplugin
