#pragma once

// A file written under a temporary name beside its destination and renamed
// into place once whole. Its name is made by mkstemp, exclusively: nobody
// can guess it or plant a link under it beforehand, so a shared folder cannot
// steer the write elsewhere. While one is being written, SIGINT, SIGTERM and
// SIGHUP remove it before the process ends as the signal would have ended it,
// so an interrupted write leaves neither a half-written file nor a stray one.

#include <string>

namespace sorvane::cli {

class TemporaryFile {
public:
    // A new, empty file in the folder of `destination`; throws
    // std::system_error when the folder will not take one.
    explicit TemporaryFile(const std::string& destination);
    ~TemporaryFile();  // closes and removes the file unless it was committed
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& path() const { return path_; }
    int descriptor() const { return descriptor_; }
    // Closes the file and renames it to `destination`; throws
    // std::system_error on failure (a close can report a late write error).
    void commitTo(const std::string& destination);

private:
    std::string path_;
    int descriptor_ = -1;
    bool committed_ = false;
};

}  // namespace sorvane::cli
