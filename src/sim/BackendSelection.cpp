#include "sim/BackendSelection.h"

#include <cstdlib>
#include <string>

#include "link/HidapiBackend.h"
#include "sim/SimScenario.h"

namespace padscope {

std::optional<SimSelection> ParseSimulateValue(std::string_view value) {
  SimSelection selection;
  const size_t colon = value.find(':');
  if (colon != std::string_view::npos) {
    selection.scenarioPath = std::string(value.substr(colon + 1));
    if (selection.scenarioPath.empty()) {
      return std::nullopt;
    }
    value = value.substr(0, colon);
  }
  if (value.empty() || value == "1" || value == "pelmira") {
    selection.model = SimModel::Pelmira;
  } else if (value == "corvex") {
    selection.model = SimModel::Corvex;
  } else {
    return std::nullopt;
  }
  return selection;
}

std::optional<SimSelection> SimulateFromEnvironment() {
  const char* value = std::getenv("PADSCOPE_SIMULATE");
  if (value == nullptr || *value == '\0') {
    return std::nullopt;
  }
  return ParseSimulateValue(value);
}

std::shared_ptr<HidBackend> MakeBackend(const std::optional<SimSelection>& simulate,
                                        std::string& error) {
  if (!simulate) {
    return std::make_shared<HidapiBackend>();
  }
  SimConfig config;
  config.model = simulate->model;
  if (!simulate->scenarioPath.empty()) {
    std::optional<SimScenario> scenario = SimScenario::Load(simulate->scenarioPath, error);
    if (!scenario) {
      return nullptr;
    }
    config = WithScenario(config, std::make_shared<const SimScenario>(std::move(*scenario)));
  }
  return std::make_shared<SimulatedAdapter>(config);
}

}  // namespace padscope
