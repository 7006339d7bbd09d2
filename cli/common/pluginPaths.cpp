#include "cli/common/pluginPaths.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <system_error>

namespace sorvane::cli {

PluginPaths defaultPluginPaths() {
    std::error_code error;
    std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    std::filesystem::path root = error ? std::filesystem::path("..") : executable.parent_path().parent_path();
    // Installed, the command sits in the module's tools/bin/, out of Maya's sight.
    if (root.filename() == "tools") root = root.parent_path();
    return {(root / "plug-ins" / "sorvane.so").string(),
            (root / "mentalray" / "lib" / "qm7r_sorvane.so").string(),
            (root / "mentalray" / "include" / "qm7r_sorvane.mi").string()};
}

std::string defaultEnvironmentDirectory() {
    // Beside mentalray/ and plug-ins/, wherever those are.
    return (std::filesystem::path(defaultPluginPaths().mayaPlugin).parent_path().parent_path() /
            "environments")
        .string();
}

void addPluginPathOptions(CLI::App& command, PluginPaths& paths) {
    command.add_option("--plugin", paths.mayaPlugin, "The Maya plug-in to load")->capture_default_str();
    command.add_option("--library", paths.mentalrayLibrary, "The mental ray shader library to load")
        ->capture_default_str();
    command
        .add_option("--declaration", paths.mentalrayDeclaration,
                    "The .mi declaration of the mental ray shader")
        ->capture_default_str();
}

}  // namespace sorvane::cli
