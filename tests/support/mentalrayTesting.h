#pragma once

// What the suites share: the built library and declaration, a shader loaded
// through the host, and a catcher for what the library writes to stderr.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "host/mentalray/mentalrayHost.h"

inline std::ostream& operator<<(std::ostream& os, const miColor& c) {
    return os << '(' << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ')';
}

namespace sorvane::mrhost::testing {

inline const char* libraryPath() { return SORVANE_MR_LIBRARY; }
inline const char* declarationPath() { return SORVANE_MR_DECLARATION; }

inline Declaration shippedDeclaration() {
    for (Declaration& d : readDeclarations(declarationPath())) {
        if (d.name == "qm7r_sorvane") return std::move(d);
    }
    throw HostError("no qm7r_sorvane in the declaration");
}

// Everything the library writes to stderr while it lives.
class StderrCapture {
public:
    StderrCapture() { ::testing::internal::CaptureStderr(); }
    ~StderrCapture() {
        if (!taken_) ::testing::internal::GetCapturedStderr();
    }
    std::string take() {
        taken_ = true;
        return ::testing::internal::GetCapturedStderr();
    }

private:
    bool taken_ = false;
};

// Declaration text the reader must refuse, and what its error must say; the
// tables live beside the constructs they cover.
struct BadDeclaration {
    const char* text;
    const char* message;
};

inline void PrintTo(const BadDeclaration& c, std::ostream* os) { *os << c.message; }

class DeclarationErrors : public ::testing::TestWithParam<BadDeclaration> {};

inline std::shared_ptr<ScriptedLight> scripted(std::vector<LightSample> samples) {
    return std::make_shared<ScriptedLight>(std::move(samples));
}

inline miColor shadeOnce(const ShaderInstance& instance, miColor result = {0, 0, 0, 0}) {
    miState state = instance.newState();
    instance.shade(result, state);
    return result;
}

}  // namespace sorvane::mrhost::testing
