#pragma once

#include <maya/MTypes.h>

// Included by exactly one file of a plug-in (through MFnPlugin.h); the others
// define MNoVersionString first.
#ifndef MNoVersionString
#define MAYA_API_VERSION_STRING_(x) #x
#define MAYA_API_VERSION_STRING(x) MAYA_API_VERSION_STRING_(x)
extern "C" {
PLUGIN_EXPORT char MApiVersion[] = MAYA_API_VERSION_STRING(MAYA_API_VERSION);
}
#endif
