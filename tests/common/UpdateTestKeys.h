#pragma once

// The test key pair in tests/data. It signs test packages only: its secret half
// is in the repository, so no build that installs updates may trust it.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/UpdateKeys.h"

namespace padscope::test {

inline std::filesystem::path TestKeyFile(const char* name) {
  return std::filesystem::path(PADSCOPE_TEST_DATA_DIR) / name;
}
inline const std::filesystem::path kTestPublicKeyFile = TestKeyFile("update-test-key.pub");
inline const std::filesystem::path kTestSecretKeyFile = TestKeyFile("update-test-key.secret");

inline UpdatePublicKey TestPublicKey() {
  UpdatePublicKey key{};
  std::string error;
  EXPECT_TRUE(ReadUpdatePublicKey(kTestPublicKeyFile, key, error)) << error;
  return key;
}

inline UpdateSecretKey TestSecretKey() {
  UpdateSecretKey key{};
  std::string error;
  EXPECT_TRUE(ReadUpdateSecretKey(kTestSecretKeyFile, key, error)) << error;
  return key;
}

}  // namespace padscope::test
