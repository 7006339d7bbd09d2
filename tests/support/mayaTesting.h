#pragma once

// The built sorvane.so, loaded through our host as Maya loads it.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/maya/mayaHost.h"

namespace sorvane::testing {

namespace host = sorvane::mayahost;

inline std::unique_ptr<host::LoadedPlugin> loadSorvane() {
    return host::LoadedPlugin::load(SORVANE_MAYA_PLUGIN);
}

// One plug-in load for a whole suite; faults and commands cleared around each test.
class SorvaneSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() { plugin_ = loadSorvane(); }
    static void TearDownTestSuite() { plugin_.reset(); }
    void TearDown() override { host::clearFaults(); }

    static const host::NodeType& type() { return *host::findNodeType("sorvane"); }
    static const host::Attribute& attr(const char* name) { return type().attribute(name); }

    static inline std::unique_ptr<host::LoadedPlugin> plugin_;
};

}  // namespace sorvane::testing
