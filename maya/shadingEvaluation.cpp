#include "maya/shadingEvaluation.h"

#include <cmath>

namespace sorvane {

namespace {

using Model = model::MayaFlavour;

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

std::ostream& operator<<(std::ostream& os, const LightSample& l) {
    return os << "{lightIntensity " << l.lightIntensity << ", lightDirection " << l.lightDirection
              << ", preShadowIntensity " << l.preShadowIntensity << ", ambient " << l.lightAmbient
              << ", diffuse " << l.lightDiffuse << ", specular " << l.lightSpecular << '}';
}

OutColorEvaluation::OutColorEvaluation(const ShadingSample& sample)
    : sample_(sample),
      V_(normalize(sample.rayDirection)),
      N_(normalize(sample.normalCamera)),
      viewCosine_(model::dot(-V_, N_)),
      specularExponent_(6.0f / sample.eccentricity),
      view_(model::viewTerms<Model>(V_, N_, sample.depth)),
      oppositionFalloff_(model::oppositionFalloff<Model>(-V_, N_, sample.opposition)),
      backlightScale_(model::falloffScale<Model>(sample.backlight)) {}

void OutColorEvaluation::addLight(const LightSample& light) {
    const ShadingSample& s = sample_;
    const Color& I = light.lightIntensity;
    const float p = light.preShadowIntensity;
    const Vec3 L = normalize(light.lightDirection);
    const Vec3 N = N_;

    if (light.lightAmbient) {
        ambientLightSum_.r += I.r * s.color.r;
        ambientLightSum_.g += I.g * s.color.g;
        ambientLightSum_.b += I.b * s.color.b;
    }

    if (light.lightDiffuse) {
        const model::Scattering scattering =
            model::scatterBoth<Model>(view_, N, L, s.scattering, s.anisotropy, s.depth);
        const float R = scattering.reflection;
        const float T = scattering.transmission;
        const float Fo = oppositionFalloff_;
        const float Fb = model::backlightFalloffScaled<Model>(-L, N, backlightScale_);

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
        const Vec3 H = normalize(L + -V_);
        const float cosHN = model::dot(H, N);
        const float e = std::pow(cosHN > 0.0f ? cosHN : 0.0f, specularExponent_);
        // Signed and unguarded: seen from behind the highlight turns negative.
        const float S = (e / viewCosine_) * s.specularRollOff;
        specularSum_.r += (S * I.r) * s.specularColor.r;
        specularSum_.g += (S * I.g) * s.specularColor.g;
        specularSum_.b += (S * I.b) * s.specularColor.b;
    }
}

Color OutColorEvaluation::finish() const {
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

Color evaluateOutColor(const ShadingSample& sample, const LightSample* lights, std::size_t count) {
    OutColorEvaluation evaluation(sample);
    for (std::size_t i = 0; i < count; ++i) {
        evaluation.addLight(lights[i]);
    }
    return evaluation.finish();
}

}  // namespace sorvane
