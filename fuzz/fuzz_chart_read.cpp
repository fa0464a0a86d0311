// A chart file of arbitrary bytes through buffer preparation and the common
// reading loop, into a buffer smaller than some charts (so it compacts).
#include <cstdint>
#include <cstdio>
#include <vector>

#include "FuzzInput.h"
#include "state/GlobalSettings.h"
#include "capture/CaptureContext.h"
#include "files/ChartFile.h"

using namespace padscope;

namespace {

struct Hooks : ChartReadHooks {
  int dispatched = 0;
  int stopAfter = 0;
  bool ShouldStop() override { return stopAfter > 0 && dispatched >= stopAfter; }
  void DispatchEvent() override { ++dispatched; }
  void HideAutoBalanceButton() override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzInput in(data, size);
  const uint8_t mode = in.Take<uint8_t>();
  const auto chart = in.Rest();
  GlobalSettings settings;
  settings.bufferFrames = 1024 * (1 + (mode >> 4) % 2);
  CaptureContext ctx;
  if (PrepareChartBuffer(ctx, settings, chart.size()) != ChartBufferStatus::Ready) {
    return 0;
  }
  std::vector<uint8_t> copy(chart.begin(), chart.end());
  std::FILE* file = fmemopen(copy.empty() ? nullptr : copy.data(), copy.size(), "rb");
  if (file == nullptr) {
    return 0;
  }
  Hooks hooks;
  hooks.stopAfter = (mode >> 1) & 7;
  const ChartReadResult r = ReadChartRecords(file, ctx, mode & 1, hooks);
  std::fclose(file);
  if (r.accepted > r.recordsRead || ctx.WriteIndex() > ctx.frameCapacity) {
    __builtin_trap();
  }
  return 0;
}
