#pragma once

// A shader library with its declaration, loaded and handed a renderer module:
// what the renderer has after reading `$include "x.mi"` and `link "x.so"`.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/mentalray/declaration.h"
#include "host/mentalray/rendererModule.h"
#include "host/mentalray/shaderInstance.h"
#include "host/mentalray/shaderLibrary.h"

namespace sorvane::mrhost {

class LoadedShader {
public:
    // Reads the declaration of the shader named after the library's file
    // (qm7r_sorvane.so: "qm7r_sorvane"), loads the library, checks its
    // version and calls its miSetModuleHandle with `module`'s handle.
    // HostError when any of it fails. What the file declares besides is read
    // as the renderer reads it: a declaration it leaves out is one line on
    // standard error, unless it is this shader's.
    LoadedShader(const std::string& libraryPath, const std::string& declarationPath,
                 RendererModule& module = RendererModule::get());

    const std::string& declarationPath() const { return declarationPath_; }
    const Declaration& declaration() const { return layout_->declaration(); }
    // Everything the declaration file and what it includes declared.
    const DeclarationFile& declarationFile() const { return file_; }
    const BlockLayout& layout() const { return *layout_; }
    const ShaderLibrary& library() const { return *library_; }
    RendererModule& module() const { return *module_; }

    // A new instance with the declaration's defaults, answering from `scene`.
    std::unique_ptr<ShaderInstance> instantiate(const SceneDatabase& scene) const;

private:
    std::string declarationPath_;
    DeclarationFile file_;
    std::unique_ptr<BlockLayout> layout_;
    std::unique_ptr<ShaderLibrary> library_;
    RendererModule* module_;
};

// The block offsets the library reads its parameters from, in the order it
// reads them. The library is called once with a block of the probe's own
// (see LayoutProbe), never with the declared one, so a declaration that
// disagrees with the library cannot make it read memory the host does not own.
std::vector<int> probeParameterOffsets(const LoadedShader& shader);

// The first field where the declared block and the library's reads part
// (see firstLayoutDifference), or nullopt when they agree.
std::optional<std::string> layoutDifference(const LoadedShader& shader);

// Whether the library reads exactly the fields the declaration lays out.
bool layoutMatches(const LoadedShader& shader);

// A HostError naming the declaration, the library and the first difference
// unless the layouts agree: what to call before shading with the declared block.
void requireMatchingLayout(const LoadedShader& shader);

}  // namespace sorvane::mrhost
