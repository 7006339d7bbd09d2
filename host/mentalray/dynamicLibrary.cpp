#include "host/mentalray/dynamicLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "host/errors/fileKind.h"
#include "host/errors/hostError.h"

namespace sorvane::mrhost {

namespace {

std::vector<char> readFile(const std::string& path) {
    if (const std::string why = notARegularFile(path); !why.empty()) {
        throw HostError("cannot open the shader library " + path + ": " + why);
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw HostError("cannot open the shader library " + path +
                        (errno ? ": " + std::string(std::strerror(errno)) : ""));
    }
    return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

template <class T>
const T* at(const std::vector<char>& file, std::size_t offset, std::size_t count, const std::string& path) {
    if (offset > file.size() || count > (file.size() - offset) / sizeof(T)) {
        throw HostError(path + ": truncated or damaged shared library");
    }
    return reinterpret_cast<const T*>(file.data() + offset);
}

std::string sizeMismatch(bool library64) {
    return std::string("built for ") + (library64 ? "64" : "32") + "-bit, but this host is " +
           (sizeof(void*) == 8 ? "64" : "32") + "-bit";
}

}  // namespace

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

// Little-endian fields of a PE file, read where they lie.
std::uint32_t u32(const std::vector<char>& file, std::size_t offset, const std::string& path) {
    std::uint32_t value;
    std::memcpy(&value, at<char>(file, offset, sizeof value, path), sizeof value);
    return value;
}

std::uint16_t u16(const std::vector<char>& file, std::size_t offset, const std::string& path) {
    std::uint16_t value;
    std::memcpy(&value, at<char>(file, offset, sizeof value, path), sizeof value);
    return value;
}

std::atomic<DynamicLibrary::LookupObserver> lookupObserver{nullptr};
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
    const DynamicLibrary::LookupObserver observer = lookupObserver.load();
    if (observer != nullptr && !IS_INTRESOURCE(name)) observer(module, name, address != nullptr);
    SetLastError(error);
    return address;
}

}  // namespace

DynamicLibrary::DynamicLibrary(const std::string& path, const std::string& description) {
    // Its imports are looked for beside it first, as the renderer loads a
    // library from its own folder (which needs a full path).
    std::error_code ignored;
    handle_ = LoadLibraryExW(std::filesystem::absolute(path, ignored).wstring().c_str(), nullptr,
                             LOAD_WITH_ALTERED_SEARCH_PATH);
    if (handle_ == nullptr)
        throw HostError("cannot load " + description + ": " + systemMessage(GetLastError()));
}

DynamicLibrary::~DynamicLibrary() { FreeLibrary(static_cast<HMODULE>(handle_)); }

void* DynamicLibrary::symbol(const char* name) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

// The library's import address table entries for GetProcAddress are pointed
// at observedGetProcAddress.
bool DynamicLibrary::observeLookups(LookupObserver observer) const {
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

std::vector<std::string> exportedSymbols(const std::string& path) {
    const std::vector<char> file = readFile(path);
    if (file.size() < 2 || file[0] != 'M' || file[1] != 'Z') throw HostError(path + ": not a PE file");
    const std::size_t pe = u32(file, 0x3c, path);
    if (std::memcmp(at<char>(file, pe, 4, path), "PE\0\0", 4) != 0) throw HostError(path + ": not a PE file");
    const std::uint16_t machine = u16(file, pe + 4, path);
    const std::size_t sectionCount = u16(file, pe + 6, path);
    const std::size_t optionalSize = u16(file, pe + 20, path);
    const std::uint16_t characteristics = u16(file, pe + 22, path);
    const bool library64 = machine == IMAGE_FILE_MACHINE_AMD64;
    if (library64 != (sizeof(void*) == 8)) throw HostError(path + ": " + sizeMismatch(library64));
    if ((characteristics & IMAGE_FILE_DLL) == 0) throw HostError(path + ": not a shared library");
    const std::size_t optional = pe + 24;
    const std::size_t directories = optional + (library64 ? 112 : 96);
    const std::size_t directoryCount = u32(file, optional + (library64 ? 108 : 92), path);
    const std::uint32_t exportRva = directoryCount > 0 ? u32(file, directories, path) : 0;
    std::vector<std::string> names;
    if (exportRva == 0) return names;

    const std::size_t sections = optional + optionalSize;
    const auto offsetOf = [&](std::uint32_t rva) -> std::size_t {
        for (std::size_t i = 0; i < sectionCount; ++i) {
            const std::size_t section = sections + 40 * i;
            const std::uint32_t address = u32(file, section + 12, path);
            const std::uint32_t size = std::max(u32(file, section + 8, path), u32(file, section + 16, path));
            if (rva >= address && rva - address < size)
                return u32(file, section + 20, path) + (rva - address);
        }
        throw HostError(path + ": damaged export table");
    };
    const std::size_t directory = offsetOf(exportRva);
    const std::size_t nameCount = u32(file, directory + 24, path);
    const std::size_t nameTable = offsetOf(u32(file, directory + 32, path));
    for (std::size_t i = 0; i < nameCount; ++i) {
        const std::size_t name = offsetOf(u32(file, nameTable + 4 * i, path));
        const char* text = at<char>(file, name, 1, path);
        names.emplace_back(text, strnlen(text, file.size() - name));
    }
    std::sort(names.begin(), names.end());
    return names;
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

DynamicLibrary::DynamicLibrary(const std::string& path, const std::string& description) {
    dlerror();
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* why = dlerror();
        throw HostError("cannot load " + description + ": " + (why != nullptr ? why : "unknown error"));
    }
}

DynamicLibrary::~DynamicLibrary() { dlclose(handle_); }

void* DynamicLibrary::symbol(const char* name) const { return dlsym(handle_, name); }

bool DynamicLibrary::observeLookups(LookupObserver) const { return false; }

std::vector<std::string> exportedSymbols(const std::string& path) {
    const std::vector<char> file = readFile(path);
    // A short text file is no ELF file, rather than a damaged one.
    if (file.size() < SELFMAG || std::memcmp(file.data(), ELFMAG, SELFMAG) != 0) {
        throw HostError(path + ": not an ELF file");
    }
    const auto* header = at<ElfW(Ehdr)>(file, 0, 1, path);
    const bool library64 = header->e_ident[EI_CLASS] == ELFCLASS64;
    if (header->e_ident[EI_CLASS] != (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32)) {
        throw HostError(path + ": " + sizeMismatch(library64));
    }
    if (header->e_type != ET_DYN) throw HostError(path + ": not a shared library");
    const auto* sections = at<ElfW(Shdr)>(file, header->e_shoff, header->e_shnum, path);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < header->e_shnum; ++i) {
        if (sections[i].sh_type != SHT_DYNSYM) continue;
        if (sections[i].sh_link >= header->e_shnum) throw HostError(path + ": damaged symbol table");
        const ElfW(Shdr)& strings = sections[sections[i].sh_link];
        const char* text = at<char>(file, strings.sh_offset, strings.sh_size, path);
        const std::size_t count = sections[i].sh_entsize ? sections[i].sh_size / sections[i].sh_entsize : 0;
        const auto* symbols = at<ElfW(Sym)>(file, sections[i].sh_offset, count, path);
        for (std::size_t s = 0; s < count; ++s) {
            const ElfW(Sym)& symbol = symbols[s];
            const int binding = ELF32_ST_BIND(symbol.st_info);
            if (symbol.st_shndx == SHN_UNDEF || (binding != STB_GLOBAL && binding != STB_WEAK) ||
                ELF32_ST_VISIBILITY(symbol.st_other) != STV_DEFAULT || symbol.st_name >= strings.sh_size) {
                continue;
            }
            const char* name = text + symbol.st_name;
            names.emplace_back(name, strnlen(name, strings.sh_size - symbol.st_name));
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

std::string executablePath() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? "" : executable.string();
}

#endif

}  // namespace sorvane::mrhost
