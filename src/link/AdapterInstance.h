#pragma once

#include <memory>

namespace padscope {

class HidAdapter;

// The process-wide adapter, created at start-up. Null before. SetTheAdapter
// replaces it (start-up, tests); never while a capture thread uses it.
HidAdapter* theAdapter();
void SetTheAdapter(std::unique_ptr<HidAdapter> adapter);

}  // namespace padscope
