#include "support/NumberText.h"

#include <charconv>

namespace padscope {

bool ParseDecimal(std::string_view text, double min, double max, double& value) {
  double v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !(v >= min && v <= max)) {
    return false;
  }
  value = v;
  return true;
}

}  // namespace padscope
