// Test entry point of the widget test programs: a QApplication exists while
// tests run, but not while CTest lists them (listing runs outside the
// offscreen platform environment).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>
#include <memory>

#include "common/TestEnvironment.h"

int main(int argc, char** argv) {
  bool listing = false;
  for (int i = 1; i < argc; ++i) {
    listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
  }
  testing::InitGoogleTest(&argc, argv);
  padscope::test::InstallTestEnvironment();
  std::unique_ptr<QApplication> app;
  if (!listing) {
    app = std::make_unique<QApplication>(argc, argv);
  }
  return RUN_ALL_TESTS();
}
