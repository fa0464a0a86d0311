#pragma once

#include <string_view>

namespace padscope {

// Parses a whole decimal number (as "12", "-0.25" or "1e3") in [min, max],
// whatever the process locale. Leaves `value` unchanged and returns false
// otherwise.
bool ParseDecimal(std::string_view text, double min, double max, double& value);

}  // namespace padscope
