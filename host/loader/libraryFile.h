#pragma once

// Shared library files read as files, without loading them: ELF here, PE on
// Windows, of this process's size.

#include <string>
#include <vector>

namespace sorvane::hostloader {

// Empty when the file at `path` may be given to the loader, else why not:
// not a regular file, not an ELF (PE) file, "built for 64-bit, but this host
// is 32-bit", "not a shared library", or "truncated or damaged shared
// library" when a part that its headers name lies past the file's end.
std::string libraryFileProblem(const std::string& path);

// The defined, exported symbols of the library at `path`, sorted. HostError
// "cannot open <what>: <why>" when the file cannot be read, and
// "<path>: <why>" when it is no library that the loader may be given or its
// symbol tables are damaged.
std::vector<std::string> exportedSymbols(const std::string& path, const std::string& what);

}  // namespace sorvane::hostloader
