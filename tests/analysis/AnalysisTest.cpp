// The tuning analysis on recordings of the scripted touch chip, whose truth
// the scenario states: touches found in the signal whatever the chip's bits
// say, and the chip's view counted against them.
#include <gtest/gtest.h>

#include <cmath>

#include "analysis/Analysis.h"
#include "analysis/AnalysisReport.h"
#include "capture/CaptureContext.h"
#include "common/ScenarioRecording.h"

namespace padscope {
namespace {

struct Board {
  CaptureContext ctx;
  AnalysisResult result;
  const ChannelResult& operator[](int k) const { return *result.Channel(k); }
};

// `seconds` of the scenario at `rate` frames a second, analysed whole.
std::unique_ptr<Board> Analyse(const std::string& scenario, double seconds, double rate = 100,
                               AnalysisOptions options = {}) {
  auto b = std::make_unique<Board>();
  test::RecordScenario(b->ctx, "rate " + std::to_string(rate) + "\n" + scenario, seconds);
  options.frameMs = 1000 / rate;
  b->result = AnalyzeBuffer(b->ctx, 0, b->ctx.WriteIndex() - 1, options);
  return b;
}

AnalysisOptions Thresholds(int t) {
  AnalysisOptions o;
  std::array<int32_t, kAnalysisChannels> all{};
  all.fill(t);
  o.thresholds = all;
  return o;
}

// A clean board: figures within what the script's noise allows, every touch
// found and reported, the neighbour's crosstalk measured and kept out of its
// own touches.
TEST(Analysis, FiguresOfAScriptedBoard) {
  const auto b = Analyse(
      "channel 0 baseline 900 noise 2 touch 120 every 1 from 0.5 for 0.3 crosstalk 1=0.25\n"
      "channel 1 baseline 1100 noise 3 touch 90 every 1 from 0.9 for 0.2\n"
      "channel 2 baseline 700 noise 4\n",
      10.2, 100, Thresholds(60));
  const ChannelResult& ch0 = (*b)[0];
  EXPECT_EQ(ch0.touches, 10);
  EXPECT_EQ(ch0.reported, 10);
  EXPECT_EQ(ch0.falseTouches, 0);
  EXPECT_EQ(ch0.polarity, Polarity::Up);
  EXPECT_NEAR(ch0.rawNoise, 4, 1);  // uniform within +-2
  EXPECT_NEAR(ch0.rawBaseline, 900, 0.5);
  EXPECT_NEAR(ch0.rawSignal, 120, 1);
  EXPECT_NEAR(ch0.snr, 30, 8);
  EXPECT_NEAR(*ch0.delayMs, 0, 10);
  EXPECT_EQ(ch0.verdict, Verdict::Pass);
  EXPECT_EQ(ch0.falseTouchMargin, 60 - ch0.idleMax);
  EXPECT_GT(*ch0.recommendedThreshold, ch0.idleMax);

  // CH0 moves CH1 by a quarter of its touch: not CH1's own touch.
  const ChannelResult& ch1 = (*b)[1];
  EXPECT_EQ(ch1.touches, 10);
  EXPECT_NEAR(ch1.rawSignal, 90, 1.5);
  const CrosstalkCell& x = b->result.crosstalk[0][1];
  EXPECT_NEAR(*x.percent, 25, 2);
  EXPECT_TRUE(x.flagged);
  EXPECT_EQ(x.fired, 0);
  EXPECT_LT(std::abs(*b->result.crosstalk[1][0].percent), 3);
  // Its threshold stays above what CH0's touches make of it.
  EXPECT_GT(*ch1.recommendedThreshold, ch1.crosstalkCeiling);
  EXPECT_EQ((*b)[2].verdict, Verdict::Untouched);
  EXPECT_FALSE(b->result.AllKeysPass());
}

// Why 1 and 2: a weak key under its chip threshold, a key that never moves,
// and firmware that sets no key bit.
TEST(Analysis, WeakDeadAndBitlessKeysFail) {
  const auto weak = Analyse(
      "channel 0 baseline 900 noise 3 touch 50 every 1 from 0.5 for 0.3\n"
      "channel 1 baseline 1100 noise 3 touch 100 every 1 from 0.2 for 0.2\n"
      "channel 2 baseline 700\n",
      10.2, 100, Thresholds(60));
  const ChannelResult& ch0 = (*weak)[0];
  EXPECT_EQ(ch0.touches, 10);
  EXPECT_EQ(ch0.missed, 10);
  EXPECT_NEAR(ch0.rawNoise, 6, 1.5);  // not the touches' 50
  EXPECT_TRUE(ch0.recommendedThreshold.has_value());
  EXPECT_LT(*ch0.recommendedThreshold, 50);
  EXPECT_LT(*ch0.detectionMargin, 0);
  EXPECT_EQ(ch0.verdict, Verdict::Fail);
  EXPECT_EQ(ch0.reasons, kReasonMissed | kReasonDetectionMargin);
  EXPECT_EQ((*weak)[1].verdict, Verdict::Pass);
  EXPECT_EQ((*weak)[2].verdict, Verdict::Dead);

  const auto bitless = Analyse(
      "keybits off\nchannel 1 baseline 1100 noise 3 touch 100 every 1 from 0.5 for 0.2\n", 5.2);
  EXPECT_FALSE(bitless->result.keyBits);
  EXPECT_EQ((*bitless)[1].touches, 5);
  EXPECT_EQ((*bitless)[1].missed, 5);
  EXPECT_EQ((*bitless)[1].verdict, Verdict::Fail);
  EXPECT_FALSE(bitless->result.AllKeysPass());
}

// Why 3: 70 % of CH4's touch reaches CH5 and fires its bit.
TEST(Analysis, CrosstalkThatFiresANeighbour) {
  const auto b = Analyse(
      "channel 4 baseline 900 noise 2 touch 100 every 1 from 0.3 for 0.2 crosstalk 5=0.7\n"
      "channel 5 baseline 950 noise 2 touch 100 every 1 from 0.7 for 0.2\n",
      8.2, 100, Thresholds(60));
  const CrosstalkCell& x = b->result.crosstalk[4][5];
  ASSERT_TRUE(x.measured);
  EXPECT_NEAR(*x.percent, 70, 3);
  EXPECT_EQ(x.fired, 8);
  EXPECT_TRUE(x.flagged);
  const ChannelResult& ch4 = (*b)[4];
  const ChannelResult& ch5 = (*b)[5];
  EXPECT_EQ(ch4.touches, 8);
  EXPECT_EQ(ch5.touches, 8);  // its own, not CH4's
  EXPECT_EQ(ch5.falseTouches, 8);
  EXPECT_EQ(ch5.crosstalkFrom, 4);
  EXPECT_EQ(ch5.verdict, Verdict::Fail);
  EXPECT_EQ(ch4.verdict, Verdict::Pass);
  // No lower threshold for the key the crosstalk fires: above what it reaches.
  ASSERT_TRUE(ch5.recommendedThreshold.has_value());
  EXPECT_GT(*ch5.recommendedThreshold, ch5.crosstalkCeiling);
  EXPECT_GE(ch5.crosstalkCeiling, 68);
  EXPECT_GE(*ch5.recommendedThreshold, 60);
}

// Why 4 and 5: the verdict's SNR is taken on raw counts, which neither a
// clipped byte nor a noise gate change; spikes above the threshold are
// false touches, those below it leave the key alone.
TEST(Analysis, RawSnrAndSpikes) {
  const auto b = Analyse(
      "channel 0 baseline 900 noise 6 touch 40 every 1 from 0.05 for 0.15\n"
      "channel 1 baseline 900 noise 6 touch 40 every 1 from 0.25 for 0.15 gate 10\n"
      "channel 2 baseline 800 noise 2 touch 100 every 1 from 0.45 for 0.1 spikes 90 every 1 "
      "from 0.85\n"
      "channel 3 baseline 800 noise 2 touch 100 every 1 from 0.6 for 0.1 spikes 40 every 1 "
      "from 0.85\n",
      10.2, 100, Thresholds(30));
  EXPECT_NEAR((*b)[0].snr, 40.0 / 12, 0.6);
  EXPECT_GT((*b)[0].outputSnr, 1.5 * (*b)[0].snr);  // half the noise cut off at 0
  EXPECT_EQ((*b)[1].outputSnr, std::numeric_limits<double>::infinity());
  EXPECT_NEAR((*b)[1].snr, 40.0 / 12, 0.6);
  for (int k : {0, 1}) {
    EXPECT_EQ((*b)[k].verdict, Verdict::Fail);
    EXPECT_EQ((*b)[k].reasons & kReasonLowSnr, kReasonLowSnr);
  }
  EXPECT_EQ((*b)[2].falseTouches, 10);
  EXPECT_EQ((*b)[2].spikes, 10);
  EXPECT_EQ((*b)[2].verdict, Verdict::Fail);
  EXPECT_EQ((*b)[3].falseTouches, 0);
  EXPECT_NEAR((*b)[3].rawNoise, 4, 1);
  EXPECT_EQ((*b)[3].verdict, Verdict::Pass);
}

// Why 6 and 7: a bit that chatters at its threshold, and a key held for the
// whole recording, which leaves the other keys' figures as they are.
TEST(Analysis, ChatterAndAStuckKey) {
  const std::string keys =
      "channel 0 baseline 900 noise 4 touch 62 every 1 from 0.5 for 0.4\n"
      "channel 1 baseline 1100 noise 3 touch 90 every 1 from 0.2 for 0.2\n";
  const auto b =
      Analyse(keys + "channel 3 baseline 800 noise 2 stuck 150\n", 10.2, 100, Thresholds(60));
  const ChannelResult& ch0 = (*b)[0];
  EXPECT_EQ(ch0.touches, 10);
  EXPECT_GT(ch0.chatter, 10);
  EXPECT_LT(*ch0.detectionMargin, 0);
  EXPECT_EQ(ch0.verdict, Verdict::Fail);
  EXPECT_EQ((*b)[3].verdict, Verdict::Stuck);

  const auto without = Analyse(keys, 10.2, 100, Thresholds(60));
  const std::string csv = FormatAnalysisCsv(b->result);
  const std::string free = FormatAnalysisCsv(without->result);
  for (const char* key : {"\n0,", "\n1,"}) {
    EXPECT_EQ(csv.substr(csv.find(key), csv.find('\n', csv.find(key) + 1) - csv.find(key)),
              free.substr(free.find(key), free.find('\n', free.find(key) + 1) - free.find(key)));
  }
  EXPECT_EQ((*without)[1].verdict, Verdict::Pass);
}

// Why 8: drift and chip restarts do not make the noise; nor does the length
// of the recording.
TEST(Analysis, DriftAndRestartsLeaveTheNoise) {
  const std::string key = "channel 0 baseline 900 noise 3 touch 80 every 2 from 1 for 0.3";
  const auto still = Analyse(key + "\n", 30);
  const auto moving = Analyse(key + " drift 120 restart 10=-600 20=400\n", 60);
  const auto longer = Analyse(key + "\n", 300);
  const double noise = (*still)[0].rawNoise;
  EXPECT_NEAR(noise, 6, 1.2);
  EXPECT_NEAR((*moving)[0].rawNoise, noise, 0.2 * noise);
  EXPECT_NEAR((*longer)[0].rawNoise, noise, 0.2 * noise);
  EXPECT_NEAR((*moving)[0].driftPerMinute, 120, 15);
  EXPECT_GE((*moving)[0].restarts, 2);
  EXPECT_EQ((*moving)[0].verdict, Verdict::Pass);
}

// Why 9 and the detector's promise: touches of three times the idle peak to
// peak lasting 60 ms are found at 50 to 1,000 frames a second; idle noise
// with spikes shorter than a touch gives none.
TEST(Analysis, ShortTapsAtEveryRate) {
  for (const double rate : {50.0, 100.0, 1000.0}) {
    SCOPED_TRACE(rate);
    const auto b = Analyse(
        "seed 4\n"
        "channel 0 baseline 900 noise 5 touch 30 every 0.5 from 0.95 for 0.06\n"
        "channel 1 baseline 900 noise 5 spikes 40 every 0.3 from 0.4\n"
        "channel 2 baseline 900 noise 5 spikes -40 every 0.7 from 0.5\n",
        6.05, rate);
    EXPECT_EQ((*b)[0].touches, 11);
    EXPECT_EQ((*b)[0].missed, 11);  // 30 counts: under the chip's 60
    EXPECT_NEAR((*b)[0].rawSignal, 30, 3);
    EXPECT_EQ((*b)[1].touches, 0);
    EXPECT_EQ((*b)[2].touches, 0);
    EXPECT_NEAR((*b)[1].rawNoise, 10, 2.5);
  }
}

}  // namespace
}  // namespace padscope
