#pragma once

#include <maya/MTypes.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

// 16 bytes, 8-aligned, as in Maya. The text lives behind a pointer that the
// host owns; every copy has its own, so strings can be copied on any thread.
class OPENMAYA_EXPORT MString {
public:
    MString();
    MString(const char* text);
    MString(const char* text, int length);
    MString(const MString& other);
    ~MString();
    MString& operator=(const MString& other);
    MString& operator=(const char* text);

    MString& operator+=(const MString& other);
    MString& operator+=(const char* text);
    MString& operator+=(double value);
    MString& operator+=(int value);
    MString& operator+=(unsigned int value);
    MString& operator+=(float value);
    MString operator+(const MString& other) const;
    MString operator+(const char* text) const;

    bool operator==(const MString& other) const;
    bool operator==(const char* text) const;
    bool operator!=(const MString& other) const;
    bool operator!=(const char* text) const;

    const char* asChar() const;
    unsigned int length() const;

private:
    void* fText = nullptr;  // null for the empty string
    [[maybe_unused]] unsigned char fReserved[8] = {};
};

OPENMAYA_MAJOR_NAMESPACE_CLOSE
