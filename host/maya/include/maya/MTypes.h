#pragma once

// A devkit of another release that wraps this header sets its own.
#ifndef MAYA_API_VERSION
#define MAYA_API_VERSION 200900
#endif

// On Windows the API lives in OpenMaya.dll and Foundation.dll: their own
// build (SORVANE_MAYA_API_BUILD) exports it, plug-ins import it. A plug-in
// exports its entry points either way.
#ifndef PLUGIN_EXPORT
#ifdef _WIN32
#define PLUGIN_EXPORT __declspec(dllexport)
#else
#define PLUGIN_EXPORT __attribute__((visibility("default")))
#endif
#endif

#ifndef OPENMAYA_EXPORT
#if defined(_WIN32) && defined(SORVANE_MAYA_API_BUILD)
#define OPENMAYA_EXPORT __declspec(dllexport)
#elif defined(_WIN32)
#define OPENMAYA_EXPORT __declspec(dllimport)
#else
#define OPENMAYA_EXPORT __attribute__((visibility("default")))
#endif
#endif

#ifndef NULL
#define NULL 0
#endif

#include <maya/MApiNamespace.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

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

OPENMAYA_MAJOR_NAMESPACE_CLOSE

typedef void* (*MCreatorFunction)();
typedef MStatus (*MInitializeFunction)();
