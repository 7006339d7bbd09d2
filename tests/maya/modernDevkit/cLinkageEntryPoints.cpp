// Entry points defined extern "C", as this plug-in once had them: a devkit
// whose MFnPlugin.h declares them with C++ linkage must refuse this.
#include <maya/MFnPlugin.h>

extern "C" PLUGIN_EXPORT MStatus initializePlugin(MObject) { return MS::kSuccess; }
