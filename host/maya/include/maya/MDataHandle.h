#pragma once

#include <maya/MFloatVector.h>
#include <maya/MObject.h>
#include <maya/MStatus.h>

typedef float float3[3];

OPENMAYA_MAJOR_NAMESPACE_OPEN

// A handle onto one value of an evaluation's data block; the accessors return
// references into the block. 32 bytes, 1-aligned.
class OPENMAYA_EXPORT MDataHandle {
public:
    MDataHandle() = default;
    MDataHandle(const MDataHandle&) = default;
    MDataHandle& operator=(const MDataHandle&) = default;

    bool& asBool() const;
    float& asFloat() const;
    void*& asAddr() const;
    MFloatVector& asFloatVector() const;
    float3& asFloat3() const;

    void set(bool value);
    void set(float value);
    void set(const MFloatVector& value);
    void set3Float(float x, float y, float z);

    MDataHandle child(const MObject& attribute);
    MDataHandle child(const MPlug& plug);
    void setClean();
    MObject attribute();

private:
    friend struct MHostAccess;
    // Byte-aligned, as in Maya, so that copies are byte copies: the host keeps
    // its block, attribute, value and scope pointers in here.
    unsigned char fData[32] = {};
};

OPENMAYA_MAJOR_NAMESPACE_CLOSE
