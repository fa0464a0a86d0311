// The tuning tools' logic without widgets: frame marks across compaction,
// the guided measurement's steps, the analysis of a range kept up to date in
// slices, and sending recommended thresholds.
#include <gtest/gtest.h>

#include <cstdio>

#include "analysis/AnalysisReport.h"
#include "capture/CaptureContext.h"
#include "common/ChartBuilder.h"
#include "common/MessageLogRecorder.h"
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

AnalysisFrame Frame(uint32_t ms, uint16_t keys, bool decoded = true) {
  AnalysisFrame f;
  f.decoded = decoded;
  f.channels = 16;
  f.timestamp = ms;
  f.keys = keys;
  return f;
}

TEST(GuidedWalk, StepsNeedUnbrokenStretchesAndCanBeSkipped) {
  GuidedWalk walk({0, 3}, {100, 50});
  int64_t position = 40;
  const auto add = [&](uint32_t ms, uint16_t keys, bool decoded = true) {
    walk.Add(Frame(ms, keys, decoded), position++);
  };
  for (uint32_t t = 0; t <= 60; t += 10) {
    add(t, 0);
  }
  EXPECT_DOUBLE_EQ(walk.Progress(), 0.6);
  add(70, 1u << 9);  // any key starts the quiet stretch again
  EXPECT_DOUBLE_EQ(walk.Progress(), 0.0);
  for (uint32_t t = 80; t <= 170; t += 10) {
    add(t, 0);
  }
  add(175, 0, false);  // counts for nothing
  EXPECT_EQ(walk.StepIndex(), 0);
  add(180, 0);
  ASSERT_EQ(walk.Current().kind, GuidedWalk::StepKind::Touch);
  EXPECT_EQ(walk.Current().channel, 0);

  add(190, 1u << 3);  // another key than the one asked for
  for (uint32_t t = 200; t <= 220; t += 10) {
    add(t, 1);
  }
  add(230, 0);  // let go too early
  EXPECT_DOUBLE_EQ(walk.Progress(), 0.0);
  for (uint32_t t = 240; t <= 290; t += 10) {
    add(t, 1 | (1u << 3));
  }
  EXPECT_EQ(walk.Current().channel, 3);
  walk.Skip();
  EXPECT_TRUE(walk.Finished());
  using O = GuidedWalk::Outcome;
  EXPECT_EQ(walk.Outcomes(), (std::vector<O>{O::Measured, O::Measured, O::Skipped}));
  add(300, 0);  // after the end nothing more is taken
  EXPECT_EQ(walk.FirstPosition(), 40);
  EXPECT_EQ(walk.LastPosition(), position - 2);
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
