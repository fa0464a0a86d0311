// What the update check and the updater read from outside: the version page
// (any bytes) with its keys, the installed version's first line, and an update
// package, both whole (signature first, against the test key) and as a signed
// body (the format rules, which a fuzzer could never reach through a signature).
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzInput.h"
#include "support/UpdateCheck.h"
#include "support/UpdatePackage.h"

using namespace padscope;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput in(data, size);
  const uint8_t split = in.Take<uint8_t>();
  const auto rest = in.Rest();
  const std::string_view page(reinterpret_cast<const char*>(rest.data()), rest.size());
  for (std::string_view key : {"ApplicationVersion", "ForceUpdate", "Current Version", ""}) {
    (void)ParseVersionValue(page, key);
  }
  const std::string_view key = page.substr(0, std::min<size_t>(split % 32, page.size()));
  (void)ParseVersionValue(page.substr(key.size()), key);

  static const UpdatePublicKey testKey = *PublicKeyFromBuild(PADSCOPE_TEST_UPDATE_KEY);
  UpdatePackage package;
  std::string error;
  (void)UnpackUpdate(rest, testKey, package, error);

  // A body that reads must be exactly what its package writes, and safe.
  if (ParseUpdatePackageBody(rest, package, error)) {
    for (const PackageEntry& e : package.entries) {
      if (!IsSafePackagePath(e.path)) {
        __builtin_trap();
      }
    }
    const std::vector<uint8_t> again = UpdatePackageBody(package);
    if (!std::equal(again.begin(), again.end(), rest.begin(), rest.end())) {
      __builtin_trap();
    }
  }
  return 0;
}
