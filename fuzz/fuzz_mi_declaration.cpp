// The .mi declaration reader, and the parameter block laid out from what it
// reads. A bad text must end in HostError.
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/mentalray/declaration.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace mr = sorvane::mrhost;
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        for (mr::Declaration& declaration : mr::parseDeclarations(text, "fuzz.mi")) {
            for (const mr::Parameter& parameter : declaration.parameters) mr::typeText(parameter);
            const mr::BlockLayout layout(std::move(declaration));
            layout.fieldOffsets();
        }
    } catch (const sorvane::HostError&) {
    }
    return 0;
}
