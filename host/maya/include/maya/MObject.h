#pragma once

#include <maya/MTypes.h>

class OPENMAYA_EXPORT MObject {
public:
    MObject() = default;
    MObject(const MObject&) = default;
    MObject& operator=(const MObject&) = default;

    bool operator==(const MObject& other) const { return fPtr == other.fPtr && fKind == other.fKind; }
    bool operator!=(const MObject& other) const { return !(*this == other); }
    bool isNull() const { return fPtr == nullptr; }

    static const MObject kNullObj;

private:
    friend struct MHostAccess;
    void* fPtr = nullptr;
    int fKind = 0;
};
