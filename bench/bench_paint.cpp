// One paint of each scope view at 1920 x 1080 with 16 channels over a full
// default buffer (1,638,400 frames, 10 ms apart), drawn from the runs of
// frames per column against the walk that joins every frame to the next (the
// way the views drew before), in the same run: with the whole buffer on
// screen, and with a span of 2,000 frames. Then the paints while the frames
// keep arriving (100 a second), in seconds that alternate between the Tuning
// panel closed and open and updating once a second as its timer does, with the
// panel's own update and its reading of the whole buffer in slices.
//
//   bench/bench_paint [paints per round] [png-prefix|-] [span|live seconds]
//   (a prefix saves what was painted; "span" measures only the 2,000 frames;
//   the live part lasts 4 seconds unless given)
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "capture/CaptureContext.h"
#include "link/HidAdapter.h"
#include "sim/SimulatedAdapter.h"
#include "state/FrameFields.h"
#include "state/GlobalSettings.h"
#include "ui/views/CTuningPanel.h"
#include "ui/views/CViewKeyScope.h"
#include "ui/views/CViewScope.h"

using namespace padscope;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kWidth = 1920;
constexpr int kRounds = 3;
constexpr uint32_t kFrameMs = 10;
constexpr int kFramesPerTimerPeriod = 4;  // 100 frames a second
constexpr int kRoundsPerSecond = 25;
// The live rounds start this many frames before the end of the buffer.
constexpr int kLiveReserve = 100000;

// A full buffer of a 16-channel stream, 10 ms apart; a key is touched now and
// then so that the analysis has something to measure.
void FillBuffer(CaptureContext& ctx) {
  ctx.AllocateFrames(kDefaultFrameCapacity);
  std::mt19937 rng(5);
  uint8_t raw[64] = {};
  raw[2] = 0x10;
  ctx.layoutStreak = 10;
  ctx.candidateLayout = 3;
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
    std::memcpy(ctx.FrameForWrite(i)->raw, raw, 64);
    ctx.DecodeFrame(1, static_cast<uint32_t>(i) * kFrameMs);
    ctx.CommitFrame(i);
  }
  ctx.lastSampleTime = static_cast<uint32_t>(n - 1) * kFrameMs;
  ctx.frameLayout = 3;
}

double Ms(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

double PaintMs(CScopeViewBase& view) {
  const auto start = Clock::now();
  view.Refresh();
  return Ms(start);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

// Three rounds; in each, `paints` paints the way the view chooses, by runs
// and by lines in turn. The figures are the medians over the rounds of each
// round's median; the ratios are the line walk's time over the others'.
void Measure(const char* name, CScopeViewBase& view, int paints) {
  using Walk = CScopeViewBase::TraceWalk;
  constexpr Walk kWalks[] = {Walk::kChoose, Walk::kRuns, Walk::kLines};
  std::vector<double> ms[3];
  std::vector<double> ratios[2];
  for (int r = 0; r < kRounds; ++r) {
    std::vector<double> round[3];
    for (int k = 0; k < paints; ++k) {
      for (int w = 0; w < 3; ++w) {
        view.SetTraceWalk(kWalks[w]);
        round[w].push_back(PaintMs(view));
      }
    }
    for (int w = 0; w < 3; ++w) {
      ms[w].push_back(Median(round[w]));
    }
    for (int w = 0; w < 2; ++w) {
      ratios[w].push_back(ms[2].back() / ms[w].back());
    }
  }
  view.SetTraceWalk(Walk::kChoose);
  std::printf("  %-14s chosen %8.2f ms  runs %8.2f ms  lines %8.2f ms\n", name, Median(ms[0]),
              Median(ms[1]), Median(ms[2]));
  for (int w = 0; w < 2; ++w) {
    std::printf("  %-14s lines/%s %6.2f  (rounds", "", w == 0 ? "chosen" : "runs  ",
                Median(ratios[w]));
    for (double q : ratios[w]) {
      std::printf(" %.2f", q);
    }
    std::printf(")\n");
  }
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
  const int paints = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
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
  scope.resize(kWidth, 1080);
  keyScope.resize(kWidth, 1080);
  scope.show();
  keyScope.show();
  QApplication::processEvents();

  // The trace area is 1,876 columns wide: 8,734 ms per column puts the whole
  // buffer on it, 10.66 ms a span of 2,000 frames.
  const float columns = static_cast<float>(kWidth - 44);
  struct Case {
    const char* what;
    float msPerPixel;
  };
  const Case cases[] = {
      {"whole buffer", static_cast<float>(ctx.WriteIndex()) * kFrameMs / columns},
      {"2,000 frames", 2000.0f * kFrameMs / columns},
  };
  std::printf("paint at %dx1080, 16 channels, %d frames %u ms apart, %d paints per round\n", kWidth,
              ctx.WriteIndex(), kFrameMs, paints);
  const float defaultMsPerPixel = ctx.msPerPixel;
  const bool spanOnly = argc > 3 && std::strcmp(argv[3], "span") == 0;
  for (const Case& c : cases) {
    if (spanOnly && &c == &cases[0]) {
      continue;
    }
    ctx.msPerPixel = c.msPerPixel;
    std::printf("%s on screen (%.3f ms per column):\n", c.what, c.msPerPixel);
    if (argc > 2 && std::strcmp(argv[2], "-") != 0) {
      for (bool lines : {false, true}) {
        const auto walk =
            lines ? CScopeViewBase::TraceWalk::kLines : CScopeViewBase::TraceWalk::kRuns;
        scope.SetTraceWalk(walk);
        keyScope.SetTraceWalk(walk);
        scope.Refresh();
        keyScope.Refresh();
        const QString suffix =
            QString("-%1-%2.png").arg(c.msPerPixel).arg(lines ? "lines" : "runs");
        scope.surface().copy(0, 0, kWidth, 1080).save(QString(argv[2]) + "-scope" + suffix);
        keyScope.surface().copy(0, 0, kWidth, 1080).save(QString(argv[2]) + "-keyscope" + suffix);
      }
      scope.SetTraceWalk(CScopeViewBase::TraceWalk::kChoose);
      keyScope.SetTraceWalk(CScopeViewBase::TraceWalk::kChoose);
    }
    Measure("CViewScope", scope, paints);
    Measure("CViewKeyScope", keyScope, paints);
  }
  if (spanOnly) {
    return 0;
  }
  ctx.msPerPixel = defaultMsPerPixel;

  // The same paints while frames arrive, without and with the Tuning panel
  // (its default range: the last 10 seconds of the capture).
  const int seconds = 2 * std::max(1, (argc > 3 ? std::atoi(argv[3]) : 4) / 2);
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
