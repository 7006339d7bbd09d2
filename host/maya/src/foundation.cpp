// Foundation: MStatus and MString.
#include <cstdio>
#include <iostream>

#include <maya/MStatus.h>
#include <maya/MString.h>
#include <maya/MTypeId.h>

MStatus::MStatus(MStatusCode code)
    : fStatusCode(static_cast<unsigned char>(code)), fStatus(code == kSuccess) {}

MString MStatus::errorString() const {
    switch (fStatusCode) {
        case kSuccess:
            return "(kSuccess): no error";
        case kFailure:
            return "(kFailure): the operation failed";
        case kInsufficientMemory:
            return "(kInsufficientMemory): out of memory";
        case kInvalidParameter:
            return "(kInvalidParameter): an argument was not valid";
        case kLicenseFailure:
            return "(kLicenseFailure): no licence";
        case kUnknownParameter:
            return "(kUnknownParameter): the plug is not handled";
        case kNotImplemented:
            return "(kNotImplemented): not implemented";
        case kNotFound:
            return "(kNotFound): not found";
        case kEndOfFile:
            return "(kEndOfFile): end of file";
        default:
            return "(unknown status)";
    }
}

void MStatus::clear() { *this = MStatus(); }

void MStatus::perror(const char* text) const {
    if (text && *text) {
        std::cerr << text << ": ";
    }
    std::cerr << errorString().asChar() << std::endl;
}

void MStatus::perror(const MString& text) const { perror(text.asChar()); }

void MStatus::set(bool status, unsigned char code, unsigned char internalCode) {
    fStatus = status;
    fStatusCode = code;
    fInternalStatusCode = internalCode;
}

void MStatus::setSuccess() { *this = MStatus(); }

MString::MString(const char* text) : fText(text ? text : "") {}
MString::MString(const char* text, int length)
    : fText(text ? std::string(text, static_cast<std::size_t>(length)) : std::string()) {}

MString& MString::operator=(const char* text) {
    fText = text ? text : "";
    return *this;
}

MString& MString::operator+=(const MString& other) {
    fText += other.fText;
    return *this;
}

MString& MString::operator+=(const char* text) {
    if (text) fText += text;
    return *this;
}

MString& MString::operator+=(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    fText += text;
    return *this;
}

MString& MString::operator+=(int value) {
    fText += std::to_string(value);
    return *this;
}

MString& MString::operator+=(unsigned int value) {
    fText += std::to_string(value);
    return *this;
}

MString& MString::operator+=(float value) { return *this += static_cast<double>(value); }

MString MString::operator+(const MString& other) const {
    MString result(*this);
    result += other;
    return result;
}

MString MString::operator+(const char* text) const {
    MString result(*this);
    result += text;
    return result;
}

bool MString::operator==(const char* text) const { return fText == (text ? text : ""); }

unsigned int MTypeId::id(MStatus* ReturnStatus) const {
    if (ReturnStatus) *ReturnStatus = MStatus::kSuccess;
    return fId;
}
