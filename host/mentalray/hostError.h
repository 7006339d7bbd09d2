#pragma once

#include <stdexcept>

namespace sorvane::mrhost {

// Something the host was asked to do cannot be done; what() says what and why.
class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace sorvane::mrhost
