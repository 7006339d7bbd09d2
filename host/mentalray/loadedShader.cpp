#include "host/mentalray/loadedShader.h"

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "host/mentalray/hostError.h"

namespace sorvane::mrhost {

LoadedShader::LoadedShader(const std::string& libraryPath, const std::string& declarationPath,
                           RendererModule& module)
    : declarationPath_(declarationPath), module_(&module) {
    const std::string name = std::filesystem::path(libraryPath).stem().string();
    std::vector<Declaration> declarations = readDeclarations(declarationPath);
    const auto found = std::find_if(declarations.begin(), declarations.end(),
                                    [&](const Declaration& d) { return d.name == name; });
    if (found == declarations.end()) {
        throw HostError(declarationPath + " declares no shader \"" + name + "\"");
    }
    layout_ = std::make_unique<BlockLayout>(std::move(*found));
    library_ = std::make_unique<ShaderLibrary>(libraryPath, layout_->declaration());
    library_->setModuleHandle(module.handle());
}

std::unique_ptr<ShaderInstance> LoadedShader::instantiate(const Scene& scene) const {
    return std::make_unique<ShaderInstance>(*library_, *layout_, scene);
}

std::vector<int> probeParameterOffsets(const LoadedShader& shader) {
    Scene scene;
    std::unique_ptr<ShaderInstance> instance = shader.instantiate(scene);
    std::mutex seenMutex;
    std::vector<int> seen;
    for (const ParameterLayout& p : shader.layout().parameters()) {
        const std::string& name = p.parameter->name;
        if (p.parameter->kind == ValueKind::Boolean && !p.parameter->isArray) {
            instance->setBoolean(name, true);  // so that what a switch guards is read too
        }
        std::vector<std::pair<std::string, int>> fields{{name, p.elementOffset}};
        if (p.parameter->isArray) {
            fields.push_back({"i_" + name, p.offset});
            fields.push_back({"n_" + name, p.offset + 4});
        }
        for (const auto& [field, offset] : fields) {
            instance->connect(field,
                              [&seen, &seenMutex, &instance, offset = offset](const miState&) -> const void* {
                                  const std::lock_guard<std::mutex> lock(seenMutex);
                                  seen.push_back(offset);
                                  return static_cast<const char*>(instance->block()) + offset;
                              });
        }
    }
    miState state = instance->newState();
    miColor result{};
    instance->shade(result, state);
    return seen;
}

bool layoutMatches(const LoadedShader& shader) {
    std::vector<int> read = probeParameterOffsets(shader);
    std::vector<int> laidOut = shader.layout().fieldOffsets();
    std::sort(read.begin(), read.end());
    std::sort(laidOut.begin(), laidOut.end());
    return read == laidOut;
}

}  // namespace sorvane::mrhost
