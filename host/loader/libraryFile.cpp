#include "host/loader/libraryFile.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <elf.h>
#include <link.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "host/errors/fileKind.h"
#include "host/errors/hostError.h"

namespace sorvane::hostloader {

namespace {

const char* const kDamaged = "truncated or damaged shared library";

// A library file read in parts, where its headers point. Every read is held
// to the file's size first, so that no value read from a damaged file sends
// a read, or an allocation, past its end.
class LibraryFile {
public:
    // Empty when the file is open, else why not. A FIFO or a device is
    // refused before it is opened: the read would block or never end.
    std::string open(const std::string& path) {
        if (std::string why = notARegularFile(path); !why.empty()) return why;
        errno = 0;
        in_.open(path, std::ios::binary);
        if (!in_) return errno != 0 ? std::strerror(errno) : "it cannot be opened";
        std::error_code error;
        size_ = std::filesystem::file_size(path, error);
        return error ? error.message() : std::string();
    }

    // False when [offset, offset + bytes) is not inside the file.
    bool contains(std::uint64_t offset, std::uint64_t bytes) const {
        return offset <= size_ && bytes <= size_ - offset;
    }

    template <class T>
    bool read(std::uint64_t offset, T& out) {
        return readBytes(offset, &out, sizeof out);
    }

    // `count` values from `offset`; false, with nothing allocated, when they
    // run past the end.
    template <class T>
    bool read(std::uint64_t offset, std::uint64_t count, std::vector<T>& out) {
        if (count > size_ / sizeof(T) || !contains(offset, count * sizeof(T))) return false;
        out.resize(static_cast<std::size_t>(count));
        return readBytes(offset, out.data(), count * sizeof(T));
    }

    // The NUL-terminated text at `offset`, or as much of it as the file holds.
    bool readText(std::uint64_t offset, std::string& out) {
        out.clear();
        if (offset >= size_) return false;
        char chunk[256];
        while (offset < size_) {
            const std::uint64_t bytes = (std::min)(std::uint64_t{sizeof chunk}, size_ - offset);
            if (!readBytes(offset, chunk, bytes)) return false;
            const auto* end = static_cast<const char*>(std::memchr(chunk, '\0', bytes));
            out.append(chunk, end != nullptr ? static_cast<std::size_t>(end - chunk) : bytes);
            if (end != nullptr) break;
            offset += bytes;
        }
        return true;
    }

private:
    bool readBytes(std::uint64_t offset, void* out, std::uint64_t bytes) {
        if (!contains(offset, bytes)) return false;
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(offset));
        return static_cast<bool>(in_.read(static_cast<char*>(out), static_cast<std::streamsize>(bytes)));
    }

    std::ifstream in_;
    std::uint64_t size_ = 0;
};

std::string sizeMismatch(bool library64) {
    return std::string("built for ") + (library64 ? "64" : "32") + "-bit, but this host is " +
           (sizeof(void*) == 8 ? "64" : "32") + "-bit";
}

#ifdef _WIN32

struct Headers {
    std::uint64_t pe = 0;  // where the "PE\0\0" signature is
    IMAGE_FILE_HEADER file{};
};

// Empty when the loader may be given the file, else why not. The loader maps
// each section from where its header says; every one must lie in the file.
std::string checkHeaders(LibraryFile& file, Headers& headers) {
    std::uint16_t mz = 0;
    std::uint32_t pe = 0, signature = 0;
    if (!file.read(0, mz) || mz != 0x5a4d || !file.read(0x3c, pe) || !file.read(pe, signature) ||
        signature != 0x4550) {
        return "not a PE file";
    }
    headers.pe = pe;
    if (!file.read(headers.pe + 4, headers.file)) return kDamaged;
    const bool library64 = headers.file.Machine == IMAGE_FILE_MACHINE_AMD64;
    if (library64 != (sizeof(void*) == 8)) return sizeMismatch(library64);
    if ((headers.file.Characteristics & IMAGE_FILE_DLL) == 0) return "not a shared library";
    std::vector<IMAGE_SECTION_HEADER> sections;
    if (!file.read(headers.pe + 4 + sizeof headers.file + headers.file.SizeOfOptionalHeader,
                   headers.file.NumberOfSections, sections)) {
        return kDamaged;
    }
    for (const IMAGE_SECTION_HEADER& section : sections) {
        if (!file.contains(section.PointerToRawData, section.SizeOfRawData)) return kDamaged;
    }
    return {};
}

// The names in the export directory, found through the sections' addresses.
std::vector<std::string> readExports(LibraryFile& file, const Headers& headers, const std::string& path) {
    const auto damaged = [&](const char* what) { return HostError(path + ": " + what); };
    const auto u32 = [&](std::uint64_t offset) {
        std::uint32_t value = 0;
        if (!file.read(offset, value)) throw damaged(kDamaged);
        return value;
    };
    const bool library64 = headers.file.Machine == IMAGE_FILE_MACHINE_AMD64;
    const std::uint64_t optional = headers.pe + 4 + sizeof headers.file;
    const std::uint32_t directoryCount = u32(optional + (library64 ? 108 : 92));
    const std::uint32_t exportRva = directoryCount > 0 ? u32(optional + (library64 ? 112 : 96)) : 0;
    std::vector<std::string> names;
    if (exportRva == 0) return names;

    std::vector<IMAGE_SECTION_HEADER> sections;
    if (!file.read(optional + headers.file.SizeOfOptionalHeader, headers.file.NumberOfSections, sections)) {
        throw damaged(kDamaged);
    }
    const auto offsetOf = [&](std::uint32_t rva) -> std::uint64_t {
        for (const IMAGE_SECTION_HEADER& section : sections) {
            const std::uint32_t size = (std::max)(section.Misc.VirtualSize, section.SizeOfRawData);
            if (rva >= section.VirtualAddress && rva - section.VirtualAddress < size) {
                return std::uint64_t{section.PointerToRawData} + (rva - section.VirtualAddress);
            }
        }
        throw damaged("damaged export table");
    };
    const std::uint64_t directory = offsetOf(exportRva);
    const std::uint32_t nameCount = u32(directory + 24);
    std::vector<std::uint32_t> nameRvas;
    if (!file.read(offsetOf(u32(directory + 32)), nameCount, nameRvas)) throw damaged(kDamaged);
    for (const std::uint32_t rva : nameRvas) {
        std::string name;
        if (!file.readText(offsetOf(rva), name)) throw damaged(kDamaged);
        names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

#else

using Headers = ElfW(Ehdr);

// Empty when the loader may be given the file, else why not. The loader maps
// each segment from where its header says; every one must lie in the file.
std::string checkHeaders(LibraryFile& file, Headers& header) {
    // A file shorter than the header, a short text file say, is no ELF file
    // rather than a damaged one.
    if (!file.read(0, header) || std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) return "not an ELF file";
    if (header.e_ident[EI_CLASS] != (sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32)) {
        return sizeMismatch(header.e_ident[EI_CLASS] == ELFCLASS64);
    }
    if (header.e_type != ET_DYN) return "not a shared library";
    std::vector<ElfW(Phdr)> segments;
    if (header.e_phentsize != sizeof(ElfW(Phdr)) || header.e_phnum == 0 ||
        !file.read(header.e_phoff, header.e_phnum, segments)) {
        return kDamaged;
    }
    for (const ElfW(Phdr) & segment : segments) {
        if (segment.p_type != PT_NULL && !file.contains(segment.p_offset, segment.p_filesz)) return kDamaged;
    }
    if (header.e_shoff != 0 &&
        !file.contains(header.e_shoff, std::uint64_t{header.e_shnum} * header.e_shentsize)) {
        return kDamaged;
    }
    return {};
}

// The global and weak, default-visibility symbols that the library defines,
// from its dynamic symbol tables.
std::vector<std::string> readExports(LibraryFile& file, const Headers& header, const std::string& path) {
    const auto damaged = [&](const char* what) { return HostError(path + ": " + what); };
    std::vector<ElfW(Shdr)> sections;
    if ((header.e_shnum != 0 && header.e_shentsize != sizeof(ElfW(Shdr))) ||
        !file.read(header.e_shoff, header.e_shnum, sections)) {
        throw damaged(kDamaged);
    }
    std::vector<std::string> names;
    for (const ElfW(Shdr) & table : sections) {
        if (table.sh_type != SHT_DYNSYM) continue;
        if (table.sh_link >= sections.size() || table.sh_entsize != sizeof(ElfW(Sym))) {
            throw damaged("damaged symbol table");
        }
        const ElfW(Shdr)& strings = sections[table.sh_link];
        std::vector<char> text;
        std::vector<ElfW(Sym)> symbols;
        if (!file.read(strings.sh_offset, strings.sh_size, text) ||
            !file.read(table.sh_offset, table.sh_size / sizeof(ElfW(Sym)), symbols)) {
            throw damaged(kDamaged);
        }
        for (const ElfW(Sym) & symbol : symbols) {
            const int binding = ELF32_ST_BIND(symbol.st_info);
            if (symbol.st_shndx == SHN_UNDEF || (binding != STB_GLOBAL && binding != STB_WEAK) ||
                ELF32_ST_VISIBILITY(symbol.st_other) != STV_DEFAULT || symbol.st_name >= text.size()) {
                continue;
            }
            const char* name = text.data() + symbol.st_name;
            names.emplace_back(name, strnlen(name, text.size() - symbol.st_name));
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

#endif

}  // namespace

std::string libraryFileProblem(const std::string& path) {
    LibraryFile file;
    if (std::string why = file.open(path); !why.empty()) return why;
    Headers headers{};
    return checkHeaders(file, headers);
}

std::vector<std::string> exportedSymbols(const std::string& path, const std::string& what) {
    LibraryFile file;
    if (const std::string why = file.open(path); !why.empty()) {
        throw HostError("cannot open " + what + ": " + why);
    }
    Headers headers{};
    if (const std::string why = checkHeaders(file, headers); !why.empty()) throw HostError(path + ": " + why);
    return readExports(file, headers, path);
}

}  // namespace sorvane::hostloader
