#include "host/mentalray/shaderLibrary.h"

#include "host/errors/hostError.h"
#include "host/loader/libraryFile.h"
#include "host/mentalray/rendererModule.h"

namespace sorvane::mrhost {

ShaderLibrary::ShaderLibrary(const std::string& path, const Declaration& declaration) : path_(path) {
    exports_ = hostloader::exportedSymbols(path, "the shader library " + path);
    library_ = std::make_unique<hostloader::SharedLibrary>(path, path);
    RendererModule::countLookupsBy(*library_);
    entry_ = reinterpret_cast<miShader>(library_->symbol(declaration.name.c_str()));
    if (entry_ == nullptr) {
        throw HostError(path + " has no shader entry \"" + declaration.name + "\"");
    }
    const std::string versionName = declaration.name + "_version";
    if (auto versionFunction = reinterpret_cast<miShader_version>(library_->symbol(versionName.c_str()))) {
        version_ = versionFunction();
        if (*version_ != declaration.version) {
            throw HostError(path + ": " + versionName + "() returns " + std::to_string(*version_) +
                            ", but the declaration of \"" + declaration.name + "\" " +
                            (declaration.versioned ? "says version " + std::to_string(declaration.version)
                                                   : "gives no version, which counts as 0"));
        }
    } else {
        warnings_.push_back(path + " has no " + versionName + "; its version is not checked");
    }
    setModuleHandle_ = reinterpret_cast<int (*)(void*)>(library_->symbol("miSetModuleHandle"));
    if (setModuleHandle_ == nullptr) {
        warnings_.push_back(path + " has no miSetModuleHandle; it is given no renderer module");
    }
}

ShaderLibrary::~ShaderLibrary() = default;

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
