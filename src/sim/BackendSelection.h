#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "link/HidBackend.h"
#include "sim/SimulatedAdapter.h"

namespace padscope {

// Which simulated adapter to use: the model, and optionally a scenario file
// that scripts its touch chip (sim/SimScenario.h).
struct SimSelection {
  SimModel model = SimModel::Pelmira;
  std::string scenarioPath;
};

// Reads the value of "--simulate[=pelmira|corvex][:SCENARIO]" (empty for the
// bare option) or of PADSCOPE_SIMULATE. Returns nothing for an unknown model.
std::optional<SimSelection> ParseSimulateValue(std::string_view value);

// The selection named by PADSCOPE_SIMULATE, when it is set to "1", "pelmira"
// or "corvex", optionally with ":SCENARIO" (any other value, or none, selects
// real hardware).
std::optional<SimSelection> SimulateFromEnvironment();

// A simulated adapter of the selection (at 100 frames/s, as a real adapter,
// or at its scenario's rate), or the hidapi backend when nothing is selected.
// Returns null and a one-line `error` when the scenario cannot be used.
std::shared_ptr<HidBackend> MakeBackend(const std::optional<SimSelection>& simulate,
                                        std::string& error);

}  // namespace padscope
