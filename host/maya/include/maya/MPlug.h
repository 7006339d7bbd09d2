#pragma once

#include <maya/MObject.h>
#include <maya/MStatus.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class OPENMAYA_EXPORT MPlug {
public:
    MPlug() = default;
    MPlug(const MPlug&) = default;
    MPlug& operator=(const MPlug&) = default;

    // A plug equals an attribute when it is a plug of that very attribute, so
    // a child's plug differs from its parent attribute.
    bool operator==(const MObject& attribute) const;
    bool operator!=(const MObject& attribute) const { return !(*this == attribute); }
    bool operator==(const MPlug& other) const;
    bool operator!=(const MPlug& other) const { return !(*this == other); }

    MObject attribute(MStatus* ReturnStatus = NULL) const;
    MPlug parent(MStatus* ReturnStatus = NULL) const;
    bool isNull(MStatus* ReturnStatus = NULL) const;
    bool isChild(MStatus* ReturnStatus = NULL) const;
    bool isElement(MStatus* ReturnStatus = NULL) const;
    unsigned int logicalIndex(MStatus* ReturnStatus = NULL) const;
    operator MObject() const { return attribute(); }

private:
    friend struct MHostAccess;
    // 16 bytes, 8-aligned, as in Maya: the node, and the attribute by its
    // index in the node's type, so that a plug costs nothing to copy.
    void* fNode = nullptr;
    unsigned int fAttributeIndex = ~0u;
    int fLogicalIndex = -1;  // -1: not an array element
};

OPENMAYA_MAJOR_NAMESPACE_CLOSE
