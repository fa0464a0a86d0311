#pragma once

#include <cstdint>

namespace padscope {

// Milliseconds since an arbitrary start, as a 32-bit counter that wraps like the
// multimedia clock. Any thread may call it.
uint32_t TickMs();

}  // namespace padscope
