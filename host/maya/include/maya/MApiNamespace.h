#pragma once

// From API 20180000 on, Maya declares its classes in a namespace named after
// the release (Autodesk::Maya::OpenMaya20180000), opened and closed by these
// macros, and brings each class into the global namespace with a
// using-declaration, so plug-in code names them unqualified while the
// libraries' symbols carry the release. The API this host stands for predates
// it: the macros open nothing, and a devkit of the newer shape brings its own
// MApiNamespace.h.
#define OPENMAYA_MAJOR_NAMESPACE_OPEN
#define OPENMAYA_MAJOR_NAMESPACE_CLOSE
