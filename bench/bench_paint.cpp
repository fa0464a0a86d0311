// One paint of each scope view at 1920 x 1080 with 16 channels over a full
// default buffer (1,638,400 frames), against the views' 40 ms timer period.
//
//   bench/bench_paint [rounds] [png-prefix]   (the prefix saves what was painted)
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "state/FrameFields.h"
#include "state/GlobalSettings.h"
#include "capture/CaptureContext.h"
#include "views/CViewKeyScope.h"
#include "views/CViewScope.h"

using namespace padscope;
using Clock = std::chrono::steady_clock;

namespace {

// A full buffer of a 16-channel stream, 10 ms apart, ending now.
void FillBuffer(CaptureContext& ctx) {
  ctx.AllocateFrames(kDefaultFrameCapacity);
  std::mt19937 rng(5);
  uint8_t raw[64] = {};
  raw[2] = 0x10;
  const int n = kDefaultFrameCapacity - 1;
  for (int i = 0; i < n; ++i) {
    for (int ch = 0; ch < 16; ++ch) {
      const int v = 2000 + ch * 100 + static_cast<int>(rng() % 50) + ((i / 300) % 2) * 200;
      raw[3 + 2 * ch] = static_cast<uint8_t>(v >> 8);
      raw[4 + 2 * ch] = static_cast<uint8_t>(v);
      raw[35 + ch] = static_cast<uint8_t>(rng() % 120);
    }
    raw[0] = static_cast<uint8_t>(rng());
    ctx.writeIndex = i;
    std::memcpy(ctx.FrameForWrite(i)->raw, raw, 64);
    ctx.layoutStreak = 10;
    ctx.candidateLayout = 3;
    ctx.DecodeFrame(1);
  }
  for (int i = 0; i < n; ++i) {
    ctx.FrameForWrite(i)->timestamp = static_cast<uint32_t>(i) * 10u;
  }
  ctx.writeIndex = n;
  ctx.lastSampleTime = static_cast<uint32_t>(n - 1) * 10u;
  ctx.frameLayout = 3;
}

template <typename View>
double MedianPaintMs(View& view, int rounds) {
  std::vector<double> ms;
  for (int r = 0; r < rounds; ++r) {
    const auto start = Clock::now();
    view.Refresh();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  QApplication app(argc, argv);
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
  CaptureContext ctx;
  FillBuffer(ctx);
  // Every channel shown, the raw window around the values (display units are
  // value + the coordinate base of 2000).
  GlobalSettings& settings = GlobalSettings::Instance();
  for (ChannelConfig& ch : settings.channel) {
    ShowChannel(ch);
  }
  settings.rangeMin = 3900;
  settings.rangeMax = 6000;
  FrameFields fields;
  CViewScope scope(ctx, fields);
  CViewKeyScope keyScope(ctx, fields);
  scope.resize(1920, 1080);
  keyScope.resize(1920, 1080);
  scope.show();
  keyScope.show();
  QApplication::processEvents();
  if (argc > 2) {
    scope.surface().copy(0, 0, 1920, 1080).save(QString(argv[2]) + "-scope.png");
    keyScope.surface().copy(0, 0, 1920, 1080).save(QString(argv[2]) + "-keyscope.png");
  }
  constexpr double kTimerMs = 40.0;
  const double scopeMs = MedianPaintMs(scope, rounds);
  const double keyMs = MedianPaintMs(keyScope, rounds);
  std::printf("paint at 1920x1080, 16 channels, %d frames, median of %d\n", ctx.WriteIndex(),
              rounds);
  std::printf("CViewScope:    %7.2f ms  (%.1f%% of the 40 ms period)\n", scopeMs,
              scopeMs / kTimerMs * 100);
  std::printf("CViewKeyScope: %7.2f ms  (%.1f%% of the 40 ms period)\n", keyMs,
              keyMs / kTimerMs * 100);
  return 0;
}
