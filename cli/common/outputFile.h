#pragma once

// Every file the command writes goes through writeOutputFile, one rule for
// all (pictures, differences, presets, exports):
// - a regular file, or a name not yet taken, is written to a temporary file
//   made exclusively beside it and renamed over it once whole, keeping the
//   old file's mode and, where the process may, its owner; a link is
//   followed, so the link stays and its target is replaced;
// - a FIFO or a character device (/dev/null, a terminal) is written in place,
//   never renamed over; a directory or any other kind of file is refused;
// - a failed write, a short one, or one past the file-size limit (EFBIG:
//   main ignores SIGXFSZ so that write() reports it) is reported as "cannot
//   write NAME: why", and the temporary file is removed.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace sorvane::cli {

// Buffered writes to a descriptor; every failure throws std::system_error
// with the system's reason ("File too large").
class FileWriter {
public:
    explicit FileWriter(int descriptor) : descriptor_(descriptor) {}
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    void write(const void* data, std::size_t size);
    void flush();
    std::uint64_t position() const { return position_; }
    // Flushes, then moves; throws for a pipe, which cannot seek.
    void seek(std::uint64_t position);
    bool seekable() const;

private:
    int descriptor_;
    std::uint64_t position_ = 0;
    std::vector<char> buffer_;
};

// Writes `path` through `write`. Throws InputError("cannot write PATH: why")
// for any failure, `write`'s own exceptions included; nothing half-written
// is left under the name. A format that goes back to fill in what it wrote
// (`seeks`: EXR) is refused for a FIFO before the FIFO is opened.
void writeOutputFile(const std::string& path, const std::function<void(FileWriter&)>& write,
                     bool seeks = false);

// Refuses, with InputError, two outputs of one command that are the same
// file: the same name once resolved, or the same file under two names. Each
// entry is (option, path); empty paths are skipped.
void requireDistinctOutputs(const std::vector<std::pair<std::string, std::string>>& outputs);

}  // namespace sorvane::cli
