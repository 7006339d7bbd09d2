#pragma once

#include <maya/MApiVersion.h>
#include <maya/MFnBase.h>
#include <maya/MPxNode.h>
#include <maya/MString.h>
#include <maya/MTypeId.h>

OPENMAYA_MAJOR_NAMESPACE_OPEN

class OPENMAYA_EXPORT MFnPlugin : public MFnBase {
public:
    MFnPlugin() = default;
    MFnPlugin(MObject& object, const char* vendor = "Unknown", const char* version = "Unknown",
              const char* requiredApiVersion = "Any", MStatus* ReturnStatus = 0L);
    ~MFnPlugin() override;

    MStatus registerNode(const MString& typeName, const MTypeId& typeId, MCreatorFunction creatorFunction,
                         MInitializeFunction initFunction, MPxNode::Type type = MPxNode::kDependNode,
                         const MString* classification = NULL);
    MStatus deregisterNode(const MTypeId& typeId);

    MString vendor(MStatus* ReturnStatus = NULL) const;
    MString version(MStatus* ReturnStatus = NULL) const;
    MString apiVersion(MStatus* ReturnStatus = NULL) const;

private:
    MFnPlugin(const MObject& object, const char* vendor = "Unknown", const char* version = "Unknown",
              const char* requiredApiVersion = "Any", MStatus* ReturnStatus = 0L);
    MFnPlugin& operator=(const MFnPlugin&) = delete;
    unsigned char fReserved[8];
};

OPENMAYA_MAJOR_NAMESPACE_CLOSE

// A Windows plug-in (NT_PLUGIN) gets its DLL entry point from the one file
// that includes this header: it keeps the instance handle and reports
// success, doing no work of its own. MNoPluginEntry leaves it to the plug-in.
#if defined(NT_PLUGIN) && !defined(MNoPluginEntry)
#include <windows.h>
HINSTANCE MhInstPlugin;
extern "C" int __stdcall DllMain(HINSTANCE hInstance, DWORD, void*) {
    MhInstPlugin = hInstance;
    return 1;
}
#endif
