#pragma once

// A folder of the test's own under the system's temporary directory, removed
// with what it holds when the test ends. mkdtemp gives every one a new name,
// so test programs that ctest runs at once, and two builds' suites running
// side by side, never write the same file.

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

namespace sorvane::testing {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& purpose) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / ("sorvane-" + purpose + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a folder like " + pattern);
        folder_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& folder() const { return folder_; }
    std::string path(const std::string& name) const { return (folder_ / name).string(); }

private:
    std::filesystem::path folder_;
};

}  // namespace sorvane::testing
