#include "dynamicLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <elf.h>
#include <link.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "host/errors/fileKind.h"

namespace sorvane::mayahost {

namespace {

// The loader maps a library's segments as its headers describe them, without
// checking them against the file: a file cut short maps pages past its end,
// and the first touch of one kills the process with SIGBUS. So the headers
// are read first, and every part they name must lie inside the file.
class LibraryFile {
public:
    explicit LibraryFile(const std::string& path) : in_(path, std::ios::binary) {}
    bool open() const { return static_cast<bool>(in_); }
    void setSize(std::uint64_t size) { size_ = size; }
    std::uint64_t size() const { return size_; }
    // False when [offset, offset + bytes) is not inside the file.
    bool contains(std::uint64_t offset, std::uint64_t bytes) const {
        return offset <= size_ && bytes <= size_ - offset;
    }
    template <class T>
    bool read(std::uint64_t offset, T& out) {
        if (!contains(offset, sizeof out)) return false;
        in_.seekg(static_cast<std::streamoff>(offset));
        return static_cast<bool>(in_.read(reinterpret_cast<char*>(&out), sizeof out));
    }

private:
    std::ifstream in_;
    std::uint64_t size_ = 0;
};

const char* const kDamaged = "truncated or damaged shared library";

#ifdef _WIN32

std::string checkHeaders(LibraryFile& file) {
    std::uint16_t mz = 0;
    std::uint32_t pe = 0, signature = 0;
    if (!file.read(0, mz) || mz != 0x5a4d || !file.read(0x3c, pe) || !file.read(pe, signature) ||
        signature != 0x4550) {
        return "not a PE file";
    }
    IMAGE_FILE_HEADER header{};
    if (!file.read(pe + 4, header)) return kDamaged;
    const bool library64 = header.Machine == IMAGE_FILE_MACHINE_AMD64;
    if (library64 != (sizeof(void*) == 8)) {
        return std::string("built for ") + (library64 ? "64" : "32") + "-bit, but this host is " +
               (sizeof(void*) == 8 ? "64" : "32") + "-bit";
    }
    if ((header.Characteristics & IMAGE_FILE_DLL) == 0) return "not a shared library";
    const std::uint64_t sections = pe + 4 + sizeof header + header.SizeOfOptionalHeader;
    for (std::uint64_t i = 0; i < header.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER section{};
        if (!file.read(sections + i * sizeof section, section)) return kDamaged;
        if (!file.contains(section.PointerToRawData, section.SizeOfRawData)) return kDamaged;
    }
    return {};
}

#else

std::string checkHeaders(LibraryFile& file) {
    ElfW(Ehdr) header{};
    if (!file.read(0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) return "not an ELF file";
    const bool library64 = header.e_ident[EI_CLASS] == ELFCLASS64;
    if (header.e_ident[EI_CLASS] != (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32)) {
        return std::string("built for ") + (library64 ? "64" : "32") + "-bit, but this host is " +
               (sizeof(void*) == 8 ? "64" : "32") + "-bit";
    }
    if (header.e_type != ET_DYN) return "not a shared library";
    if (header.e_phentsize != sizeof(ElfW(Phdr)) || header.e_phnum == 0 ||
        !file.contains(header.e_phoff, std::uint64_t{header.e_phnum} * header.e_phentsize)) {
        return kDamaged;
    }
    for (std::uint64_t i = 0; i < header.e_phnum; ++i) {
        ElfW(Phdr) segment{};
        if (!file.read(header.e_phoff + i * sizeof segment, segment)) return kDamaged;
        if (segment.p_type != PT_NULL && !file.contains(segment.p_offset, segment.p_filesz)) return kDamaged;
    }
    if (header.e_shoff != 0 &&
        !file.contains(header.e_shoff, std::uint64_t{header.e_shnum} * header.e_shentsize)) {
        return kDamaged;
    }
    return {};
}

#endif

// Empty when `path` holds a library the loader may be given, else why not.
std::string checkLibraryFile(const std::string& path) {
    if (std::string why = notARegularFile(path); !why.empty()) return why;
    LibraryFile file(path);
    if (!file.open()) return std::strerror(errno);
    std::error_code error;
    file.setSize(std::filesystem::file_size(path, error));
    if (error) return error.message();
    return checkHeaders(file);
}

}  // namespace

#ifdef _WIN32

void* openLibrary(const std::string& path, std::string& why) {
    why = checkLibraryFile(path);
    if (!why.empty()) return nullptr;
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
    why = checkLibraryFile(path);
    if (!why.empty()) return nullptr;
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
