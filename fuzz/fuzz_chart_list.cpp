// A "~list.tmp" image of arbitrary bytes: the entries read from it must write
// back to an image that reads to the same entries.
#include <cstdint>

#include "state/ChartList.h"

using namespace padscope;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<ChartListEntry> entries = ChartListFromImage({data, size});
  if (entries.size() > kChartListMaxLoadedEntries) {
    __builtin_trap();
  }
  const std::vector<uint8_t> image = ChartListToImage(entries);
  const std::vector<ChartListEntry> again = ChartListFromImage(image);
  // Entries whose path does not fit are left out on writing; those that are
  // written read back unchanged (a name may be cut at a character boundary).
  if (again.size() > entries.size()) {
    __builtin_trap();
  }
  return 0;
}
