#pragma once

// The one error the command reports: a rejected input line, a scene file, an
// override, a plug-in that will not load, an image that cannot be written.
// Each command prints what() as one line and exits 1; the shade loop prints it
// on the rejected line's output too.

#include <stdexcept>
#include <string>
#include <utility>

namespace sorvane::cli {

class InputError : public std::runtime_error {
public:
    explicit InputError(const std::string& message) : std::runtime_error(message) {}
    // `field` names the value as the user wrote it ("lights[1].lightIntensity"),
    // and leads the message.
    InputError(std::string field, const std::string& message)
        : std::runtime_error(field.empty() ? message : field + ": " + message), field_(std::move(field)) {}

    const std::string& field() const { return field_; }

private:
    std::string field_;
};

}  // namespace sorvane::cli
