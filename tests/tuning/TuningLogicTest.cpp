// The tuning tools' logic without widgets: frame marks across compaction,
// the guided measurement's steps, the analysis of a range kept up to date in
// slices, and sending recommended thresholds.
#include <gtest/gtest.h>

#include <cstdio>

#include "analysis/AnalysisReport.h"
#include "capture/CaptureContext.h"
#include "common/ChartBuilder.h"
#include "common/MessageLogRecorder.h"
#include "common/ScenarioRecording.h"
#include "common/SimFixture.h"
#include "files/ChartFile.h"
#include "state/GlobalSettings.h"
#include "tuning/GuidedWalk.h"
#include "tuning/RangeAnalysis.h"
#include "tuning/ThresholdApply.h"

namespace padscope {
namespace {

void Fill(CaptureContext& ctx, int frames) {
  for (int i = ctx.WriteIndex(); i < frames; ++i) {
    ctx.FrameForWrite(i)->timestamp = static_cast<uint32_t>(1000 + 10 * i);
    ctx.writeIndex = i + 1;
  }
}

TEST(FrameMarks, FollowCompactionAndEndWithNewContents) {
  CaptureContext ctx;
  ASSERT_TRUE(ctx.AllocateFrames(8));
  Fill(ctx, 8);
  const FrameMark early = MarkOf(ctx, 2);
  const FrameMark late = MarkOf(ctx, 5);
  EXPECT_EQ(IndexOf(ctx, late), 5);
  ctx.CompactFrames();  // frames 4..7 move to 0..3
  EXPECT_EQ(IndexOf(ctx, late), 1);
  EXPECT_EQ(IndexOf(ctx, early), std::nullopt);  // dropped
  Fill(ctx, 8);
  ctx.CompactFrames();
  EXPECT_EQ(IndexOf(ctx, late), std::nullopt);
  const FrameMark now = MarkOf(ctx, 3);
  ctx.ResetFrames();  // a new capture: the old marks name nothing, even where frames are
  Fill(ctx, 8);
  EXPECT_EQ(IndexOf(ctx, now), std::nullopt);
  EXPECT_EQ(IndexOf(ctx, MarkOf(ctx, 3)), 3);
}

// The walk on a board whose chip hides its faults: a weak key the chip never
// reports, a key whose bit chatters at its threshold, and a stuck key. It
// measures what the signal shows and names the faults instead of waiting.
TEST(GuidedWalk, StepsFollowTheSignalNotTheChipsBits) {
  CaptureContext ctx;
  test::RecordScenario(ctx,
                       "rate 100\n"
                       "channel 0 baseline 900 noise 3 touch 50 every 1 from 2.0 for 0.5\n"
                       "channel 1 baseline 1000 noise 4 touch 62 every 1 from 2.7 for 0.5\n"
                       "channel 3 baseline 800 noise 2 stuck 150\n",
                       5);
  GuidedWalk walk({0, 1, 3}, {1000, 300});
  AnalysisFrame frame;
  for (int i = 0; i < ctx.WriteIndex() && !walk.Finished(); ++i) {
    ReadAnalysisFrame(ctx, i, true, frame);
    walk.Add(frame, 40 + i);
    if (walk.Current().channel == 3) {
      walk.Skip();  // the stuck key cannot be touched more
    }
  }
  using O = GuidedWalk::Outcome;
  EXPECT_EQ(walk.Outcomes(),
            (std::vector<O>{O::Measured, O::NotReported, O::Measured, O::Skipped}));
  EXPECT_EQ(walk.StuckKeys(), 1u << 3);
  ASSERT_EQ(walk.Asked().size(), 2u);
  EXPECT_EQ(walk.Asked()[0].channel, 0);
  // CH0's touch from 2 s: the stretch starts there and lasts the hold.
  EXPECT_NEAR(static_cast<double>(walk.Asked()[0].from), 200 - 7, 3);
  EXPECT_NEAR(static_cast<double>(walk.Asked()[0].to - walk.Asked()[0].from), 30, 2);
  EXPECT_EQ(walk.Asked()[1].channel, 1);
  EXPECT_EQ(walk.FirstPosition(), 40);
}

// A chart's records read into a buffer, as a chart load does.
void Load(CaptureContext& ctx, const test::ChartBuilder& chart) {
  test::Bytes bytes = chart.Records();
  ASSERT_TRUE(ctx.AllocateFrames(4096));
  std::FILE* in = fmemopen(bytes.data(), bytes.size(), "rb");
  ChartReadHooks hooks;
  ReadChartRecords(in, ctx, 1, hooks);
  std::fclose(in);
}

std::string Csv(const std::optional<AnalysisResult>& r) {
  return r ? FormatAnalysisCsv(*r) : "none";
}

TEST(RangeAnalysis, ReadsInSlicesWhatOnePassFindsAndFollowsTheBuffer) {
  CaptureContext ctx;
  Load(ctx, test::KnownRecording());
  const int frames = ctx.WriteIndex();  // 51
  AnalysisOptions options;
  options.guardMs = 40;
  RangeAnalysis analysis;
  const TuningRange whole{TuningRangeKind::WholeBuffer, 10, {}, {}};

  // Three slices of 20 frames; the first two leave a partial result.
  ctx.writeIndex = 30;
  EXPECT_TRUE(analysis.Update(ctx, whole, options, 20));
  EXPECT_EQ(analysis.status(), RangeAnalysis::Status::Partial);
  EXPECT_DOUBLE_EQ(analysis.Progress(), 20.0 / 30);
  EXPECT_TRUE(analysis.Update(ctx, whole, options, 20));
  EXPECT_EQ(analysis.status(), RangeAnalysis::Status::Current);
  EXPECT_EQ(Csv(analysis.Result()), Csv(AnalyzeBuffer(ctx, 0, 29, options)));
  EXPECT_FALSE(analysis.Update(ctx, whole, options, 20));  // nothing new
  // Frames arriving are added to what was read.
  ctx.writeIndex = frames;
  EXPECT_TRUE(analysis.Update(ctx, whole, options, 30));
  EXPECT_EQ(analysis.Result()->lastFrame, frames - 1);
  EXPECT_EQ(Csv(analysis.Result()), Csv(AnalyzeBuffer(ctx, 0, frames - 1, options)));
  // Other options start again.
  options.thresholdAt = 0.25;
  analysis.Update(ctx, whole, options, 100);
  EXPECT_EQ(Csv(analysis.Result()), Csv(AnalyzeBuffer(ctx, 0, frames - 1, options)));

  // A fixed range by its marks; gone once the buffer holds something else.
  const TuningRange cursors{TuningRangeKind::Cursors, 10, MarkOf(ctx, 40), MarkOf(ctx, 11)};
  analysis.Update(ctx, cursors, options, 100);
  EXPECT_EQ(Csv(analysis.Result()), Csv(AnalyzeBuffer(ctx, 11, 40, options)));
  ctx.ResetFrames();
  EXPECT_TRUE(analysis.Update(ctx, cursors, options, 100));
  EXPECT_EQ(analysis.status(), RangeAnalysis::Status::Unavailable);
  EXPECT_FALSE(analysis.Result().has_value());

  // The last second of frames stamped 20 ms apart: the newest 51.
  Load(ctx, test::KnownRecording());
  EXPECT_EQ(FirstFrameOfLastSeconds(ctx, 1), frames - 51);
  ctx.FrameForWrite(frames - 1)->timestamp += 1;  // one millisecond more: one frame fewer
  EXPECT_EQ(FirstFrameOfLastSeconds(ctx, 1), frames - 50);
}

AnalysisResult Recommending(std::initializer_list<std::pair<int, int>> thresholds) {
  AnalysisResult r;
  for (int k = 0; k < 4; ++k) {
    ChannelResult c;
    c.channel = k;
    r.channels.push_back(c);
  }
  for (const auto& [channel, t] : thresholds) {
    r.channels[static_cast<size_t>(channel)].recommendedThreshold = t;
  }
  return r;
}

TEST(ThresholdApply, RefusesWithoutAMeasurementAndReportsEachChannel) {
  test::SimAdapter sim;
  CaptureContext ctx;
  GlobalSettings settings;
  test::MessageLogRecorder log;

  // Nothing recommended, or only for keys left out: nothing goes out.
  EXPECT_TRUE(
      SendRecommendedThresholds(Recommending({}), 0xFFFF, ctx, settings, sim.adapter).refused);
  EXPECT_TRUE(SendRecommendedThresholds(Recommending({{1, 50}}), 0x0001, ctx, settings, sim.adapter)
                  .refused);
  EXPECT_TRUE(sim.sim->Commands().empty());

  // A threshold that does not fit the chip's byte is not cut to one.
  ThresholdApplyOutcome out = SendRecommendedThresholds(Recommending({{0, 300}, {2, 70}}), 0xFFFF,
                                                        ctx, settings, sim.adapter);
  EXPECT_EQ(out.sent, 1);
  EXPECT_EQ(out.skipped, 1);
  EXPECT_EQ(sim.sim->Thresholds()[0], 60);
  EXPECT_EQ(sim.sim->Thresholds()[2], 70);
  EXPECT_EQ(settings.channel[0].threshold, 40);
  EXPECT_EQ(settings.channel[2].threshold, 70);
  EXPECT_TRUE(
      log.Contains("CH0: recommended threshold 300 does not fit the chip's byte; not sent."));

  // A failed transfer leaves that key's threshold as it was.
  settings.channel[3].thresholdDelta = 5;
  sim.sim->Unplug();
  out = SendRecommendedThresholds(Recommending({{3, 80}}), 0xFFFF, ctx, settings, sim.adapter);
  EXPECT_EQ(out.failed, 1);
  EXPECT_EQ(settings.channel[3].EffectiveThreshold(), 45);
  EXPECT_TRUE(log.Contains("Send recommended threshold of CH3 failed."));
}

}  // namespace
}  // namespace padscope
