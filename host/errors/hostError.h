#pragma once

// What either host refuses to do: load a plug-in or a shader library, read a
// declaration, set a value that does not fit. One type for both, so the
// command and the tests catch one thing whichever host they drive.

#include <stdexcept>

namespace sorvane {

// what() names the plug-in, library, file, node or parameter, and why.
class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace sorvane
