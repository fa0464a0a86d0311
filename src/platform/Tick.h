#pragma once

#include <cstdint>
#include <ctime>

namespace padscope {

// Milliseconds since an arbitrary start, as a 32-bit counter that wraps like the
// multimedia clock. Any thread may call it.
uint32_t TickMs();

// The local time of `t` (thread-safe, unlike std::localtime).
std::tm LocalTime(std::time_t t);

}  // namespace padscope
