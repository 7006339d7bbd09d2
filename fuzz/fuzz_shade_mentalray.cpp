// `sorvane shade --host mentalray`: the input as JSON Lines, through the session
// the command opens (the built library and its declaration loaded through the mental ray host).
// Every line must be answered, in order, with a JSON object.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "cli/hosts/hostCommands.h"
#include "fuzz/shadeLines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::unique_ptr<sorvane::cli::ShadeSession> session =
        sorvane::cli::openMentalrayShadeSession(sorvane::cli::defaultPluginPaths());
    sorvane::fuzz::shadeLines(*session, data, size);
    return 0;
}
