// A simulated adapter's scenario file of arbitrary text, and when it parses,
// samples of every channel around its scheduled touches.
#include <cstdint>
#include <string>
#include <string_view>

#include "sim/SimScenario.h"

using namespace padscope;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string error;
  const auto scenario =
      SimScenario::Parse(std::string_view(reinterpret_cast<const char*>(data), size), error);
  if (!scenario) {
    if (error.empty()) {
      __builtin_trap();
    }
    return 0;
  }
  for (int k = 0; k < SimScenario::kChannels; ++k) {
    const SimScenario::Channel& c = scenario->channel(k);
    uint64_t frames[] = {0, c.every.start, c.every.start + c.every.length, UINT64_MAX};
    for (const uint64_t f : frames) {
      (void)scenario->Sample(1, k, f);
    }
    for (const SimScenario::Touch& t : c.touches) {
      (void)scenario->Sample(1, k, t.start + t.length - 1);
    }
  }
  return 0;
}
