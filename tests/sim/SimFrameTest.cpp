#include <gtest/gtest.h>

#include <string>

#include "sim/SimTestLink.h"

namespace padscope::simtest {
namespace {

unsigned Be16(const Bytes& f, size_t at) {
  return (unsigned(f[at]) << 8) | f[at + 1];
}

// Checks one frame of `layout` and returns its key values.
std::vector<unsigned> CheckFrame(const Bytes& f, SimLayout layout,
                                 const std::array<uint8_t, 16>& thresholds) {
  const bool single = layout == SimLayout::Single16;
  const int channels = single ? 16 : 8;
  const size_t keyStart = layout == SimLayout::Double8Plain ? 19 : 35;
  EXPECT_EQ(f[2], single ? 0x10 : 0x88);
  std::vector<unsigned> keys;
  for (int c = 0; c < channels; ++c) {
    const unsigned raw = Be16(f, 3 + 2 * c);
    EXPECT_GT(raw, 100u);
    EXPECT_LT(raw, 2500u);
    const unsigned key = single ? f[keyStart + c] : Be16(f, keyStart + 2 * c);
    const bool bit = (f[c / 8] >> (c % 8)) & 1;
    EXPECT_EQ(bit, key > thresholds[c]) << "channel " << c;
    keys.push_back(key);
  }
  const std::string tail(f.begin() + 58, f.end());
  EXPECT_EQ(tail == "double", layout == SimLayout::Double8Marked);
  const size_t usedEnd = single ? 51 : keyStart + 16;
  for (size_t i = usedEnd; i < (layout == SimLayout::Double8Marked ? 58u : 64u); ++i) {
    EXPECT_EQ(f[i], 0) << "byte " << i;
  }
  if (!single) {
    EXPECT_EQ(f[1], 0);
  }
  return keys;
}

class SimFrameLayouts : public testing::TestWithParam<SimLayout> {};

TEST_P(SimFrameLayouts, FramesFollowTheLayoutAndKeyBitsFollowThresholds) {
  SimConfig c = Fast();
  c.layout = GetParam();
  c.recordReports = false;
  SimLink link(c);
  ASSERT_TRUE(link.Start());
  unsigned maxKey = 0;
  int pressedFrames = 0;
  for (int i = 0; i < 3000; ++i) {
    const Bytes f = link.Frame();
    ASSERT_EQ(f.size(), 64u);
    for (unsigned key : CheckFrame(f, GetParam(), link.sim.Thresholds())) {
      maxKey = std::max(maxKey, key);
    }
    pressedFrames += (f[0] | f[1]) != 0;
    if (HasFailure()) {
      FAIL() << "frame " << i;
    }
  }
  // Touches come and go: some frames are pressed, most are not.
  EXPECT_GT(pressedFrames, 100);
  EXPECT_LT(pressedFrames, 2900);
  EXPECT_GT(maxKey, 255u * (GetParam() != SimLayout::Single16));
}

INSTANTIATE_TEST_SUITE_P(All, SimFrameLayouts,
                         testing::Values(SimLayout::Single16, SimLayout::Double8Marked,
                                         SimLayout::Double8Plain));

TEST(SimFrames, SameSeedGivesTheSameFrames) {
  auto run = [](uint32_t seed) {
    SimConfig c = Fast();
    c.seed = seed;
    SimLink link(c);
    link.Start();
    Bytes all;
    for (int i = 0; i < 50; ++i) {
      const Bytes f = link.Frame();
      all.insert(all.end(), f.begin(), f.end());
    }
    return all;
  };
  EXPECT_EQ(run(7), run(7));
  EXPECT_NE(run(7), run(8));
}

TEST(SimFrames, ThresholdCommandChangesKeyBits) {
  SimLink link;
  auto setThreshold = [&](uint8_t channel, uint8_t value) {
    Bytes block(64, 0);
    block[0] = channel, block[1] = value;
    return link.Command(ShortHeader(64, kOpSendThreshold)) && link.Data(block);
  };
  ASSERT_TRUE(setThreshold(0, 255) && setThreshold(1, 0) && link.Start());
  int channel0Pressed = 0, channel1Pressed = 0;
  for (int i = 0; i < 2000; ++i) {
    const Bytes f = link.Frame();
    CheckFrame(f, SimLayout::Single16, link.sim.Thresholds());
    channel0Pressed += f[0] & 1;
    channel1Pressed += (f[0] >> 1) & 1;
  }
  EXPECT_EQ(channel0Pressed, 0);    // a byte key value never exceeds 255
  EXPECT_GT(channel1Pressed, 500);  // noise alone lifts it above 0 often
}

TEST(SimFrames, LayoutChangesAtRunTime) {
  SimLink link;
  ASSERT_TRUE(link.Start());
  EXPECT_EQ(link.Frame()[2], 0x10);
  link.sim.SetLayout(SimLayout::Double8Marked);
  EXPECT_EQ(link.sim.Layout(), SimLayout::Double8Marked);
  CheckFrame(link.Frame(), SimLayout::Double8Marked, link.sim.Thresholds());
}

TEST(SimFrames, NineByteInputReportsCarryAFrameInEightReports) {
  SimConfig c = Fast();
  c.inputReportLength = 9;
  SimLink small(c);
  SimLink large;
  ASSERT_TRUE(small.Start() && large.Start());
  const Bytes frame = small.Frame();
  EXPECT_EQ(frame, large.Frame());
  const auto reports = small.sim.Reports();
  ASSERT_EQ(reports.size(), 9u);  // the start command, then eight input reports
  for (size_t i = 1; i < reports.size(); ++i) {
    EXPECT_EQ(reports[i].bytes.size(), 9u);
    EXPECT_FALSE(reports[i].toAdapter);
  }
  // A status asked for in the middle of a frame follows that frame.
  ASSERT_EQ(small.Read(8).size(), 8u);
  ASSERT_TRUE(small.Command(ShortHeader(64, kOpReadStatusP)));
  ASSERT_EQ(small.Read(56).size(), 56u);
  const Bytes status = small.Read(64);
  EXPECT_EQ(status[1], 0x40);
  EXPECT_EQ(Bytes(status.begin() + 3, status.end()), Bytes(61, 0));
}

// A Pelmira told to follow the start command's value byte streams the width
// it is asked for.
TEST(SimFrames, StartValueChoosesTheWidth) {
  SimConfig c = Fast();
  c.widthFromStartValue = true;
  SimLink link(c);
  ASSERT_TRUE(link.Command(ShortHeader(0x010000, kOpStartStreamP)));
  EXPECT_EQ(link.Frame()[2], 0x88);
  ASSERT_TRUE(link.Command(ShortHeader(0, kOpStartStreamP)));
  EXPECT_EQ(link.Frame()[2], 0x10);
  c.widthFromStartValue = false;
  SimLink fixed(c);
  ASSERT_TRUE(fixed.Command(ShortHeader(0x010000, kOpStartStreamP)));
  EXPECT_EQ(fixed.Frame()[2], 0x10);
}

TEST(SimFrames, RealTimePacingHoldsTheNextFrameBack) {
  SimConfig c = Fast();
  c.framesPerSecond = 2;
  SimLink link(c);
  ASSERT_TRUE(link.Start());
  ASSERT_EQ(link.Frame().size(), 64u);  // the current frame at once
  Bytes in(65);
  EXPECT_EQ(link.data->Read(in.data(), in.size(), 0), 0);
  EXPECT_EQ(link.data->Read(in.data(), in.size(), 5000), 65);
}

}  // namespace
}  // namespace padscope::simtest
