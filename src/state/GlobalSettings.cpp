#include "state/GlobalSettings.h"

#include <algorithm>
#include <limits>

namespace padscope {

int32_t AddClamped(int32_t base, int32_t delta) {
  const int64_t sum = int64_t{base} + int64_t{delta};
  return static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

GlobalSettings& GlobalSettings::Instance() {
  static GlobalSettings instance;
  return instance;
}

void GlobalSettings::ResetInstanceForTest() {
  Instance() = GlobalSettings{};
}

int GlobalSettings::ShownChannelCount() const {
  return static_cast<int>(std::count_if(
      channel.begin(), channel.end(), [](const ChannelConfig& c) { return IsChannelEnabled(c); }));
}

}  // namespace padscope
