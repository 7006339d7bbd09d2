#pragma once

#include <maya/MDataHandle.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class OPENMAYA_EXPORT MArrayDataHandle {
public:
    MArrayDataHandle(const MDataHandle& handle);
    MArrayDataHandle(const MArrayDataHandle&) = default;
    MArrayDataHandle& operator=(const MArrayDataHandle&) = default;

    MDataHandle inputValue(MStatus* ReturnStatus = NULL);
    MDataHandle outputValue(MStatus* ReturnStatus = NULL);
    // Starts on the first element; fails once it moves past the last.
    MStatus next();
    unsigned int elementCount(MStatus* ReturnStatus = NULL);
    unsigned int elementIndex(MStatus* ReturnStatus = NULL);
    MStatus jumpToElement(unsigned int index);
    MStatus jumpToArrayElement(unsigned int position);
    MStatus setClean();
    MStatus setAllClean();

private:
    friend struct MHostAccess;
    MArrayDataHandle() = default;
    // 41 bytes, 1-aligned, as in Maya: the host keeps its block, attribute and
    // array pointers and the current position in here.
    unsigned char fData[41] = {};
};

OPENMAYA_MAJOR_NAMESPACE_CLOSE
