#include "dynamicLibrary.h"

#ifdef _WIN32
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <system_error>
#else
#include <dlfcn.h>
#endif

namespace sorvane::mayahost {

#ifdef _WIN32

void* openLibrary(const std::string& path, std::string& why) {
    // Its own imports are looked for beside it first, as Maya loads a plug-in
    // (which needs a full path).
    std::error_code ignored;
    HMODULE library = LoadLibraryExW(std::filesystem::absolute(path, ignored).wstring().c_str(), nullptr,
                                     LOAD_WITH_ALTERED_SEARCH_PATH);
    if (library == nullptr) {
        const DWORD code = GetLastError();
        char* text = nullptr;
        const DWORD length = FormatMessageA(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
            nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
        why.assign(text != nullptr ? text : "", length);
        LocalFree(text);
        while (!why.empty() && std::strchr(" .\r\n", why.back()) != nullptr) why.pop_back();
        why = (why.empty() ? "unknown error" : why) + " (error " + std::to_string(code) + ")";
    }
    return library;
}

void* librarySymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void closeLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

#else

void* openLibrary(const std::string& path, std::string& why) {
    dlerror();
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* text = dlerror();
        why = text != nullptr ? text : "unknown error";
    }
    return library;
}

void* librarySymbol(void* library, const char* name) { return ::dlsym(library, name); }

void closeLibrary(void* library) { ::dlclose(library); }

#endif

}  // namespace sorvane::mayahost
