#pragma once

// A folder of the test's own under the system's temporary directory, removed
// with what it holds when the test ends. mkdtemp gives every one a new name,
// so test programs that ctest runs at once, and two builds' suites running
// side by side, never write the same file.

#include <stdlib.h>

#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <system_error>

namespace sorvane::testing {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& purpose) {
#ifdef _WIN32
        // No mkdtemp here: a random name, kept only if this call made the folder.
        std::random_device random;
        for (int attempt = 0; attempt < 100 && folder_.empty(); ++attempt) {
            const std::filesystem::path candidate = std::filesystem::temp_directory_path() /
                                                    ("sorvane-" + purpose + "-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate)) folder_ = candidate;
        }
        if (folder_.empty()) throw std::runtime_error("cannot make a folder for " + purpose);
#else
        std::string pattern =
            (std::filesystem::temp_directory_path() / ("sorvane-" + purpose + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("cannot make a folder like " + pattern);
        folder_ = pattern;
#endif
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
