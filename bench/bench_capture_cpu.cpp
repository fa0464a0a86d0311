// Processor time of a live capture at 1,000 frames a second from the
// simulated adapter: the real capture thread (read, decode, statistics,
// inheritance, compaction) against a plain thread that only reads the same
// stream through the link, both in this process for the same time. The
// simulated adapter's own cost of making frames is in both figures.
//
//   bench/bench_capture_cpu [seconds per run, default 5]
#include <sys/resource.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "state/GlobalSettings.h"
#include "capture/CaptureContext.h"
#include "capture/CaptureControl.h"
#include "capture/CaptureHost.h"
#include "link/HidAdapter.h"
#include "link/Opcodes.h"
#include "sim/SimulatedAdapter.h"

using namespace padscope;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kFramesPerSecond = 1000.0;

double ProcessCpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

std::shared_ptr<SimulatedAdapter> MakeSim() {
  SimConfig c;
  c.framesPerSecond = kFramesPerSecond;
  c.recordReports = false;
  return std::make_shared<SimulatedAdapter>(c);
}

class QuietHost : public CaptureHost {
 public:
  void ReportValueWidth(int) override {}
  void HideAutoBalanceButton() override {}
  void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  void PumpEvents() override {}
};

struct Run {
  double cpu = 0;
  double wall = 0;
  long frames = 0;
};

Run PlainReads(double seconds) {
  HidAdapter adapter(MakeSim());
  if (!adapter.Connect() || !adapter.SendOpcodeWithByte(kOpStartStreamP, 0)) {
    std::fprintf(stderr, "no simulated adapter\n");
    std::exit(1);
  }
  std::atomic<bool> stop{false};
  long frames = 0;
  const double cpu0 = ProcessCpuSeconds();
  const auto t0 = Clock::now();
  std::thread reader([&] {
    std::array<uint8_t, kStreamPayloadLength> frame{};
    while (!stop.load()) {
      frames += adapter.ReadStream(frame.data(), kStreamPayloadLength) ? 1 : 0;
    }
  });
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  stop = true;
  reader.join();
  return {ProcessCpuSeconds() - cpu0, std::chrono::duration<double>(Clock::now() - t0).count(),
          frames};
}

Run Capture(double seconds) {
  HidAdapter adapter(MakeSim());
  CaptureContext ctx;
  ctx.AllocateFrames(kDefaultFrameCapacity);
  // The adapter sets the pace: no sampling period of our own and no pause
  // between reads, so every frame it sends is captured.
  ctx.cycleSleepMs = 0;
  GlobalSettings::Instance().samplingTimes = 0;
  QuietHost host;
  const double cpu0 = ProcessCpuSeconds();
  const auto t0 = Clock::now();
  if (!StartCapture(ctx, adapter, host)) {
    std::fprintf(stderr, "capture did not start\n");
    std::exit(1);
  }
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const long frames = ctx.WriteIndex();
  StopCapture(ctx, adapter, host);
  return {ProcessCpuSeconds() - cpu0, std::chrono::duration<double>(Clock::now() - t0).count(),
          frames};
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::max(1.0, std::atof(argv[1])) : 5.0;
  GlobalSettings::Instance().highPrecisionSampling = 0;
  const Run plain = PlainReads(seconds);
  const Run capture = Capture(seconds);
  auto report = [](const char* name, const Run& r) {
    std::printf("%-12s %7ld frames in %.2f s (%.0f/s), CPU %.3f s = %.1f%% of one core\n", name,
                r.frames, r.wall, r.frames / r.wall, r.cpu, 100.0 * r.cpu / r.wall);
  };
  std::printf("live stream at %.0f frames/s from the simulated adapter\n", kFramesPerSecond);
  report("plain reads", plain);
  report("capture", capture);
  const double plainPerFrame = plain.cpu / static_cast<double>(std::max(1L, plain.frames));
  const double capturePerFrame = capture.cpu / static_cast<double>(std::max(1L, capture.frames));
  std::printf("capture CPU per frame: %.1f us, %.2fx the plain reads' %.1f us\n",
              capturePerFrame * 1e6, capturePerFrame / plainPerFrame, plainPerFrame * 1e6);
  return 0;
}
