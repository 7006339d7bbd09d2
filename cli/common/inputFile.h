#pragma once

// Every text file the command reads (scene files, material and preset files)
// goes through readTextFile: a path that is not a regular file (a FIFO, a
// device such as /dev/zero, a directory) is refused with a message saying
// what it is, and no text input may grow past kTextInputLimit, so a hostile
// or mistaken input cannot block the command or fill its memory.

#include <cstddef>
#include <string>

namespace sorvane::cli {

constexpr std::size_t kTextInputLimit = std::size_t{64} << 20;  // 64 MiB

// The whole file; throws InputError("PATH: why"), naming it as `what`
// ("the scene file"). A kind of file that runs larger (a mesh) has a limit
// of its own.
std::string readTextFile(const std::string& path, const std::string& what,
                         std::size_t limit = kTextInputLimit);

}  // namespace sorvane::cli
