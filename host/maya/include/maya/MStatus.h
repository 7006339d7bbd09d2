#pragma once

#include <iostream>

#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

// 3 bytes: code, internal code, success flag, in Maya's order, since the
// inline members of a plug-in built elsewhere read them there.
class OPENMAYA_EXPORT MStatus {
public:
    enum MStatusCode {
        kSuccess = 0,
        kFailure,
        kInsufficientMemory,
        kInvalidParameter,
        kLicenseFailure,
        kUnknownParameter,
        kNotImplemented,
        kNotFound,
        kEndOfFile
    };

    MStatus() = default;
    MStatus(MStatusCode code);
    // Written out, as Maya's is: a copy constructor of its own makes MStatus
    // travel through memory rather than registers, in returns too, and the
    // host's functions must return it the way a plug-in built against Maya's
    // header expects.
    MStatus(const MStatus& other)
        : fStatusCode(other.fStatusCode),
          fInternalStatusCode(other.fInternalStatusCode),
          fStatus(other.fStatus) {}
    MStatus& operator=(const MStatus&) = default;

    bool operator==(const MStatus& other) const { return fStatusCode == other.fStatusCode; }
    bool operator==(MStatusCode code) const { return fStatusCode == code; }
    bool operator!=(const MStatus& other) const { return fStatusCode != other.fStatusCode; }
    bool operator!=(MStatusCode code) const { return fStatusCode != code; }

    bool error() const { return fStatusCode != kSuccess; }
    operator bool() const { return !error(); }
    MStatusCode statusCode() const { return static_cast<MStatusCode>(fStatusCode); }
    MString errorString() const;
    void clear();

    void perror(const char* text) const;
    void perror(const MString& text) const;

    void set(bool status, unsigned char code, unsigned char internalCode);
    void setSuccess();

    friend bool operator==(MStatusCode code, const MStatus& status) { return status == code; }
    friend bool operator!=(MStatusCode code, const MStatus& status) { return status != code; }

private:
    unsigned char fStatusCode = kSuccess;
    unsigned char fInternalStatusCode = 0xff;
    bool fStatus = true;
};

OPENMAYA_MAJOR_NAMESPACE_CLOSE

#ifndef MNoMSTypedef
typedef MStatus MS;
#endif

#define MFAIL(_status) (MStatus::kSuccess != (_status))

#define CHECK_MSTATUS(_status)                                                                           \
    {                                                                                                    \
        MStatus _maya_status = (_status);                                                                \
        if (MStatus::kSuccess != _maya_status) {                                                         \
            std::cerr << "\nAPI error detected in " << __FILE__ << " at line " << __LINE__ << std::endl; \
            _maya_status.perror("");                                                                     \
        }                                                                                                \
    }

#define CHECK_MSTATUS_AND_RETURN(_status, _retVal)                                                       \
    {                                                                                                    \
        MStatus _maya_status = (_status);                                                                \
        if (MStatus::kSuccess != _maya_status) {                                                         \
            std::cerr << "\nAPI error detected in " << __FILE__ << " at line " << __LINE__ << std::endl; \
            _maya_status.perror("");                                                                     \
            return (_retVal);                                                                            \
        }                                                                                                \
    }

#define CHECK_MSTATUS_AND_RETURN_IT(_status) CHECK_MSTATUS_AND_RETURN((_status), (_status))
