#pragma once

// The sorvane node's shading model without Maya: one shading sample's inputs
// and its lights in, the colour for outColor out.
//
// compute() feeds the lights one at a time, straight from Maya's light array:
//
//     OutColorEvaluation evaluation(sample);
//     for (each element) evaluation.addLight(element);
//     outColor = evaluation.finish();
//
// Nothing is allocated and nothing outlives the evaluation.

#include <cmath>
#include <cstddef>
#include <ostream>

#include "maya/lightBatchMath.h"
#include "model/scattering.h"
#include "model/vector.h"

namespace sorvane::mayaplugin {

using model::Vec3;

struct Color {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

bool operator==(const Color& a, const Color& b);
inline bool operator!=(const Color& a, const Color& b) { return !(a == b); }
std::ostream& operator<<(std::ostream& os, const Color& c);

// One shading sample's attribute values, named after the node's attributes.
struct ShadingInputs {
    Vec3 rayDirection;  // camera towards the shaded point
    Vec3 normalCamera;
    Color color;
    Color ambientColor;
    Color incandescence;
    Color scatteringColor;
    Color oppositionColor;
    Color backlightColor;
    Color specularColor;
    Color transparency;
    float diffuse = 0.0f;
    float scattering = 0.0f;
    float anisotropy = 0.0f;
    float depth = 0.0f;
    float opposition = 0.0f;
    float backlight = 0.0f;
    float eccentricity = 0.0f;
    float specularRollOff = 0.0f;
};

// One element of lightDataArray, as the renderer fills it.
struct LightDataElement {
    Color lightIntensity;
    Vec3 lightDirection;  // towards the light
    float preShadowIntensity = 0.0f;
    bool lightAmbient = false;
    bool lightDiffuse = false;
    bool lightSpecular = false;
};

std::ostream& operator<<(std::ostream& os, const ShadingInputs& s);
std::ostream& operator<<(std::ostream& os, const LightDataElement& l);

// Maya's rule: a vector of squared length <= 1e-20 is left unchanged, so a
// zero vector stays zero instead of becoming NaN. The mental ray shader's
// unitUnlessZeroLength() and the preview scene's unitVector() have rules of their own.
inline Vec3 unitUnlessTiny(Vec3 v) {
    const float lengthSquared = v.x * v.x + v.y * v.y + v.z * v.z;
    if (lengthSquared <= 1e-20f) {
        return v;
    }
    const float inverse = 1.0f / std::sqrt(lengthSquared);
    return {v.x * inverse, v.y * inverse, v.z * inverse};
}

class OutColorEvaluation {
public:
    // Keeps a reference to the sample; its transparency is read by finish(),
    // so compute may fill it after the lights. With vector math the lights
    // are held in a fixed batch and evaluated kLightBatch at a time, the sums
    // still added in light order; null math is the scalar path, light by light.
    explicit OutColorEvaluation(const ShadingInputs& sample);
    OutColorEvaluation(const ShadingInputs& sample, const LightBatchMath* math);

    void addLight(const LightDataElement& light);
    Color finish();

private:
    // What the math calls give one light.
    struct LightTerms {
        float reflection;
        float transmission;
        float backlightFalloff;
        float specularPower;
    };
    void addScalarLight(const LightDataElement& light);
    void accumulate(const LightDataElement& light, Vec3 L, const LightTerms& terms);
    void evaluateBatch();

    const ShadingInputs& sample_;
    const LightBatchMath* math_;
    SampleConstants terms_;
    EffectSums sums_;
    // Left uninitialised: a sample with few lights should not clear the batch.
    LightBatch batch_;
    int batched_ = 0;
};

Color evaluateOutColor(const ShadingInputs& sample, const LightDataElement* lights, std::size_t count);
// The same with the given math: null for the scalar path.
Color evaluateOutColor(const ShadingInputs& sample, const LightDataElement* lights, std::size_t count,
                       const LightBatchMath* math);

}  // namespace sorvane::mayaplugin
