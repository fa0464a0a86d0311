// Streaming reads per second from the simulated adapter (as fast as read):
// straight from the simulated device (the baseline) and through
// HidAdapter::ReadStream with its lock, framing and copy. The ratio of the two
// is the link's own cost per 64-byte frame.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>

#include "link/HidAdapter.h"
#include "link/Opcodes.h"
#include "sim/SimulatedAdapter.h"

namespace padscope {
namespace {

SimConfig BenchConfig(int reportLength) {
  SimConfig c;
  c.framesPerSecond = 0;
  c.recordReports = false;
  c.inputReportLength = reportLength;
  return c;
}

void BM_SimDeviceRead(benchmark::State& state) {
  const int reportLength = static_cast<int>(state.range(0));
  auto sim = std::make_shared<SimulatedAdapter>(BenchConfig(reportLength));
  HidAdapter adapter(sim);
  if (!adapter.Connect() || !adapter.SendOpcodeWithByte(kOpStartStreamP, 0)) {
    state.SkipWithError("no simulated adapter");
    return;
  }
  HidDeviceInfo data;
  for (const HidDeviceInfo& info : sim->Enumerate()) {
    if (info.usagePage == kDataUsagePage) {
      data = info;
    }
  }
  auto device = sim->Open(data);
  std::vector<uint8_t> report(static_cast<size_t>(reportLength));
  const int reportsPerFrame = (kStreamPayloadLength + reportLength - 2) / (reportLength - 1);
  for (auto _ : state) {
    for (int r = 0; r < reportsPerFrame; ++r) {
      benchmark::DoNotOptimize(device->Read(report.data(), report.size(), 100));
    }
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_AdapterReadStream(benchmark::State& state) {
  auto sim = std::make_shared<SimulatedAdapter>(BenchConfig(static_cast<int>(state.range(0))));
  HidAdapter adapter(sim);
  if (!adapter.Connect() || !adapter.SendOpcodeWithByte(kOpStartStreamP, 0)) {
    state.SkipWithError("no simulated adapter");
    return;
  }
  std::array<uint8_t, kStreamPayloadLength> frame{};
  int64_t failures = 0;
  for (auto _ : state) {
    failures += adapter.ReadStream(frame.data(), kStreamPayloadLength) ? 0 : 1;
    benchmark::DoNotOptimize(frame.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["failed"] = static_cast<double>(failures);
}

BENCHMARK(BM_SimDeviceRead)->Arg(65)->Arg(9);
BENCHMARK(BM_AdapterReadStream)->Arg(65)->Arg(9);

}  // namespace
}  // namespace padscope

BENCHMARK_MAIN();
