#pragma once

#include <maya/MFnAttribute.h>
#include <maya/MFnNumericData.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class OPENMAYA_EXPORT MFnNumericAttribute : public MFnAttribute {
public:
    MFnNumericAttribute();
    MFnNumericAttribute(MObject& object, MStatus* ReturnStatus = NULL);
    ~MFnNumericAttribute() override;

    MObject create(const MString& fullName, const MString& briefName, MFnNumericData::Type unitType,
                   double defaultValue = 0, MStatus* ReturnStatus = NULL);
    MObject create(const MString& fullName, const MString& briefName, const MObject& child1,
                   const MObject& child2, const MObject& child3 = MObject::kNullObj,
                   MStatus* ReturnStatus = NULL);
    MObject createAddr(const MString& fullName, const MString& briefName, void* defaultValue = NULL,
                       MStatus* ReturnStatus = NULL);

    MFnNumericData::Type unitType(MStatus* ReturnStatus = NULL) const;
    MObject child(unsigned int index, MStatus* ReturnStatus = NULL) const;

    bool hasMin(MStatus* ReturnStatus = NULL) const;
    bool hasMax(MStatus* ReturnStatus = NULL) const;
    bool hasSoftMin(MStatus* ReturnStatus = NULL) const;
    bool hasSoftMax(MStatus* ReturnStatus = NULL) const;
    MStatus setMin(double min1);
    MStatus setMax(double max1);
    MStatus setSoftMin(double min1);
    MStatus setSoftMax(double max1);
    MStatus getMin(double& min1) const;
    MStatus getMax(double& max1) const;
    MStatus getSoftMin(double& min1) const;
    MStatus getSoftMax(double& max1) const;

    MStatus setDefault(bool value);
    MStatus setDefault(int value);
    MStatus setDefault(float value);
    MStatus setDefault(float value1, float value2, float value3);
    MStatus setDefault(double value);
    MStatus setDefault(double value1, double value2, double value3);
    MStatus getDefault(bool& value);
    MStatus getDefault(float& value);
    MStatus getDefault(float& value1, float& value2, float& value3);
    MStatus getDefault(double& value);
};

OPENMAYA_MAJOR_NAMESPACE_CLOSE
