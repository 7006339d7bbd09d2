#pragma once

#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class OPENMAYA_EXPORT MTypeId {
public:
    MTypeId() = default;
    MTypeId(unsigned int id);
    MTypeId(unsigned int prefix, unsigned int id) : fId((prefix << 8) | (id & 0xff)) {}
    MTypeId(const MTypeId&) = default;
    ~MTypeId();
    MTypeId& operator=(const MTypeId&) = default;

    bool operator==(const MTypeId& other) const { return fId == other.fId; }
    bool operator!=(const MTypeId& other) const { return fId != other.fId; }
    unsigned int id(MStatus* ReturnStatus = NULL) const;

private:
    unsigned int fId = 0;
};

OPENMAYA_MAJOR_NAMESPACE_CLOSE
