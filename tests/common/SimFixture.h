#pragma once

// Shared set-up for tests that talk to the simulated adapter through HidAdapter.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "link/HidAdapter.h"
#include "sim/SimulatedAdapter.h"

namespace padscope::test {

// A simulated adapter that answers as fast as it is read, with an erase that
// finishes at once.
inline SimConfig FastSimConfig(SimModel model = SimModel::Pelmira) {
  SimConfig c;
  c.model = model;
  c.framesPerSecond = 0;
  c.eraseMs = 0;
  return c;
}

// A simulated adapter and a HidAdapter over it.
struct SimAdapter {
  explicit SimAdapter(SimConfig config = FastSimConfig())
      : sim(std::make_shared<SimulatedAdapter>(config)), adapter(sim) {
    adapter.SetStreamTimeoutMs(100);
    adapter.SetReplyTimeoutMs(100);
  }

  static SimConfig FastConfig(SimModel model = SimModel::Pelmira) { return FastSimConfig(model); }

  // Reports the host wrote on one channel since the last ClearReports.
  std::vector<std::vector<uint8_t>> Written(SimChannel channel) const {
    std::vector<std::vector<uint8_t>> out;
    for (const SimReport& r : sim->Reports()) {
      if (r.toAdapter && r.channel == channel) {
        out.push_back(r.bytes);
      }
    }
    return out;
  }

  std::shared_ptr<SimulatedAdapter> sim;
  HidAdapter adapter;
};

// The chip's value in the 16-bit word at raw[at], as the adapter encoded it
// (read without the program's decoder).
inline int WireValue(const uint8_t* raw, int at, SimValueEncoding encoding) {
  const int word = (raw[at] << 8) | raw[at + 1];
  return encoding == SimValueEncoding::Offset ? word - 0x8000 : static_cast<int16_t>(word);
}

// Report id 0, then `payload`, zero-padded to `reportLength` bytes.
inline std::vector<uint8_t> Report(std::vector<uint8_t> payload, size_t reportLength = 65) {
  payload.insert(payload.begin(), 0);
  payload.resize(reportLength, 0);
  return payload;
}

}  // namespace padscope::test
