#include "host/mentalray/shaderLibrary.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "host/mentalray/hostError.h"

namespace sorvane::mrhost {

namespace {

std::string dlError() {
    const char* text = dlerror();
    return text != nullptr ? text : "unknown error";
}

template <class T>
const T* at(const std::vector<char>& file, std::size_t offset, std::size_t count, const std::string& path) {
    if (offset > file.size() || count > (file.size() - offset) / sizeof(T)) {
        throw HostError(path + ": truncated or damaged shared library");
    }
    return reinterpret_cast<const T*>(file.data() + offset);
}

}  // namespace

std::vector<std::string> exportedSymbols(const std::string& path) {
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw HostError("cannot open the shader library " + path +
                        (errno ? ": " + std::string(std::strerror(errno)) : ""));
    }
    const std::vector<char> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto* header = at<ElfW(Ehdr)>(file, 0, 1, path);
    if (std::memcmp(header->e_ident, ELFMAG, SELFMAG) != 0) throw HostError(path + ": not an ELF file");
    const unsigned char wantedClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
    if (header->e_ident[EI_CLASS] != wantedClass) {
        throw HostError(path + ": built for " + (wantedClass == ELFCLASS64 ? "32" : "64") +
                        "-bit, but this host is " + (wantedClass == ELFCLASS64 ? "64" : "32") + "-bit");
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

ShaderLibrary::ShaderLibrary(const std::string& path, const Declaration& declaration) : path_(path) {
    exports_ = exportedSymbols(path);
    // Local, so that two libraries' symbols never meet; now, so that a
    // missing symbol shows at load and not mid-render.
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) throw HostError("cannot load " + path + ": " + dlError());
    entry_ = reinterpret_cast<miShader>(dlsym(handle_, declaration.name.c_str()));
    if (entry_ == nullptr) {
        dlclose(handle_);
        throw HostError(path + " has no shader entry \"" + declaration.name + "\"");
    }
    const std::string versionName = declaration.name + "_version";
    if (auto versionFunction = reinterpret_cast<miShader_version>(dlsym(handle_, versionName.c_str()))) {
        version_ = versionFunction();
        if (*version_ != declaration.version) {
            dlclose(handle_);
            throw HostError(path + ": " + versionName + "() returns " + std::to_string(*version_) +
                            ", but the declaration of \"" + declaration.name + "\" says version " +
                            std::to_string(declaration.version));
        }
    } else {
        warnings_.push_back(path + " has no " + versionName + "; its version is not checked");
    }
    setModuleHandle_ = reinterpret_cast<int (*)(void*)>(dlsym(handle_, "miSetModuleHandle"));
    if (setModuleHandle_ == nullptr) {
        warnings_.push_back(path + " has no miSetModuleHandle; it is given no renderer module");
    }
}

ShaderLibrary::~ShaderLibrary() { dlclose(handle_); }

void ShaderLibrary::setModuleHandle(void* handle) const {
    if (setModuleHandle_ != nullptr) setModuleHandle_(handle);
}

// The renderer calls every shader through the one generic miShader type, as
// mental ray does; the entry itself is declared with its own parameter type,
// which clang's function-type check would report on every call.
#if defined(__clang__)
#define SORVANE_GENERIC_SHADER_CALL __attribute__((no_sanitize("function")))
#else
#define SORVANE_GENERIC_SHADER_CALL
#endif

SORVANE_GENERIC_SHADER_CALL miBoolean ShaderLibrary::call(miColor* result, miState* state,
                                                          void* parameters) const {
    return entry_(result, state, parameters);
}

}  // namespace sorvane::mrhost
