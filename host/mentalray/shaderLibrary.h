#pragma once

// A shader library loaded as the renderer loads it: by path, its entry found
// by the declared shader's name, its version function compared with the
// declaration's version.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <shader.h>

#include "host/loader/sharedLibrary.h"
#include "host/mentalray/declaration.h"

namespace sorvane::mrhost {

class ShaderLibrary {
public:
    // Throws HostError when the library cannot be loaded, lacks the entry, or
    // its version function disagrees with the declaration. A missing version
    // function or miSetModuleHandle is only a warning, as in the renderer.
    ShaderLibrary(const std::string& path, const Declaration& declaration);
    ~ShaderLibrary();
    ShaderLibrary(const ShaderLibrary&) = delete;
    ShaderLibrary& operator=(const ShaderLibrary&) = delete;

    const std::string& path() const { return path_; }
    // The library's exported symbols, sorted.
    const std::vector<std::string>& exports() const { return exports_; }
    std::optional<int> version() const { return version_; }
    const std::vector<std::string>& warnings() const { return warnings_; }

    // Hands the renderer module to the library's miSetModuleHandle, if it has one.
    void setModuleHandle(void* handle) const;
    miBoolean call(miColor* result, miState* state, void* parameters) const;

private:
    std::string path_;
    std::unique_ptr<hostloader::SharedLibrary> library_;
    std::vector<std::string> exports_;
    std::optional<int> version_;
    std::vector<std::string> warnings_;
    miShader entry_ = nullptr;
    int (*setModuleHandle_)(void*) = nullptr;
};

}  // namespace sorvane::mrhost
