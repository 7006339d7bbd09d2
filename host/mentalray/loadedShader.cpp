#include "host/mentalray/loadedShader.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "host/errors/hostError.h"
#include "host/mentalray/layoutProbe.h"

namespace sorvane::mrhost {

LoadedShader::LoadedShader(const std::string& libraryPath, const std::string& declarationPath,
                           RendererModule& module)
    : declarationPath_(declarationPath), module_(&module) {
    const std::string name = std::filesystem::path(libraryPath).stem().string();
    file_ = readDeclarationFile(declarationPath);
    // Another shader's declaration that the reader left out costs that shader
    // alone, as in the renderer; ours must be read whole.
    for (const LeftOut& left : file_.leftOut) {
        if (left.name == name) {
            throw HostError(left.source + ":" + std::to_string(left.line) + ": the declaration of \"" + name +
                            "\" cannot be used: " + left.reason);
        }
    }
    for (const std::string& note : file_.notes) std::cerr << note << '\n';
    std::vector<Declaration>& declarations = file_.declarations;
    const auto found = std::find_if(declarations.begin(), declarations.end(),
                                    [&](const Declaration& d) { return d.name == name; });
    if (found == declarations.end()) {
        throw HostError(declarationPath + " declares no shader \"" + name + "\"");
    }
    // The renderer would take one of two declarations and drop the other;
    // which one the user meant is theirs to say.
    const auto again = std::find_if(std::next(found), declarations.end(),
                                    [&](const Declaration& d) { return d.name == name; });
    if (again != declarations.end()) {
        throw HostError(declarationPath + " declares the shader \"" + name + "\" twice (" + found->source +
                        ":" + std::to_string(found->line) + " and " + again->source + ":" +
                        std::to_string(again->line) + ")");
    }
    layout_ = std::make_unique<BlockLayout>(*found);
    library_ = std::make_unique<ShaderLibrary>(libraryPath, layout_->declaration());
    library_->setModuleHandle(module.handle());
}

std::unique_ptr<ShaderInstance> LoadedShader::instantiate(const SceneDatabase& scene) const {
    return std::make_unique<ShaderInstance>(*library_, *layout_, scene);
}

std::vector<int> probeParameterOffsets(const LoadedShader& shader) {
    LayoutProbe probe(shader.library(), shader.layout().size());
    return probe.run();
}

std::optional<std::string> layoutDifference(const LoadedShader& shader) {
    return firstLayoutDifference(shader.layout(), probeParameterOffsets(shader));
}

bool layoutMatches(const LoadedShader& shader) { return !layoutDifference(shader).has_value(); }

void requireMatchingLayout(const LoadedShader& shader) {
    if (const std::optional<std::string> difference = layoutDifference(shader)) {
        throw HostError(shader.declarationPath() + " does not match " + shader.library().path() + ": " +
                        *difference);
    }
}

}  // namespace sorvane::mrhost
