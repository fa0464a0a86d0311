#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "link/HidBackend.h"
#include "sim/SimulatedAdapter.h"

namespace padscope {

// Reads the value of "--simulate[=pelmira|corvex]" (empty for the bare option)
// or of PADSCOPE_SIMULATE. Returns the model, or nothing for an unknown word.
std::optional<SimModel> ParseSimulateValue(std::string_view value);

// The model named by PADSCOPE_SIMULATE, when it is set to "1", "pelmira" or
// "corvex" (any other value, or none, selects real hardware).
std::optional<SimModel> SimulateFromEnvironment();

// A simulated adapter of the model (at 100 frames/s, as a real adapter), or the
// hidapi backend when no model is given.
std::shared_ptr<HidBackend> MakeBackend(std::optional<SimModel> simulate);

}  // namespace padscope
