#pragma once

#include <gtest/gtest.h>

namespace padscope::test {

// Registers the listener that gives every test its own folder (the state
// folder PADSCOPE_HOME and the resource folder) and fresh process-wide
// services. Call after InitGoogleTest.
void InstallTestEnvironment();

}  // namespace padscope::test
