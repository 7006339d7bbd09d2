#pragma once

// What the hosts ask of a path before reading it or handing it to the
// loader: a FIFO would block the read, a device such as /dev/zero never
// ends, and a directory reads as nothing.

#include <filesystem>
#include <string>
#include <system_error>

namespace sorvane {

// Empty for a regular file (links followed), else why the path is refused:
// "No such file or directory", "it is a directory, not a regular file", ...
inline std::string notARegularFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error) return error.message();
    if (fs::is_regular_file(status)) return {};
    const char* kind = fs::is_directory(status)        ? "a directory"
                       : fs::is_fifo(status)           ? "a FIFO"
                       : fs::is_character_file(status) ? "a character device"
                       : fs::is_block_file(status)     ? "a block device"
                                                       : "a special file";
    return std::string("it is ") + kind + ", not a regular file";
}

}  // namespace sorvane
