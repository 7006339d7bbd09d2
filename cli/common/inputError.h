#pragma once

// The one error the command reports: a rejected input line, a scene file, an
// override, a plug-in that will not load, an image that cannot be written.
// Each command prints what() as one line and exits 1; the shade loop prints it
// on the rejected line's output too.

#include <stdexcept>
#include <string>
#include <utility>

#include "host/errors/hostError.h"

namespace sorvane::cli {

class InputError : public std::runtime_error {
public:
    explicit InputError(const std::string& message) : std::runtime_error(message), message_(message) {}
    // `field` names the value as the user wrote it ("lights[1].lightIntensity"),
    // and leads the message.
    InputError(std::string field, const std::string& message)
        : std::runtime_error(field.empty() ? message : field + ": " + message),
          field_(std::move(field)),
          message_(field_.empty() ? message : field_ + ": " + message) {}

    const std::string& field() const { return field_; }
    // The whole message: what() ends at a NUL byte, which a key or a name
    // read from the input may hold.
    const std::string& message() const { return message_; }

private:
    std::string field_;
    std::string message_;
};

// The whole text of any error the command reports (see message() above).
inline std::string messageOf(const std::exception& error) {
    if (const auto* input = dynamic_cast<const InputError*>(&error)) return input->message();
    if (const auto* host = dynamic_cast<const HostError*>(&error)) return host->message();
    return error.what();
}

}  // namespace sorvane::cli
