#pragma once

#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class OPENMAYA_EXPORT MDGContext {
public:
    MDGContext() = default;
    bool isNormal() const { return true; }
    static MDGContext fsNormal;
};

OPENMAYA_MAJOR_NAMESPACE_CLOSE
