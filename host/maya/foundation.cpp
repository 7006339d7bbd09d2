// Foundation: MStatus and MString.
#include <cstdio>
#include <iostream>
#include <string>

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

// The text of a non-empty string, owned by that string alone.
namespace {

std::string* textOf(void* text) { return static_cast<std::string*>(text); }

std::string* copyOf(const void* text) {
    return text ? new std::string(*static_cast<const std::string*>(text)) : nullptr;
}

}  // namespace

MString::MString() = default;

MString::MString(const char* text) { *this = text; }

// A negative length, like a null text, gives the empty string.
MString::MString(const char* text, int length) {
    if (text && length > 0) fText = new std::string(text, static_cast<std::size_t>(length));
}

MString::MString(const MString& other) : fText(copyOf(other.fText)) {}

MString::~MString() { delete textOf(fText); }

MString& MString::operator=(const MString& other) {
    if (this != &other) {
        std::string* copy = copyOf(other.fText);
        delete textOf(fText);
        fText = copy;
    }
    return *this;
}

MString& MString::operator=(const char* text) {
    if (!text || !*text) {
        delete textOf(fText);
        fText = nullptr;
    } else if (fText) {
        textOf(fText)->assign(text);  // safe when text points into this string
    } else {
        fText = new std::string(text);
    }
    return *this;
}

MString& MString::operator+=(const MString& other) {
    if (!other.fText) return *this;
    if (!fText) fText = new std::string;
    textOf(fText)->append(*textOf(other.fText));  // safe for s += s
    return *this;
}

MString& MString::operator+=(const char* text) {
    if (!text || !*text) return *this;
    if (!fText) fText = new std::string;
    textOf(fText)->append(text);
    return *this;
}

MString& MString::operator+=(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return *this += text;
}

MString& MString::operator+=(int value) { return *this += std::to_string(value).c_str(); }

MString& MString::operator+=(unsigned int value) { return *this += std::to_string(value).c_str(); }

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

// Whole texts compare, NULs inside a text included.
bool MString::operator==(const MString& other) const {
    if (!fText || !other.fText) return length() == other.length();
    return *textOf(fText) == *textOf(other.fText);
}
bool MString::operator==(const char* text) const {
    if (!fText) return !text || !*text;
    return *textOf(fText) == (text ? text : "");
}
bool MString::operator!=(const MString& other) const { return !(*this == other); }
bool MString::operator!=(const char* text) const { return !(*this == text); }

const char* MString::asChar() const { return fText ? textOf(fText)->c_str() : ""; }

unsigned int MString::length() const { return fText ? static_cast<unsigned int>(textOf(fText)->size()) : 0u; }

MTypeId::MTypeId(unsigned int id) : fId(id) {}
MTypeId::~MTypeId() = default;

unsigned int MTypeId::id(MStatus* ReturnStatus) const {
    if (ReturnStatus) *ReturnStatus = MStatus::kSuccess;
    return fId;
}
