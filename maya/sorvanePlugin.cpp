// The plug-in's entry points: register the node type, and refresh the
// Create Render Node window so the type shows up in it, or drops out.
#include <maya/MFnPlugin.h>
#include <maya/MGlobal.h>
#include <maya/MObject.h>
#include <maya/MString.h>

#include "sorvaneNode.h"

namespace {

const char* const kVendor = "Sorvane";
const char* const kRefreshPrefix =
    "if( `window -exists createRenderNodeWindow` )  {refreshCreateRenderNodeWindow(\"";
const char* const kRefreshSuffix = "\");}\n";

}  // namespace

// C++ linkage, as Maya's devkit examples define them and as newer devkits'
// MFnPlugin.h declares them; the build exports the plain names beside the
// C++ ones.
PLUGIN_EXPORT MStatus initializePlugin(MObject obj) {
    const MString classification("shader/surface");
    MString command(kRefreshPrefix);
    MFnPlugin plugin(obj, kVendor, "1.0", "Any");
    const MString typeName("sorvane");
    plugin.registerNode(typeName, sorvane::mayaplugin::SorvaneNode::id,
                        sorvane::mayaplugin::SorvaneNode::creator,
                        sorvane::mayaplugin::SorvaneNode::initialize, MPxNode::kDependNode, &classification);
    command += classification;
    command += kRefreshSuffix;
    MGlobal::executeCommand(command, false, false);
    return MS::kSuccess;
}

PLUGIN_EXPORT MStatus uninitializePlugin(MObject obj) {
    const MString classification("shader/surface");
    MString command(kRefreshPrefix);
    MFnPlugin plugin(obj, "Unknown", "Unknown", "Any");
    plugin.deregisterNode(sorvane::mayaplugin::SorvaneNode::id);
    command += classification;
    command += kRefreshSuffix;
    MGlobal::executeCommand(command, false, false);
    return MS::kSuccess;
}
