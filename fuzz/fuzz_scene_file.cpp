// The scene file of `sorvane render --scene`, read from a file as the
// command reads it. A bad file must end in InputError, naming the file.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli/render/sceneFile.h"

namespace {

// A file in memory, rewritten for each input.
int sceneFile() {
    static const int fd = [] {
        const int created = memfd_create("scene.json", 0);
        if (created < 0) std::abort();
        return created;
    }();
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = sceneFile();
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    try {
        sorvane::render::readSceneFile(path);
    } catch (const sorvane::render::InputError& error) {
        const std::string message = error.what();
        if (message.rfind(path, 0) != 0) std::abort();  // every error names the file
    }
    return 0;
}
