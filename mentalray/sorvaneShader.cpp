// qm7r_sorvane: the sorvane surface shader for mental ray.
//
// Parameters (qm7r_sorvane.mi; every one read through mi_eval):
//   color                surface colour: diffuse, ambient and irradiance factor
//   ambientColor         ambient term, ambientColor x color, added once
//   incandescence        added once
//   normalCamera         added to the state's normal before normalising
//   diffuse              diffuse weight
//   scatteringColor      weight of the two scattering terms
//   scattering, anisotropy, depth   the scattering terms' s, g and d
//   oppositionColor, opposition     opposition falloff weight and strength
//   backlightColor, backlight       backlight falloff weight and strength
//   subsurfaceIntensity  factor of each light sample's translucency group
//   eccentricity         width of the Gaussian specular lobe in the half-angle
//   specularRollOff, specularColor  specular weight and colour
//   useIrradiance, irradianceColor  the irradiance term and its weight
//   lights               the lights sampled, elements i_lights .. i_lights+n_lights-1
//
// Every light is averaged over its samples, with diffuse and translucency
// entering as running sums at half weight: earlier samples of an area light
// weigh more than later ones, as in the shipped shader. The result is added
// to the colour the renderer passes in; alpha is 1.

#include <cmath>

#include <shader.h>

#include "mentalray/exports.h"
#include "mentalray/sorvaneParameters.h"
#include "model/scattering.h"

namespace {

using Flavour = sorvane::model::MentalRayFlavour;
using sorvane::model::Vec3;

struct Rgb {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

Vec3 toVec3(const miVector& v) { return {v.x, v.y, v.z}; }

float squareRoot(float x) { return static_cast<float>(std::sqrt(static_cast<double>(x))); }

// A zero-length vector is kept as it is rather than divided by zero.
Vec3 normalised(Vec3 v) {
    const float len2 = (v.x * v.x + v.y * v.y) + v.z * v.z;
    const float len = squareRoot(len2);
    if (len == 0.0f) {
        return v;
    }
    const float inv = 1.0f / len;
    return {inv * v.x, inv * v.y, inv * v.z};
}

// The cosines are summed y, x, z as the shipped shader does.
float cosine(Vec3 a, Vec3 n) { return (a.y * n.y + a.x * n.x) + a.z * n.z; }

struct Material {
    miColor color;
    miColor ambientColor;
    miColor incandescence;
    miColor scatteringColor;
    miColor oppositionColor;
    miColor backlightColor;
    miColor specularColor;
    miScalar eccentricity;
    miScalar specularRollOff;
    miVector normalCamera;
    miBoolean useIrradiance;
    miScalar diffuse;
    miScalar scattering;
    miScalar anisotropy;
    miScalar depth;
    miScalar opposition;
    miScalar backlight;
    miScalar subsurfaceIntensity;
};

// What every light sample of one shader call computes alike, worked out once
// with the same values: the view direction, the scattering terms' view
// cosine and exponential, the opposition falloff and the backlight curve's scale.
struct ViewShared {
    Vec3 V;
    sorvane::model::ViewTerms view;
    float opposition = 0.0f;
    float backlightScale = 0.0f;
};

ViewShared viewShared(const Material& m, const miState* state, Vec3 N) {
    ViewShared out;
    out.V = -toVec3(state->dir);
    out.view = sorvane::model::viewTerms<Flavour>(out.V, N, m.depth);
    out.opposition = sorvane::model::oppositionFalloff<Flavour>(out.V, N, m.opposition);
    out.backlightScale = sorvane::model::falloffScale<Flavour>(m.backlight);
    return out;
}

// One light sample's share of the light's running sums and total.
void addLightSample(const Material& m, const ViewShared& shared, Vec3 N, const miColor& lightColor,
                    const miVector& direction, double invEcc, Rgb& diffuseRun, Rgb& translucencyRun,
                    Rgb& lightTotal) {
    const Vec3 V = shared.V;
    const Vec3 L = toVec3(direction);
    const sorvane::model::Scattering scattering =
        sorvane::model::scatterBoth<Flavour>(shared.view, N, L, m.scattering, m.anisotropy, m.depth);
    const float tR = scattering.reflection;
    const float tT = scattering.transmission;
    const float ph = scattering.phase;
    const float op = shared.opposition;
    const float bl = sorvane::model::backlightFalloffScaled<Flavour>(-L, N, shared.backlightScale);
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

    const Vec3 H = normalised({L.x + V.x, L.y + V.y, L.z + V.z});
    // Not clamped: a cosine a little over 1 gives acos its NaN, as shipped.
    const float nh = cosine(H, N);
    const float a = static_cast<float>(std::acos(static_cast<double>(nh)));
    const float b = static_cast<float>(a * invEcc);
    const float sq = static_cast<float>(std::pow(static_cast<double>(b), 2.0));
    const float lobe = static_cast<float>(std::exp(-static_cast<double>(sq)));

    if (nl > 0.0f) {
        const float weight = lobe * m.specularRollOff;
        lightTotal.r = m.specularColor.r * weight * lightColor.r + lightTotal.r;
        lightTotal.g = m.specularColor.g * weight * lightColor.g + lightTotal.g;
        lightTotal.b = m.specularColor.b * weight * lightColor.b + lightTotal.b;
    }
}

}  // namespace

SORVANE_EXPORT miBoolean qm7r_sorvane(miColor* result, miState* state, SorvaneParameters* paras) {
    Material m;
    m.color = *mi_eval_color(&paras->color);
    m.ambientColor = *mi_eval_color(&paras->ambientColor);
    m.incandescence = *mi_eval_color(&paras->incandescence);
    m.scatteringColor = *mi_eval_color(&paras->scatteringColor);
    m.oppositionColor = *mi_eval_color(&paras->oppositionColor);
    m.backlightColor = *mi_eval_color(&paras->backlightColor);
    m.specularColor = *mi_eval_color(&paras->specularColor);
    m.eccentricity = *mi_eval_scalar(&paras->eccentricity);
    m.specularRollOff = *mi_eval_scalar(&paras->specularRollOff);
    m.normalCamera = *mi_eval_vector(&paras->normalCamera);
    m.useIrradiance = *mi_eval_boolean(&paras->useIrradiance);
    m.diffuse = *mi_eval_scalar(&paras->diffuse);
    m.scattering = *mi_eval_scalar(&paras->scattering);
    m.anisotropy = *mi_eval_scalar(&paras->anisotropy);
    m.depth = *mi_eval_scalar(&paras->depth);
    m.opposition = *mi_eval_scalar(&paras->opposition);
    m.backlight = *mi_eval_scalar(&paras->backlight);
    m.subsurfaceIntensity = *mi_eval_scalar(&paras->subsurfaceIntensity);
    const miInteger n_lights = *mi_eval_integer(&paras->n_lights);
    const miInteger i_lights = *mi_eval_integer(&paras->i_lights);
    const miTag* const lights = mi_eval_tag(paras->lights);

    miColor irradianceColor = {0.0f, 0.0f, 0.0f, 0.0f};
    bool irradianceOn = false;
    if (m.useIrradiance != miFALSE) {
        irradianceColor = *mi_eval_color(&paras->irradianceColor);
        // A black weight would only waste a gather; its alpha plays no part.
        irradianceOn = !(irradianceColor.r == 0.0f && irradianceColor.g == 0.0f && irradianceColor.b == 0.0f);
    }

    const Vec3 N = normalised({state->normal.x + m.normalCamera.x, state->normal.y + m.normalCamera.y,
                               state->normal.z + m.normalCamera.z});

    // Copied before pri is cleared, so the gather sees the hit primitive.
    miState irradianceState = *state;
    irradianceState.normal = {N.x, N.y, N.z};

    // Light sampling sees no primitive and the unperturbed surface normal.
    const auto savedPri = state->pri;
    state->pri = nullptr;
    // Sampling a light leaves state->dir as it is, so the view is taken once.
    const ViewShared shared = n_lights > 0 ? viewShared(m, state, N) : ViewShared{};
    for (miInteger k = 0; k < n_lights; ++k) {
        const miTag tag = lights[i_lights + k];
        Rgb lightTotal;
        Rgb diffuseRun;
        Rgb translucencyRun;
        miInteger samples = 0;
        const double invEcc = 1.0 / m.eccentricity;
        miColor lightColor;
        miVector direction;
        miScalar dotNl;
        while (mi_sample_light(&lightColor, &direction, &dotNl, state, tag, &samples) != miFALSE) {
            addLightSample(m, shared, N, lightColor, direction, invEcc, diffuseRun, translucencyRun,
                           lightTotal);
        }
        if (samples > 0) {
            const float count = static_cast<float>(samples);
            result->r = lightTotal.r / count + result->r;
            result->g = lightTotal.g / count + result->g;
            result->b = lightTotal.b / count + result->b;
        }
    }
    state->pri = savedPri;

    result->r = m.ambientColor.r * m.color.r + result->r;
    result->g = m.ambientColor.g * m.color.g + result->g;
    result->b = m.ambientColor.b * m.color.b + result->b;
    result->r = m.incandescence.r + result->r;
    result->g = m.incandescence.g + result->g;
    result->b = m.incandescence.b + result->b;
    result->a = 1.0f;

    if (irradianceOn) {
        miColor irradiance = {0.0f, 0.0f, 0.0f, 0.0f};
        mi_compute_irradiance(&irradiance, &irradianceState);
        // The single-precision pi, divided in double as shipped.
        constexpr double kPi = 3.14159274101257324;
        result->r =
            static_cast<float>(static_cast<double>(m.color.r * irradiance.r * irradianceColor.r) / kPi +
                               static_cast<double>(result->r));
        result->g =
            static_cast<float>(static_cast<double>(m.color.g * irradiance.g * irradianceColor.g) / kPi +
                               static_cast<double>(result->g));
        result->b =
            static_cast<float>(static_cast<double>(m.color.b * irradiance.b * irradianceColor.b) / kPi +
                               static_cast<double>(result->b));
        result->a = 1.0f;
    }
    return miTRUE;
}
