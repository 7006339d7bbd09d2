#pragma once

// Where the host meets the system's loader: dlopen and dlsym, or LoadLibrary
// and GetProcAddress on Windows, and the library file formats (ELF, PE).

#include <string>
#include <vector>

namespace sorvane::mrhost {

// The file name ending of a shared library here: ".so", or ".dll" on Windows.
extern const char* const kSharedLibrarySuffix;

// A shared library loaded for as long as the object lives. Its symbols stay
// its own (never found through another library's lookups) and are resolved at
// load, so that a missing one shows then and not mid-render.
class DynamicLibrary {
public:
    // HostError "cannot load <description>: <the loader's reason>".
    DynamicLibrary(const std::string& path, const std::string& description);
    ~DynamicLibrary();
    DynamicLibrary(const DynamicLibrary&) = delete;
    DynamicLibrary& operator=(const DynamicLibrary&) = delete;

    // What the library's own lookups are given: a dlopen handle, an HMODULE.
    void* handle() const { return handle_; }
    // The exported function or variable, or null.
    void* symbol(const char* name) const;

    // Calls `observer` after each lookup by name that this library makes with
    // GetProcAddress, with the module, the name and whether it was found;
    // the library still sees the lookup's own result and last error. Returns
    // false where lookups cannot be watched from outside (ELF; there the
    // renderer modules count their own, through GNU indirect functions).
    using LookupObserver = void (*)(void* module, const char* name, bool found);
    bool observeLookups(LookupObserver observer) const;

private:
    void* handle_ = nullptr;
};

// The defined, exported symbols of a shared library file, sorted; HostError
// when it is not a shared library of this process's kind and size.
std::vector<std::string> exportedSymbols(const std::string& path);

// The running program's file, or "" when the system does not say.
std::string executablePath();

}  // namespace sorvane::mrhost
