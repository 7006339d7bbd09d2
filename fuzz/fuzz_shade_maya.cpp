// `sorvane shade --host maya`: the input as JSON Lines, through the session
// the command opens (the built plug-in loaded through the Maya host).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "cli/hostCommands.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::unique_ptr<sorvane::cli::ShadeSession> session =
        sorvane::cli::openMayaShadeSession(sorvane::cli::defaultPluginPaths());
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::ostringstream out, err;
    sorvane::cli::runShadeLoop(*session, in, out, err);
    return 0;
}
