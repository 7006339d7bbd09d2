#pragma once

#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

// 16 bytes, 8-aligned: a host pointer and what it points to.
class OPENMAYA_EXPORT MObject {
public:
    MObject();
    MObject(const MObject&) = default;
    ~MObject();
    MObject& operator=(const MObject& other);

    bool operator==(const MObject& other) const { return fPtr == other.fPtr && fKind == other.fKind; }
    bool operator!=(const MObject& other) const { return !(*this == other); }
    bool isNull() const { return fPtr == nullptr; }

    static const MObject kNullObj;

private:
    friend struct MHostAccess;
    void* fPtr = nullptr;
    int fKind = 0;
};

OPENMAYA_MAJOR_NAMESPACE_CLOSE
