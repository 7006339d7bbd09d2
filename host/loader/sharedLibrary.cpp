#include "host/loader/sharedLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <atomic>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "host/errors/hostError.h"
#include "host/loader/libraryFile.h"

namespace sorvane::hostloader {

#ifdef _WIN32

const char* const kSharedLibrarySuffix = ".dll";

namespace {

// The system's text for an error code, with the code, on one line.
std::string systemMessage(DWORD code) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message(text != nullptr ? text : "", length);
    LocalFree(text);
    while (!message.empty() && std::strchr(" .\r\n", message.back()) != nullptr) message.pop_back();
    return (message.empty() ? "unknown error" : message) + " (error " + std::to_string(code) + ")";
}

// Null, with the loader's reason in `why`, when the library cannot be loaded.
// Its imports are looked for beside it first, as Maya and the renderer load
// a library from its own folder (which needs a full path).
void* load(const std::string& path, std::string& why) {
    std::error_code ignored;
    HMODULE library = LoadLibraryExW(std::filesystem::absolute(path, ignored).wstring().c_str(), nullptr,
                                     LOAD_WITH_ALTERED_SEARCH_PATH);
    if (library == nullptr) why = systemMessage(GetLastError());
    return library;
}

std::atomic<SharedLibrary::LookupObserver> lookupObserver{nullptr};
using GetProcAddressFunction = FARPROC(WINAPI*)(HMODULE, LPCSTR);

// Where a library's GetProcAddress import points once the loader bound it.
GetProcAddressFunction systemGetProcAddress() {
    static const auto function = reinterpret_cast<GetProcAddressFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetProcAddress")));
    return function;
}

// What a watched library calls in place of GetProcAddress.
FARPROC WINAPI observedGetProcAddress(HMODULE module, LPCSTR name) {
    const FARPROC address = systemGetProcAddress()(module, name);
    const DWORD error = GetLastError();
    const SharedLibrary::LookupObserver observer = lookupObserver.load();
    if (observer != nullptr && !IS_INTRESOURCE(name)) observer(module, name, address != nullptr);
    SetLastError(error);
    return address;
}

}  // namespace

SharedLibrary::~SharedLibrary() { FreeLibrary(static_cast<HMODULE>(handle_)); }

void* SharedLibrary::symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

// The library's import address table entries for GetProcAddress are pointed
// at observedGetProcAddress.
bool SharedLibrary::observeLookups(LookupObserver observer) const {
    const auto system = reinterpret_cast<ULONG_PTR>(systemGetProcAddress());
    lookupObserver.store(observer);
    auto* base = static_cast<unsigned char*>(handle_);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return true;
    for (auto* descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         descriptor->Name != 0; ++descriptor) {
        for (auto* slot = reinterpret_cast<ULONG_PTR*>(base + descriptor->FirstThunk); *slot != 0; ++slot) {
            if (*slot != system) continue;
            DWORD protection;
            VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
            *slot = reinterpret_cast<ULONG_PTR>(&observedGetProcAddress);
            VirtualProtect(slot, sizeof *slot, protection, &protection);
        }
    }
    return true;
}

std::string executablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return "";
        if (length < path.size()) {
            path.resize(length);
            return std::filesystem::path(path).string();
        }
        path.resize(path.size() * 2);
    }
}

#else

const char* const kSharedLibrarySuffix = ".so";

namespace {

// Null, with the loader's reason in `why`, when the library cannot be loaded.
void* load(const std::string& path, std::string& why) {
    dlerror();
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* text = dlerror();
        why = text != nullptr ? text : "unknown error";
    }
    return library;
}

}  // namespace

SharedLibrary::~SharedLibrary() { dlclose(handle_); }

void* SharedLibrary::symbol(const char* name) const { return dlsym(handle_, name); }

bool SharedLibrary::observeLookups(LookupObserver) const { return false; }

std::string executablePath() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? "" : executable.string();
}

#endif

SharedLibrary::SharedLibrary(const std::string& path, const std::string& what) {
    std::string why = libraryFileProblem(path);
    if (why.empty()) handle_ = load(path, why);
    if (handle_ == nullptr) throw HostError("cannot load " + what + ": " + why);
}

}  // namespace sorvane::hostloader
