#pragma once

// The page's files, built into the command from cli/studio/page/: plain
// HTML, CSS and JavaScript, with no build step of their own.

#include <cstddef>
#include <vector>

namespace sorvane::studio {

struct PageFile {
    const char* path;  // as requested: "/", "/studio.js"
    const char* contentType;
    const char* data;
    std::size_t size;
};

const std::vector<PageFile>& pageFiles();

}  // namespace sorvane::studio
