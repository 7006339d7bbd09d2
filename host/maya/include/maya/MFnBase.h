#pragma once

#include <maya/MObject.h>
#include <maya/MStatus.h>
#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

// Every function set is this virtual table pointer and the object it is
// attached to; derived sets add reserved bytes up to Maya's sizes, so that the
// host's constructors alone (never an inline one) decide the state.
class OPENMAYA_EXPORT MFnBase {
public:
    MFnBase();
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

OPENMAYA_MAJOR_NAMESPACE_CLOSE
