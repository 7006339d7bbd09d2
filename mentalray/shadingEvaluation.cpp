#include "mentalray/shadingEvaluation.h"

#include <cmath>
#include <utility>

namespace sorvane::mrplugin {

namespace {

// Written here rather than as operator<< on the renderer's types, which
// the test suites print in their own way.
struct Channels {
    const miColor& c;
};
std::ostream& operator<<(std::ostream& os, Channels c) {
    return os << '(' << c.c.r << ", " << c.c.g << ", " << c.c.b << ", " << c.c.a << ')';
}

}  // namespace

Vec3 shadingNormal(const miVector& stateNormal, const ShadingInputs& m) {
    return unitUnlessZeroLength({stateNormal.x + m.normalCamera.x, stateNormal.y + m.normalCamera.y,
                                 stateNormal.z + m.normalCamera.z});
}

SampleConstants sampleConstants(const ShadingInputs& m, Vec3 rayDirection, Vec3 N) {
    SampleConstants out;
    out.V = -rayDirection;
    out.view = sorvane::model::viewTerms<Flavour>(out.V, N, m.depth);
    out.opposition = sorvane::model::oppositionFalloff<Flavour>(out.V, N, m.opposition);
    out.backlightScale = sorvane::model::falloffScale<Flavour>(m.backlight);
    return out;
}

LightSampleTerms sampleTerms(const ShadingInputs& m, const SampleConstants& shared, Vec3 N,
                             const LightSampleInput& sample, double invEcc) {
    const Vec3 L = toVec3(sample.direction);
    LightSampleTerms out;
    out.scattering =
        sorvane::model::scatterBoth<Flavour>(shared.view, N, L, m.scattering, m.anisotropy, m.depth);
    out.backlight = sorvane::model::backlightFalloffScaled<Flavour>(-L, N, shared.backlightScale);
    const float a = static_cast<float>(std::acos(static_cast<double>(halfCosine(L, shared.V, N))));
    out.lobe = static_cast<float>(std::exp(-static_cast<double>(lobeSquare(a, invEcc))));
    return out;
}

void addSampleTerms(const ShadingInputs& m, const SampleConstants& shared, Vec3 N,
                    const LightSampleInput& sample, const LightSampleTerms& terms, PerLightSums& sums) {
    const miColor& lightColor = sample.color;
    miColor& diffuseRun = sums.diffuseRun;
    miColor& translucencyRun = sums.translucencyRun;
    miColor& lightTotal = sums.lightTotal;
    const Vec3 L = toVec3(sample.direction);
    const float tR = terms.scattering.reflection;
    const float tT = terms.scattering.transmission;
    const float ph = terms.scattering.phase;
    const float op = shared.opposition;
    const float bl = terms.backlight;
    // The renderer's own cosine is not used: it belongs to the surface normal.
    const float nl = cosine(L, N);

    if (nl > 0.0f) {
        const float weight = nl * m.diffuse;
        diffuseRun.r = lightColor.r * weight * m.color.r + diffuseRun.r;
        diffuseRun.g = lightColor.g * weight * m.color.g + diffuseRun.g;
        diffuseRun.b = lightColor.b * weight * m.color.b + diffuseRun.b;
    }

    // The light's colour is not a factor of the translucency group.
    const float backWeight = bl * ph;
    const float scatterSum = tT + tR;
    translucencyRun.r =
        (m.backlightColor.r * backWeight + m.scatteringColor.r * scatterSum + op * m.oppositionColor.r) *
            m.subsurfaceIntensity +
        translucencyRun.r;
    translucencyRun.g =
        (m.backlightColor.g * backWeight + m.scatteringColor.g * scatterSum + op * m.oppositionColor.g) *
            m.subsurfaceIntensity +
        translucencyRun.g;
    translucencyRun.b =
        (m.backlightColor.b * backWeight + m.scatteringColor.b * scatterSum + op * m.oppositionColor.b) *
            m.subsurfaceIntensity +
        translucencyRun.b;

    const float halfR = translucencyRun.r * 0.5f + diffuseRun.r * 0.5f;
    const float halfG = translucencyRun.g * 0.5f + diffuseRun.g * 0.5f;
    const float halfB = translucencyRun.b * 0.5f + diffuseRun.b * 0.5f;
    lightTotal.r = halfR + lightTotal.r;
    lightTotal.g = halfG + lightTotal.g;
    lightTotal.b = halfB + lightTotal.b;

    if (nl > 0.0f) {
        const float weight = terms.lobe * m.specularRollOff;
        lightTotal.r = m.specularColor.r * weight * lightColor.r + lightTotal.r;
        lightTotal.g = m.specularColor.g * weight * lightColor.g + lightTotal.g;
        lightTotal.b = m.specularColor.b * weight * lightColor.b + lightTotal.b;
    }
}

void addLightAverage(miColor& result, const miColor& lightTotal, miInteger samples) {
    if (samples > 0) {
        const float count = static_cast<float>(samples);
        result.r = lightTotal.r / count + result.r;
        result.g = lightTotal.g / count + result.g;
        result.b = lightTotal.b / count + result.b;
    }
}

void addAmbientAndIncandescence(miColor& result, const ShadingInputs& m) {
    result.r = m.ambientColor.r * m.color.r + result.r;
    result.g = m.ambientColor.g * m.color.g + result.g;
    result.b = m.ambientColor.b * m.color.b + result.b;
    result.r = m.incandescence.r + result.r;
    result.g = m.incandescence.g + result.g;
    result.b = m.incandescence.b + result.b;
    result.a = 1.0f;
}

bool irradianceWanted(const miColor& weight) {
    return !(weight.r == 0.0f && weight.g == 0.0f && weight.b == 0.0f);
}

void addIrradiance(miColor& result, const ShadingInputs& m, const miColor& irradiance,
                   const miColor& weight) {
    // The single-precision pi, divided in double as shipped.
    constexpr double kPi = 3.14159274101257324;
    result.r = static_cast<float>(static_cast<double>(m.color.r * irradiance.r * weight.r) / kPi +
                                  static_cast<double>(result.r));
    result.g = static_cast<float>(static_cast<double>(m.color.g * irradiance.g * weight.g) / kPi +
                                  static_cast<double>(result.g));
    result.b = static_cast<float>(static_cast<double>(m.color.b * irradiance.b * weight.b) / kPi +
                                  static_cast<double>(result.b));
    result.a = 1.0f;
}

std::ostream& operator<<(std::ostream& os, const miColor& c) {
    return os << '(' << c.r << ", " << c.g << ", " << c.b << ')';
}

std::ostream& operator<<(std::ostream& os, const ShadingInputs& m) {
    const char* separator = "{";
#define SORVANE_SHADER_COLOR(name, ...) os << std::exchange(separator, ", ") << #name " " << Channels{m.name};
#define SORVANE_SHADER_SCALAR(name, ...) os << std::exchange(separator, ", ") << #name " " << m.name;
#define SORVANE_SHADER_VECTOR(name, ...) os << std::exchange(separator, ", ") << #name " " << toVec3(m.name);
#define SORVANE_SHADER_BOOLEAN SORVANE_SHADER_SCALAR
    SORVANE_SHADER_PARAMETERS
#undef SORVANE_SHADER_COLOR
#undef SORVANE_SHADER_SCALAR
#undef SORVANE_SHADER_VECTOR
#undef SORVANE_SHADER_BOOLEAN
    return os << '}';
}

std::ostream& operator<<(std::ostream& os, const LightSampleInput& s) {
    return os << "{color " << Channels{s.color} << ", direction " << toVec3(s.direction) << '}';
}

std::ostream& operator<<(std::ostream& os, const PerLightSums& s) {
    return os << "{diffuseRun " << Channels{s.diffuseRun} << ", translucencyRun "
              << Channels{s.translucencyRun} << ", lightTotal " << Channels{s.lightTotal} << '}';
}

std::ostream& operator<<(std::ostream& os, const SampleConstants& s) {
    return os << "{V " << s.V << ", c1 " << s.view.c1 << ", e1 " << s.view.e1 << ", opposition "
              << s.opposition << ", backlightScale " << s.backlightScale << '}';
}

}  // namespace sorvane::mrplugin
