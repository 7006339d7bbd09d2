#pragma once

// Where the Maya host meets the system's loader: dlopen and dlsym, or
// LoadLibrary and GetProcAddress on Windows.

#include <string>

namespace sorvane::mayahost {

// The library at `path`, its symbols its own and resolved at load; null, with
// the loader's reason in `why`, when it cannot be loaded.
void* openLibrary(const std::string& path, std::string& why);
// The exported function or variable, or null.
void* librarySymbol(void* library, const char* name);
void closeLibrary(void* library);

}  // namespace sorvane::mayahost
