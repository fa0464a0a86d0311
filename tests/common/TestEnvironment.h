#pragma once

#include <gtest/gtest.h>

namespace padscope::test {

// Registers the listener that gives every test its own program directory
// (PADSCOPE_HOME) and fresh process-wide services. Call after InitGoogleTest.
void InstallTestEnvironment();

}  // namespace padscope::test
