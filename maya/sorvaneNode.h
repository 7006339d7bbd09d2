#pragma once

// The sorvane surface shader node ("shader/surface", id 0x82041).
//
// Material attributes (keyable, saved with the scene):
//   color c            0.5 0.5 0.5   surface colour
//   transparency it    0 0 0         darkens all but the highlight
//   ambientColor ambC  0 0 0         ambient light, times color
//   incandescence ic   0 0 0         self-illumination
//   diffuse dfl        0.8  [0, 1]
//   scatteringColor sc 0.5 0.5 0.5   colour of the scattering terms
//   scattering sctr    0.3  [0, 1]   their weight
//   anisotropy ani     0.65 [-1, 1]  phase factor: back (<0) or forward (>0)
//   depth dpth         0.3  [0, 1]   depth of the scattering layer
//   oppositionColor opc 0.6 0.6 0.6  view-dependent opposition effect
//   opposition oppt    0.25 [0, 1]   its falloff strength
//   backlightColor bc  0.4 0.4 0.4   light through the surface's edge
//   backlight bcl      0.3  [0, 1]   its falloff strength
//   eccentricity et    0.2  [0, 1]   highlight size: exponent 6 / eccentricity
//   specularRollOff sro 0.3 [0, 1]   highlight weight
//   specularColor spc  0.5 0.5 0.5
// Outputs: outColor oc, outTransparency ot.
// Filled by the renderer per sample (hidden, not saved): normalCamera n,
// rayDirection rad, pointCamera pc, and lightDataArray ltd, one element per
// light.

#include <maya/MDataBlock.h>
#include <maya/MObject.h>
#include <maya/MPlug.h>
#include <maya/MPxNode.h>
#include <maya/MStatus.h>
#include <maya/MTypeId.h>

// Inside the namespace of the Maya-free evaluation, whose name it shares.
namespace sorvane {

class sorvane : public MPxNode {
public:
    sorvane();
    ~sorvane() override;

    void postConstructor() override;
    MStatus compute(const MPlug& plug, MDataBlock& block) override;

    static void* creator();
    static MStatus initialize();

    static MTypeId id;

    // Material inputs.
    static MObject colorR, colorG, colorB, color;
    static MObject transparencyR, transparencyG, transparencyB, transparency;
    static MObject ambientColorR, ambientColorG, ambientColorB, ambientColor;
    static MObject incandescenceR, incandescenceG, incandescenceB, incandescence;
    static MObject diffuse;
    static MObject scatteringColorR, scatteringColorG, scatteringColorB, scatteringColor;
    static MObject scattering;
    static MObject anisotropy;
    static MObject depth;
    static MObject oppositionColorR, oppositionColorG, oppositionColorB, oppositionColor;
    static MObject opposition;
    static MObject backlightColorR, backlightColorG, backlightColorB, backlightColor;
    static MObject backlight;
    static MObject eccentricity;
    static MObject specularRollOff;
    static MObject specularColorR, specularColorG, specularColorB, specularColor;

    // Outputs.
    static MObject outColorR, outColorG, outColorB, outColor;
    static MObject outTransparencyR, outTransparencyG, outTransparencyB, outTransparency;

    // Renderer-supplied sample inputs, camera space.
    static MObject normalCameraX, normalCameraY, normalCameraZ, normalCamera;
    static MObject rayDirectionX, rayDirectionY, rayDirectionZ, rayDirection;
    static MObject pointCameraX, pointCameraY, pointCameraZ, pointCamera;

    // Light data, one array element per light.
    static MObject lightDirectionX, lightDirectionY, lightDirectionZ, lightDirection;
    static MObject lightIntensityR, lightIntensityG, lightIntensityB, lightIntensity;
    static MObject lightAmbient;
    static MObject lightDiffuse;
    static MObject lightSpecular;
    static MObject lightShadowFraction;
    static MObject preShadowIntensity;
    static MObject lightBlindData;
    static MObject lightDataArray;
};

}  // namespace sorvane
