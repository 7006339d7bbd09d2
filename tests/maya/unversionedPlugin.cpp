// Everything a plug-in has but MApiVersion: it uses the API, so OpenMaya is
// among its dependencies.
#define MNoVersionString
#include <maya/MFnPlugin.h>

extern "C" PLUGIN_EXPORT MStatus initializePlugin(MObject obj) {
    MFnPlugin plugin(obj, "Sorvane", "1.0", "Any");
    return MStatus::kSuccess;
}

extern "C" PLUGIN_EXPORT MStatus uninitializePlugin(MObject obj) {
    MFnPlugin plugin(obj);
    return MStatus::kSuccess;
}
