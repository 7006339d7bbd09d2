// A plug-in that registers nothing, with its entry points extern "C" as
// plug-ins once were built: under their plain names only. Built twice: with
// MApiVersion, and without it (SORVANE_UNVERSIONED), for the loader's refusal;
// it uses the API either way, so OpenMaya is among its dependencies.
#ifdef SORVANE_UNVERSIONED
#define MNoVersionString
#endif
#include <maya/MFnPlugin.h>

extern "C" PLUGIN_EXPORT MStatus initializePlugin(MObject obj) {
    MFnPlugin plugin(obj, "Sorvane", "1.0", "Any");
    return MStatus::kSuccess;
}

extern "C" PLUGIN_EXPORT MStatus uninitializePlugin(MObject obj) {
    MFnPlugin plugin(obj);
    return MStatus::kSuccess;
}
