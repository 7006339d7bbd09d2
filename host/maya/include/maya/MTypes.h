#pragma once

#define MAYA_API_VERSION 200900

#ifndef PLUGIN_EXPORT
#ifdef _WIN32
#define PLUGIN_EXPORT _declspec(dllexport)
#else
#define PLUGIN_EXPORT __attribute__((visibility("default")))
#endif
#endif

#ifndef OPENMAYA_EXPORT
#ifdef _WIN32
#define OPENMAYA_EXPORT _declspec(dllimport)
#else
#define OPENMAYA_EXPORT __attribute__((visibility("default")))
#endif
#endif

#ifndef NULL
#define NULL 0
#endif

class MStatus;
class MString;
class MObject;
class MPlug;
class MTypeId;
class MDataBlock;
class MDataHandle;
class MArrayDataHandle;
class MFloatVector;
class MPlugArray;
class MDGContext;
class MPxNode;

// The host's back door into the API objects; only the host defines it.
struct MHostAccess;

typedef void* (*MCreatorFunction)();
typedef MStatus (*MInitializeFunction)();
