#pragma once

#include <maya/MFnAttribute.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class OPENMAYA_EXPORT MFnLightDataAttribute : public MFnAttribute {
public:
    MFnLightDataAttribute() = default;
    MFnLightDataAttribute(MObject& object, MStatus* ReturnStatus = NULL);
    ~MFnLightDataAttribute() override;

    MObject create(const MString& fullName, const MString& briefName, const MObject& direction,
                   const MObject& intensity, const MObject& ambient, const MObject& diffuse,
                   const MObject& specular, const MObject& shadowFraction, const MObject& preShadowIntensity,
                   const MObject& blindData, MStatus* ReturnStatus = NULL);
    MObject child(unsigned int index, MStatus* ReturnStatus);

    MStatus setDefault(float defDirectionX, float defDirectionY, float defDirectionZ, float defIntensityR,
                       float defIntensityG, float defIntensityB, bool defAmbient, bool defDiffuse,
                       bool defSpecular, float defShadowFraction, float defPreShadowIntensity,
                       void* defBlindData);
    MStatus getDefault(float& defDirectionX, float& defDirectionY, float& defDirectionZ, float& defIntensityR,
                       float& defIntensityG, float& defIntensityB, bool& defAmbient, bool& defDiffuse,
                       bool& defSpecular, float& defShadowFraction, float& defPreShadowIntensity,
                       void*& defBlindData);
};

OPENMAYA_MAJOR_NAMESPACE_CLOSE
