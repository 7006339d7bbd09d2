#pragma once

// Where the hosts meet the system's loader: dlopen and dlsym, or LoadLibrary
// and GetProcAddress on Windows.

#include <string>

namespace sorvane::hostloader {

// The file name ending of a shared library here: ".so", or ".dll" on Windows.
extern const char* const kSharedLibrarySuffix;

// A shared library loaded for as long as the object lives. Its symbols stay
// its own (never found through another library's lookups) and are resolved at
// load, so that a missing one shows then and not mid-render.
class SharedLibrary {
public:
    // The file's headers are checked first (see libraryFile.h): the loader
    // would map a truncated file as its headers say and die of SIGBUS on the
    // first touch of a page past its end. HostError
    // "cannot load <what>: <why>", `why` being the check's or the loader's.
    SharedLibrary(const std::string& path, const std::string& what);
    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

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

// The running program's file, or "" when the system does not say.
std::string executablePath();

}  // namespace sorvane::hostloader
