// The material files `sorvane render --material` and the studio read (.ma,
// .mi, .mel and presets JSON), against the attribute table of the two built
// plug-ins. The first byte picks the format. Reading must never crash, and
// every error must name the file and the line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "cli/hosts/hostBackends.h"
#include "cli/render/storedMaterials.h"

namespace {

const sorvane::material::Schema& schema() {
    // The backends stay loaded for the whole run: unloading an instrumented
    // plug-in would take its coverage counters from under libFuzzer.
    static const auto paths = sorvane::cli::defaultPluginPaths();
    static const auto maya = sorvane::render::openMayaBackend(paths);
    static const auto mentalray = sorvane::render::openMentalrayBackend(paths);
    static const sorvane::material::Schema loaded =
        sorvane::render::materialSchema({maya.get(), mentalray.get()});
    return loaded;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using sorvane::material::FileFormat;
    if (size == 0) return 0;
    static constexpr FileFormat kFormats[] = {FileFormat::mayaAscii, FileFormat::mentalray,
                                              FileFormat::melPreset, FileFormat::presetJson};
    static constexpr const char* kFiles[] = {"look.ma", "look.mi", "look.mel", "look.json"};
    const int pick = data[0] % 4;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    try {
        const auto materials = sorvane::material::readMaterials(text, kFormats[pick], kFiles[pick], schema());
        // What was read must write back in every format.
        for (const auto& material : materials) {
            sorvane::material::writePresetJson(material, schema());
            sorvane::material::writeMelPreset(material, schema());
            sorvane::material::writeMentalrayShader(material, schema());
        }
    } catch (const sorvane::material::InputError& error) {
        if (error.message().rfind(kFiles[pick], 0) != 0) std::abort();  // every error names the file
    }
    return 0;
}
