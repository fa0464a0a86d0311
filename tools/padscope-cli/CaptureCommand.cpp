// `capture`: runs the real capture thread against the adapter and writes what
// it captured as a chart.
#include <chrono>
#include <cstdio>
#include <ostream>
#include <thread>

#include "CaptureRun.h"
#include "CliCommands.h"
#include "capture/CaptureContext.h"
#include "capture/CaptureControl.h"
#include "capture/CaptureHost.h"
#include "files/ChartFile.h"
#include "link/HidAdapter.h"
#include "state/GlobalSettings.h"
#include "state/SettingsFile.h"

namespace padscope {

namespace {

// Without a new frame for this long the capture is given up.
constexpr auto kStallLimit = std::chrono::seconds(5);
constexpr auto kProgressEvery = std::chrono::milliseconds(200);
constexpr auto kPollEvery = std::chrono::milliseconds(5);
// Room beyond the requested frames so that the buffer never compacts.
constexpr int kSpareFrames = 64;

// Keeps the last message the engine would show; the command reports it.
class ConsoleCaptureHost : public CaptureHost {
 public:
  void ReportValueWidth(int /*width*/) override {}
  void HideAutoBalanceButton() override {}
  void ShowMessage(const std::string& text) override { message_ = text; }
  void PumpEvents() override {}
  const std::string& Message() const { return message_; }

 private:
  std::string message_;
};

}  // namespace

LiveCaptureResult RunLiveCapture(CliContext& cli, CaptureContext& ctx,
                                 const std::function<bool(int, CaptureElapsed)>& done,
                                 const std::function<void(int, CaptureElapsed)>& progress) {
  LiveCaptureResult result;
  ConsoleCaptureHost host;
  // The width the settings last saw, which a Pelmira is asked to stream.
  host.doubleByteShown = GlobalSettings::Instance().singleByteMode == 1 ? 0 : 1;
  if (!StartCapture(ctx, cli.adapter, host)) {
    result.message = host.Message().empty() ? "NO device." : host.Message();
    return result;
  }
  result.started = true;

  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  int lastCount = -1;
  auto lastProgress = start;
  auto lastReport = Clock::time_point{};
  while (!ctx.threadFinished) {
    const int count = ctx.WriteIndex();
    const auto now = Clock::now();
    if (done(count, now - start)) {
      break;
    }
    if (count != lastCount) {
      lastCount = count;
      lastProgress = now;
    } else if (now - lastProgress > kStallLimit) {
      result.stalled = true;
      break;
    }
    if (now - lastReport >= kProgressEvery) {
      progress(count, now - start);
      lastReport = now;
    }
    std::this_thread::sleep_for(kPollEvery);
  }
  StopCapture(ctx, cli.adapter, host);
  result.message = host.Message();
  return result;
}

int CmdCapture(CliContext& cli, const std::vector<std::string>& args) {
  long long frames = 0;
  std::string output;
  for (size_t i = 0; i + 1 < args.size(); i += 2) {
    if (args[i] == "--frames" && ParseInteger(args[i + 1], 1, 1 << 28, frames)) {
      continue;
    }
    if (args[i] == "-o") {
      output = args[i + 1];
      continue;
    }
    frames = 0;
    break;
  }
  if (frames == 0 || output.empty() || args.size() != 4) {
    cli.err << "usage: capture --frames N -o FILE.tkchart\n";
    return 2;
  }

  LoadSettings();  // the state folder's settings, as the GUI would use them
  CaptureContext ctx;
  ctx.valueEncoding = cli.valueEncoding;
  if (!ctx.AllocateFrames(static_cast<int>(frames) + kSpareFrames)) {
    cli.err << "Memory allocate failed.\n";
    return 1;
  }
  const LiveCaptureResult run = RunLiveCapture(
      cli, ctx, [frames](int count, CaptureElapsed) { return count >= frames; },
      [&cli, frames](int count, CaptureElapsed) {
        cli.err << "\rcaptured " << count << "/" << frames << " frames" << std::flush;
      });
  if (!run.started) {
    cli.err << run.message << "\n";
    return 1;
  }
  const int captured = std::min<int>(ctx.WriteIndex(), static_cast<int>(frames));
  cli.err << "\rcaptured " << captured << "/" << frames << " frames\n";
  if (!run.message.empty()) {
    cli.err << run.message << "\n";
  }

  ctx.writeIndex = captured;
  if (!WriteChart(output, ctx)) {
    cli.err << "Tkchart file create failed.\n";
    return 1;
  }
  if (run.stalled || captured < frames) {
    cli.err << "read failed.\n";
    return 1;
  }
  return 0;
}

}  // namespace padscope
