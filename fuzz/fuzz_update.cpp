// What the update check reads from outside: the version page (any bytes) with
// its keys, the installed version's first line, and an update package image.
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

  std::vector<PackageEntry> entries;
  std::string error;
  if (UnpackUpdate(rest, entries, error)) {
    for (const PackageEntry& e : entries) {
      if (!IsSafePackagePath(e.path)) {
        __builtin_trap();
      }
    }
    std::vector<PackageEntry> again;
    if (!UnpackUpdate(PackUpdate(entries), again, error) || again.size() != entries.size()) {
      __builtin_trap();
    }
  }
  return 0;
}
