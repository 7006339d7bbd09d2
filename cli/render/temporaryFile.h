#pragma once

// A file written under a temporary name beside its destination and renamed
// into place once whole. While one is being written, SIGINT, SIGTERM and
// SIGHUP remove it before the process ends as the signal would have ended it,
// so an interrupted write leaves neither a half-written image nor a stray file.

#include <string>

namespace sorvane::render {

class TemporaryFile {
public:
    explicit TemporaryFile(std::string path);
    ~TemporaryFile();  // removes the file unless it was committed
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::string& path() const { return path_; }
    // Renames the file to `destination`; throws std::runtime_error on failure.
    void commitTo(const std::string& destination);

private:
    std::string path_;
    bool committed_ = false;
};

}  // namespace sorvane::render
