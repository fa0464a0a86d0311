// One paint of each scope view at 1920 x 1080 with 16 channels over a full
// default buffer (1,638,400 frames), against the views' 40 ms timer period;
// then the same paints while the frames keep arriving (100 a second), in
// seconds that alternate between the Tuning panel closed and open and
// updating once a second as its timer does, with the panel's own update and
// its reading of the whole buffer in slices.
//
//   bench/bench_paint [rounds] [png-prefix]   (the prefix saves what was painted)
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>

#include "capture/CaptureContext.h"
#include "link/HidAdapter.h"
#include "sim/SimulatedAdapter.h"
#include "state/FrameFields.h"
#include "state/GlobalSettings.h"
#include "views/CTuningPanel.h"
#include "views/CViewKeyScope.h"
#include "views/CViewScope.h"

using namespace padscope;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kTimerMs = 40.0;
constexpr int kFramesPerTimerPeriod = 4;  // 100 frames a second
constexpr int kRoundsPerSecond = 25;
// The live rounds start this many frames before the end of the buffer.
constexpr int kLiveReserve = 100000;

// A full buffer of a 16-channel stream, 10 ms apart, ending now; a key is
// touched now and then so that the analysis has something to measure.
void FillBuffer(CaptureContext& ctx) {
  ctx.AllocateFrames(kDefaultFrameCapacity);
  std::mt19937 rng(5);
  uint8_t raw[64] = {};
  raw[2] = 0x10;
  const int n = kDefaultFrameCapacity - 1;
  for (int i = 0; i < n; ++i) {
    const bool touched = (i / 300) % 2 == 1;
    for (int ch = 0; ch < 16; ++ch) {
      const int v = 2000 + ch * 100 + static_cast<int>(rng() % 50) + (touched ? 200 : 0);
      raw[3 + 2 * ch] = static_cast<uint8_t>(v >> 8);
      raw[4 + 2 * ch] = static_cast<uint8_t>(v);
      raw[35 + ch] = static_cast<uint8_t>(rng() % 120);
    }
    // The random number the key byte once took is still drawn, so the values
    // stay those of the earlier figures.
    rng();
    raw[0] = static_cast<uint8_t>(touched ? 1u << ((i / 600) % 8) : 0);
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

double Ms(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

template <typename View>
double MedianPaintMs(View& view, int rounds) {
  std::vector<double> ms;
  for (int r = 0; r < rounds; ++r) {
    const auto start = Clock::now();
    view.Refresh();
    ms.push_back(Ms(start));
  }
  return Median(ms);
}

struct LiveFigures {
  double scopeMs[2] = {0, 0};  // without the panel, with it
  double keyScopeMs[2] = {0, 0};
  double panelMs = 0;  // median of the panel's once-a-second updates
};

// Paints both views once per timer period while frames arrive, for `seconds`
// seconds that alternate between the panel closed and the panel open and
// updating once a second as its timer would, so that both see the same
// machine.
LiveFigures LiveRounds(CaptureContext& ctx, CViewScope& scope, CViewKeyScope& keyScope,
                       CTuningPanel& panel, int seconds) {
  std::vector<double> scopeMs[2];
  std::vector<double> keyMs[2];
  std::vector<double> panelMs;
  ctx.writeIndex = kDefaultFrameCapacity - 1 - kLiveReserve;
  for (int second = 0; second < seconds; ++second) {
    const int with = second % 2;
    panel.setVisible(with == 1);
    QApplication::processEvents();
    for (int r = 0; r < kRoundsPerSecond; ++r) {
      const int n = ctx.WriteIndex() + kFramesPerTimerPeriod;
      ctx.writeIndex = n;
      ctx.lastSampleTime = ctx.FrameAt(n - 1)->timestamp;
      if (with == 1 && r == 0) {
        const auto start = Clock::now();
        panel.UpdateAnalysis();
        QApplication::processEvents();  // and the panel's own repaint
        panelMs.push_back(Ms(start));
      }
      auto start = Clock::now();
      scope.Refresh();
      scopeMs[with].push_back(Ms(start));
      start = Clock::now();
      keyScope.Refresh();
      keyMs[with].push_back(Ms(start));
    }
  }
  LiveFigures f;
  for (int with : {0, 1}) {
    f.scopeMs[with] = Median(scopeMs[with]);
    f.keyScopeMs[with] = Median(keyMs[with]);
  }
  f.panelMs = Median(panelMs);
  return f;
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
  const double scopeMs = MedianPaintMs(scope, rounds);
  const double keyMs = MedianPaintMs(keyScope, rounds);
  std::printf("paint at 1920x1080, 16 channels, %d frames, median of %d\n", ctx.WriteIndex(),
              rounds);
  std::printf("CViewScope:    %7.2f ms  (%.1f%% of the 40 ms period)\n", scopeMs,
              scopeMs / kTimerMs * 100);
  std::printf("CViewKeyScope: %7.2f ms  (%.1f%% of the 40 ms period)\n", keyMs,
              keyMs / kTimerMs * 100);

  // The same paints while frames arrive, without and with the Tuning panel
  // (its default range: the last 10 seconds of the capture).
  const int seconds = 2 * std::max(2, rounds / kRoundsPerSecond);
  HidAdapter adapter(std::make_shared<SimulatedAdapter>());
  CTuningPanel panel(ctx, adapter, scope);
  panel.resize(1920, 300);
  panel.ShowTab(CTuningPanel::kAnalysisTab);
  const LiveFigures live = LiveRounds(ctx, scope, keyScope, panel, seconds);
  std::printf("live, %d s at 100 frames/s alternating, median per paint: panel closed / open\n",
              seconds);
  std::printf("CViewScope:    %7.2f ms / %7.2f ms  (%.2fx)\n", live.scopeMs[0], live.scopeMs[1],
              live.scopeMs[1] / live.scopeMs[0]);
  std::printf("CViewKeyScope: %7.2f ms / %7.2f ms  (%.2fx)\n", live.keyScopeMs[0],
              live.keyScopeMs[1], live.keyScopeMs[1] / live.keyScopeMs[0]);
  std::printf("Tuning panel update (last 10 s, %zu keys): %.2f ms once a second (%.2f%% of it)\n",
              panel.Result() ? panel.Result()->channels.size() : size_t{0}, live.panelMs,
              live.panelMs / 10.0);

  // The whole buffer, read in the slices the panel takes between paints.
  panel.SetRangeKind(TuningRangeKind::WholeBuffer);
  std::vector<double> slices;
  do {
    const auto start = Clock::now();
    panel.UpdateAnalysis();
    slices.push_back(Ms(start));
  } while (panel.Result() && panel.Result()->lastFrame < ctx.WriteIndex() - 1);
  std::printf("Tuning panel, whole buffer: %zu slices, longest %.2f ms, median %.2f ms\n",
              slices.size(), *std::max_element(slices.begin(), slices.end()), Median(slices));
  return 0;
}
