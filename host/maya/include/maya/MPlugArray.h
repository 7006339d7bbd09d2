#pragma once

#include <vector>

#include <maya/MPlug.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class OPENMAYA_EXPORT MPlugArray {
public:
    MPlugArray() = default;
    unsigned int length() const { return static_cast<unsigned int>(fPlugs.size()); }
    MStatus append(const MPlug& plug);
    MStatus clear();
    MPlug operator[](unsigned int index) const { return fPlugs[index]; }

private:
    std::vector<MPlug> fPlugs;
};

OPENMAYA_MAJOR_NAMESPACE_CLOSE
