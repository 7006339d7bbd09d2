#pragma once

#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

class OPENMAYA_EXPORT MFnBase {
public:
    MFnBase() = default;
    virtual ~MFnBase();
    MObject object(MStatus* ReturnStatus = NULL) const;
    MStatus setObject(MObject& object);

protected:
    friend struct MHostAccess;
    MObject fObject;

private:
    MFnBase(const MFnBase&) = delete;
    MFnBase& operator=(const MFnBase&) = delete;
};
