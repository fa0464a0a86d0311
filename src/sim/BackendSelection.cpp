#include "sim/BackendSelection.h"

#include <cstdlib>
#include <string>

#include "link/HidapiBackend.h"

namespace padscope {

std::optional<SimModel> ParseSimulateValue(std::string_view value) {
  if (value.empty() || value == "1" || value == "pelmira") {
    return SimModel::Pelmira;
  }
  if (value == "corvex") {
    return SimModel::Corvex;
  }
  return std::nullopt;
}

std::optional<SimModel> SimulateFromEnvironment() {
  const char* value = std::getenv("PADSCOPE_SIMULATE");
  if (value == nullptr || *value == '\0') {
    return std::nullopt;
  }
  return ParseSimulateValue(value);
}

std::shared_ptr<HidBackend> MakeBackend(std::optional<SimModel> simulate) {
  if (simulate) {
    SimConfig config;
    config.model = *simulate;
    return std::make_shared<SimulatedAdapter>(config);
  }
  return std::make_shared<HidapiBackend>();
}

}  // namespace padscope
