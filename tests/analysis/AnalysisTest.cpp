// The tuning analysis over charts whose figures are known by hand, read
// through the program's chart reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>

#include "analysis/Analysis.h"
#include "capture/CaptureContext.h"
#include "common/ChartBuilder.h"
#include "files/ChartFile.h"

namespace padscope {
namespace {

using test::ChartBuilder;

// A chart's records read into a buffer of its own, as a chart load does.
class LoadedBuffer {
 public:
  explicit LoadedBuffer(const ChartBuilder& chart, int singleByteMode = 1) {
    test::Bytes bytes = chart.Records();
    EXPECT_TRUE(ctx.AllocateFrames(4096));
    std::FILE* in = fmemopen(bytes.data(), bytes.size(), "rb");
    ChartReadHooks hooks;
    ReadChartRecords(in, ctx, singleByteMode, hooks);
    std::fclose(in);
  }
  CaptureContext ctx;
};

AnalysisOptions Guard2() {
  AnalysisOptions o;
  o.guard = 2;
  return o;
}

TEST(Analysis, FiguresOfAKnownRecording) {
  LoadedBuffer chart(test::KnownRecording());
  ASSERT_EQ(chart.ctx.WriteIndex(), 51);
  AnalysisOptions options = Guard2();
  std::array<int32_t, kAnalysisChannels> thresholds{};
  thresholds.fill(20);
  options.thresholds = thresholds;
  options.plotColumns = 5;
  const AnalysisResult r = AnalyzeBuffer(chart.ctx, 1, 50, options);

  EXPECT_EQ(r.frames, 50);
  EXPECT_EQ(r.idleFrames, 18);
  ASSERT_EQ(r.channels.size(), 16u);
  const ChannelResult& ch0 = r.channels[0];
  EXPECT_EQ(ch0.output.idle.count, 18);
  EXPECT_DOUBLE_EQ(ch0.output.idle.Mean(), 5.0);
  EXPECT_EQ(ch0.output.idle.max, 6);
  EXPECT_EQ(ch0.output.Noise(), 2);
  EXPECT_NEAR(ch0.output.idle.StdDev(), std::sqrt(4.0 / 18), 1e-12);
  EXPECT_EQ(ch0.output.touched.count, 6);
  EXPECT_EQ(ch0.output.touched.min, 48);
  EXPECT_DOUBLE_EQ(ch0.output.Signal(), 45.0);
  EXPECT_DOUBLE_EQ(ch0.snr, 22.5);
  EXPECT_EQ(ch0.recommendedThreshold, 28);
  EXPECT_EQ(ch0.falseTouchMargin, 14);
  EXPECT_EQ(ch0.detectionMargin, 28);
  EXPECT_DOUBLE_EQ(ch0.raw.idle.Mean(), 990.0);
  EXPECT_EQ(ch0.raw.Noise(), 4);
  EXPECT_DOUBLE_EQ(ch0.raw.Signal(), -90.0);
  EXPECT_EQ(ch0.touches, 1);
  EXPECT_EQ(ch0.verdict, Verdict::Pass);

  const ChannelResult& ch1 = r.channels[1];
  EXPECT_EQ(ch1.output.Noise(), 0);
  EXPECT_EQ(ch1.snr, std::numeric_limits<double>::infinity());
  EXPECT_EQ(ch1.recommendedThreshold, 25);
  EXPECT_EQ(ch1.detectionMargin, 20);
  EXPECT_DOUBLE_EQ(ch1.raw.idle.Mean(), 2010.0);
  EXPECT_EQ(ch1.verdict, Verdict::Pass);

  const ChannelResult& ch2 = r.channels[2];
  EXPECT_EQ(ch2.touches, 0);
  EXPECT_EQ(ch2.verdict, Verdict::Untouched);
  EXPECT_FALSE(ch2.recommendedThreshold.has_value());
  EXPECT_EQ(ch2.falseTouchMargin, 20);
  EXPECT_FALSE(ch2.detectionMargin.has_value());
  EXPECT_TRUE(r.TouchedChannelsPass());

  // Crosstalk: 9 of 45 on CH1 is exactly the flag level, 12 on CH2 above it.
  EXPECT_EQ(r.aloneFrames[0], 6);
  EXPECT_DOUBLE_EQ(r.crosstalk[0][1].shift, 9.0);
  EXPECT_DOUBLE_EQ(*r.crosstalk[0][1].percent, 20.0);
  EXPECT_FALSE(r.crosstalk[0][1].flagged);
  EXPECT_DOUBLE_EQ(r.crosstalk[0][2].shift, 12.0);
  EXPECT_NEAR(*r.crosstalk[0][2].percent, 26.667, 1e-3);
  EXPECT_TRUE(r.crosstalk[0][2].flagged);
  EXPECT_DOUBLE_EQ(r.crosstalk[1][0].shift, 0.0);
  EXPECT_FALSE(r.crosstalk[0][0].flagged);
  EXPECT_FALSE(r.crosstalk[2][0].measured);  // CH2 is never touched

  // One plot column per run of ten frames.
  ASSERT_EQ(ch0.plot.size(), 5u);
  EXPECT_FALSE(ch0.plot[0].touched);
  EXPECT_EQ(ch0.plot[0].min, 4);
  EXPECT_EQ(ch0.plot[0].max, 9);
  EXPECT_TRUE(ch0.plot[1].touched);
  EXPECT_EQ(ch0.plot[1].max, 52);
  EXPECT_FALSE(r.channels[1].plot[1].touched);
}

TEST(Analysis, OptionsMoveThresholdAndVerdict) {
  LoadedBuffer chart(test::KnownRecording());
  AnalysisOptions options = Guard2();
  options.thresholdAt = 0.25;
  options.minSnr = 30;
  options.channels = 0b011;
  const AnalysisResult r = AnalyzeBuffer(chart.ctx, 0, 1000, options);
  ASSERT_EQ(r.channels.size(), 2u);
  EXPECT_EQ(r.channels[0].recommendedThreshold, 17);  // 6 + 0.25 x 44
  EXPECT_EQ(r.channels[0].verdict, Verdict::Fail);    // 22.5 < 30
  EXPECT_EQ(r.channels[1].verdict, Verdict::Pass);    // infinite
  EXPECT_FALSE(r.TouchedChannelsPass());

  // The default guard of 5 frames on either side leaves nothing of runs of ten.
  const AnalysisResult wide = AnalyzeBuffer(chart.ctx, 0, 1000, AnalysisOptions{});
  EXPECT_EQ(wide.idleFrames, 0);
  EXPECT_EQ(wide.channels[0].output.touched.count, 0);
  EXPECT_EQ(wide.channels[0].verdict, Verdict::NoData);
}

// Ranges that give figures for neither idle nor touch, or no frames at all.
TEST(Analysis, RangesWithoutFigures) {
  ChartBuilder held;      // CH0 held through the whole recording
  ChartBuilder toggling;  // CH0's key bit flips every frame
  for (int i = 0; i < 30; ++i) {
    held.Frame(0x0001, {600, 700}, {80, 3});
    toggling.Frame(i % 2 ? 0x0001 : 0, {600, 700}, {i % 2 ? 80 : 2, 3});
  }
  struct Case {
    const char* name;
    ChartBuilder chart;
    int64_t touches;
    int64_t touched;
  };
  for (const Case& c : {Case{"held", held, 1, 26}, Case{"toggling", toggling, 15, 0}}) {
    SCOPED_TRACE(c.name);
    LoadedBuffer buffer(c.chart);
    const AnalysisResult r = AnalyzeBuffer(buffer.ctx, 0, 1000, Guard2());
    EXPECT_EQ(r.frames, 30);
    EXPECT_EQ(r.idleFrames, 0);
    EXPECT_EQ(r.channels[0].touches, c.touches);
    EXPECT_EQ(r.channels[0].output.touched.count, c.touched);
    EXPECT_EQ(r.channels[0].verdict, Verdict::NoData);
    EXPECT_EQ(r.channels[1].verdict, Verdict::NoData);
    EXPECT_FALSE(r.TouchedChannelsPass());
  }

  LoadedBuffer known(test::KnownRecording());
  EXPECT_TRUE(AnalyzeBuffer(known.ctx, 60, 70, Guard2()).Empty());
  EXPECT_TRUE(AnalyzeBuffer(known.ctx, 0, 0, Guard2()).Empty());  // frame 0 has no values
  EXPECT_EQ(AnalyzeBuffer(known.ctx, 11, 20, Guard2()).channels[0].verdict, Verdict::NoData);
}

TEST(Analysis, DoubleByteEightChannels) {
  ChartBuilder chart(ChartBuilder::Width::Double8);
  const int idle[] = {-3, 2, 0, -1, 1, 2, -3, 0};
  for (int run = 0; run < 3; ++run) {
    for (int i = 0; i < 8; ++i) {
      const bool touched = run == 1;
      std::vector<int> out(8, 0);
      out[0] = idle[i];
      out[7] = touched ? 600 : idle[i];
      chart.Frame(touched ? 0x0080 : 0, std::vector<int>(8, -200), out);
    }
  }
  LoadedBuffer buffer(chart, 0);
  AnalysisOptions options;
  options.guard = 1;
  options.singleByteMode = false;
  const AnalysisResult r = AnalyzeBuffer(buffer.ctx, 0, 1000, options);
  ASSERT_EQ(r.channels.size(), 8u);  // only the channels the frames carry
  const ChannelResult& ch7 = r.channels[7];
  EXPECT_EQ(ch7.output.idle.min, -3);
  EXPECT_EQ(ch7.output.idle.max, 2);
  EXPECT_EQ(ch7.output.touched.count, 6);
  EXPECT_EQ(ch7.recommendedThreshold, 301);  // 2 + 0.5 x 598: no single-byte limit
  EXPECT_DOUBLE_EQ(ch7.raw.idle.Mean(), -200.0);
  EXPECT_EQ(ch7.verdict, Verdict::Pass);
  EXPECT_EQ(r.channels[0].verdict, Verdict::Untouched);
}

}  // namespace
}  // namespace padscope
