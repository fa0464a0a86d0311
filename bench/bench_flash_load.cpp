// Load flash data of a full 8 MiB recording (131,072 frames) from the
// simulated adapter, against streaming the same frames with plain reads in
// the same run (into one buffer, and into the capture buffer's frames), and
// how responsive the flash page's window stayed meanwhile (the longest gap
// between two turns of its event loop, seen by a 5 ms timer).
//
// Each figure is the best of five interleaved runs, as the machine may be busy.
//
//   bench/bench_flash_load [frames]
#include <QApplication>
#include <QPushButton>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "capture/CaptureContext.h"
#include "flash/FlashLoader.h"
#include "link/HidAdapter.h"
#include "link/Opcodes.h"
#include "platform/RecordingPrompt.h"
#include "sim/SimulatedAdapter.h"
#include "ui/dialogs/CDlgUtil.h"

using namespace padscope;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRuns = 5;

double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Streams `frames` frames of the flash with nothing else going on.
double PlainReadSeconds(HidAdapter& adapter, int frames) {
  std::vector<uint8_t> frame(kStreamPayloadLength);
  adapter.SendOpcodeWithByte(kOpStartFlashDumpP, 0);
  const auto start = Clock::now();
  for (int i = 0; i < frames; ++i) {
    if (!adapter.ReadStream(frame.data(), kStreamPayloadLength)) {
      std::fprintf(stderr, "read %d failed\n", i);
      break;
    }
  }
  const double seconds = Seconds(start);
  adapter.EndFlashDumpP();
  return seconds;
}

// The same reads, each into the next frame of the capture buffer: what a load
// cannot avoid, since every frame has to land there.
double BufferReadSeconds(HidAdapter& adapter, CaptureContext& ctx, int frames) {
  adapter.SendOpcodeWithByte(kOpStartFlashDumpP, 0);
  const auto start = Clock::now();
  for (int i = 0; i < frames; ++i) {
    SampleFrame* frame = ctx.FrameForWrite(i);
    if (frame == nullptr || !adapter.ReadStream(frame->raw, kStreamPayloadLength)) {
      std::fprintf(stderr, "read %d failed\n", i);
      break;
    }
  }
  const double seconds = Seconds(start);
  adapter.EndFlashDumpP();
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  QApplication app(argc, argv);
  const int frames = argc > 1 ? std::atoi(argv[1]) : 0x20000;
  SetPrompt(std::make_shared<RecordingPrompt>());

  SimConfig config;
  config.framesPerSecond = 0;
  config.flashSizeCode = 0x80;
  config.recordReports = false;
  auto sim = std::make_shared<SimulatedAdapter>(config);
  sim->RecordFramesToFlash(frames);
  HidAdapter adapter(sim);
  if (!adapter.Connect()) {
    std::fprintf(stderr, "no simulated adapter\n");
    return 1;
  }
  PlainReadSeconds(adapter, frames);  // warm up
  CaptureContext ctx;
  ctx.AllocateFrames(std::max(frames, 0x20000));
  std::atomic<bool> present{true};
  CDlgUtil dialog(FlashPageContext{ctx, adapter, present, [] { return 0x20000; }, {}, {}});
  dialog.show();
  QApplication::processEvents();
  double longestGapMs = 0;
  int turns = 0;
  auto lastTurn = Clock::now();
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    const auto now = Clock::now();
    longestGapMs =
        std::max(longestGapMs, std::chrono::duration<double, std::milli>(now - lastTurn).count());
    lastTurn = now;
    ++turns;
  });

  // The three are interleaved so that a busy spell of the machine hits each alike.
  double plain = 1e9;
  double buffer = 1e9;
  double core = 1e9;
  double page = 1e9;
  int coreFrames = 0;
  for (int run = 0; run < kRuns; ++run) {
    const double plainRun = PlainReadSeconds(adapter, frames);
    plain = std::min(plain, plainRun);
    const double bufferRun = BufferReadSeconds(adapter, ctx, frames);
    buffer = std::min(buffer, bufferRun);

    ctx.writeIndex = 0;
    FlashLoader loader;
    auto start = Clock::now();
    loader.Run(adapter, ctx);
    const double coreRun = Seconds(start);
    core = std::min(core, coreRun);
    coreFrames = ctx.WriteIndex();

    turns = 0;
    timer.start(5);
    lastTurn = Clock::now();
    start = Clock::now();
    dialog.page()->loadButton()->click();
    const double pageRun = Seconds(start);
    page = std::min(page, pageRun);
    std::printf(
        "run %d: plain %.3f s, into buffer %.3f s, loader %.3f s, page %.3f s (%d frames)\n", run,
        plainRun, bufferRun, coreRun, pageRun, ctx.WriteIndex());
    timer.stop();
  }

  std::printf("flash of %d frames (%.1f MiB), simulated adapter as fast as read\n", frames,
              frames * 64 / 1048576.0);
  std::printf("plain stream reads:        %8.3f s  (%.0f frames/s)\n", plain, frames / plain);
  std::printf("reads into the buffer:     %8.3f s  (ratio %.2f)\n", buffer, buffer / plain);
  std::printf(
      "loader thread alone:       %8.3f s  (ratio %.2f; %.2f to reads into the buffer; %d "
      "frames)\n",
      core, core / plain, core / buffer, coreFrames);
  std::printf(
      "Load flash data (page):    %8.3f s  (ratio %.2f; %.2f to reads into the buffer; %d "
      "frames)\n",
      page, page / plain, page / buffer, ctx.WriteIndex());
  std::printf("event-loop turns during the last load: %d; longest gap in any load %.1f ms\n", turns,
              longestGapMs);
  std::printf("log pane lines kept: %d\n", dialog.page()->logPane()->document()->blockCount());
  return 0;
}
