#pragma once

#include <string>

namespace CLI {
class App;
}

namespace sorvane::cli {

// Where the command finds the deliverables. By default beside itself, as the
// build tree and the installed module both lay them out:
//   bin/sorvane (tools/bin/sorvane in the module), plug-ins/sorvane.so,
//   mentalray/lib/qm7r_sorvane.so, mentalray/include/qm7r_sorvane.mi
struct PluginPaths {
    std::string mayaPlugin;
    std::string mentalrayLibrary;
    std::string mentalrayDeclaration;
};

PluginPaths defaultPluginPaths();
// The environments shipped beside them: environments/NAME.exr.
std::string defaultEnvironmentDirectory();

// --plugin, --library and --declaration on a subcommand.
void addPluginPathOptions(CLI::App& command, PluginPaths& paths);

}  // namespace sorvane::cli
