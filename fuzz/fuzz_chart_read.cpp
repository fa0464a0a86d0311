// A chart file of arbitrary bytes through buffer preparation and the common
// reading loop, into a buffer smaller than some charts (so it compacts), then
// through the tuning analysis and its four reports.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "FuzzInput.h"
#include "analysis/Analysis.h"
#include "analysis/AnalysisReport.h"
#include "capture/CaptureContext.h"
#include "files/ChartFile.h"
#include "state/GlobalSettings.h"

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

  AnalysisOptions options;
  options.guardMs = 20.0 * ((mode >> 4) & 7);
  options.singleByteMode = (mode & 1) != 0;
  options.plotColumns = 40;
  const AnalysisResult a = AnalyzeBuffer(ctx, (mode >> 7) & 1, ctx.WriteIndex(), options);
  if (a.idleFrames > a.frames || a.frames > ctx.WriteIndex()) {
    __builtin_trap();
  }
  ReportInputs inputs;
  inputs.source = "fuzz";
  for (const ReportFormat f :
       {ReportFormat::Text, ReportFormat::Csv, ReportFormat::Json, ReportFormat::Html}) {
    (void)FormatAnalysisReport(a, f, inputs);
  }
  return 0;
}
