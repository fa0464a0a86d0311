// Test entry point shared by the core test programs.
#include <gtest/gtest.h>

#include "common/TestEnvironment.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  padscope::test::InstallTestEnvironment();
  return RUN_ALL_TESTS();
}
