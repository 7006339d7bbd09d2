#pragma once

#include <string>

#include <maya/MTypes.h>

class OPENMAYA_EXPORT MString {
public:
    MString() = default;
    MString(const char* text);
    MString(const char* text, int length);
    MString(const MString&) = default;
    MString& operator=(const MString&) = default;
    MString& operator=(const char* text);

    MString& operator+=(const MString& other);
    MString& operator+=(const char* text);
    MString& operator+=(double value);
    MString& operator+=(int value);
    MString& operator+=(unsigned int value);
    MString& operator+=(float value);
    MString operator+(const MString& other) const;
    MString operator+(const char* text) const;

    bool operator==(const MString& other) const { return fText == other.fText; }
    bool operator==(const char* text) const;
    bool operator!=(const MString& other) const { return !(*this == other); }
    bool operator!=(const char* text) const { return !(*this == text); }

    const char* asChar() const { return fText.c_str(); }
    unsigned int length() const { return static_cast<unsigned int>(fText.size()); }

private:
    std::string fText;
};
