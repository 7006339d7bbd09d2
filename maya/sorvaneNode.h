#pragma once

// The sorvane surface shader node ("shader/surface", id 0x82041).
//
// Material attributes (keyable, saved with the scene):
//   color c             0.5 0.5 0.5   surface colour
//   transparency it     0 0 0         darkens all but the highlight
//   ambientColor ambC   0 0 0         ambient light, times color
//   incandescence ic    0 0 0         self-illumination
//   diffuse dfl         0.8 [0, 1]    diffuse weight
//   scatteringColor sc  0.5 0.5 0.5   colour of the scattering terms
//   scattering sctr     0.3 [0, 1]    their weight
//   anisotropy ani      0.65 [-1, 1]  phase factor: back (<0) or forward (>0)
//   depth dpth          0.3 [0, 1]    depth of the scattering layer
//   oppositionColor opc 0.6 0.6 0.6   view-dependent opposition effect
//   opposition oppt     0.25 [0, 1]   its falloff strength
//   backlightColor bc   0.4 0.4 0.4   light through the surface's edge
//   backlight bcl       0.3 [0, 1]    its falloff strength
//   eccentricity et     0.2 [0, 1]    highlight size: exponent 6 / eccentricity
//   specularRollOff sro 0.3 [0, 1]    highlight weight
//   specularColor spc   0.5 0.5 0.5   highlight colour
// Outputs (read-only):
//   outColor oc                       the shaded colour
//   outTransparency ot                a copy of transparency
// Filled by the renderer per sample (hidden, not saved):
//   normalCamera n                    shading normal; a bump node connects here
//   rayDirection rad                  camera towards the shaded point
//   pointCamera pc                    the shaded point
//   lightDataArray ltd                one element per light
// The rows are nodeAttributes.h; a test holds this comment to them
// (SORVANE_UPDATE_REFERENCES=1 rewrites it).

#include <maya/MDataBlock.h>
#include <maya/MObject.h>
#include <maya/MPlug.h>
#include <maya/MPxNode.h>
#include <maya/MStatus.h>
#include <maya/MTypeId.h>

#include "nodeAttributes.h"

// Inside the namespace of the Maya-free evaluation, whose name it shares.
namespace sorvane::mayaplugin {

class SorvaneNode : public MPxNode {
public:
    SorvaneNode();
    ~SorvaneNode() override;

    void postConstructor() override;
    MStatus compute(const MPlug& plug, MDataBlock& block) override;

    static void* creator();
    static MStatus initialize();

    static MTypeId id;

    // One handle per row of nodeAttributes.h and per channel of a compound,
    // named after the attribute (colorR, colorG, colorB, color, ...).
#define SORVANE_NODE_COLOR(name, ...) static MObject name##R, name##G, name##B, name;
#define SORVANE_NODE_SCALAR(name, ...) static MObject name;
#define SORVANE_NODE_VECTOR(name, ...) static MObject name##X, name##Y, name##Z, name;
    SORVANE_NODE_ATTRIBUTES
#undef SORVANE_NODE_COLOR
#undef SORVANE_NODE_SCALAR
#undef SORVANE_NODE_VECTOR

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

}  // namespace sorvane::mayaplugin
