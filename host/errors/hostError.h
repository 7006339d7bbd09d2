#pragma once

// What either host refuses to do: load a plug-in or a shader library, read a
// declaration, set a value that does not fit. One type for both, so the
// command and the tests catch one thing whichever host they drive.

#include <stdexcept>
#include <string>

namespace sorvane {

// what() names the plug-in, library, file, node or parameter, and why.
class HostError : public std::runtime_error {
public:
    explicit HostError(const std::string& message) : std::runtime_error(message), message_(message) {}
    // The whole message: what() ends at a NUL byte, which a name read from
    // a file may hold.
    const std::string& message() const { return message_; }

private:
    std::string message_;
};

}  // namespace sorvane
