// The settings record in memory: the process-wide instance, effective values
// and channel flags.
#include <gtest/gtest.h>

#include <limits>

#include "state/GlobalSettings.h"

namespace padscope {
namespace {

class GlobalSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { GlobalSettings::ResetInstanceForTest(); }
  void TearDown() override { GlobalSettings::ResetInstanceForTest(); }
};

TEST_F(GlobalSettingsTest, InstanceIsSharedAndResetsToDefaults) {
  GlobalSettings& a = GlobalSettings::Instance();
  a.zoom = 7;
  a.channel[5].threshold = 90;
  EXPECT_EQ(&GlobalSettings::Instance(), &a);
  EXPECT_EQ(GlobalSettings::Instance().channel[5].threshold, 90);

  GlobalSettings::ResetInstanceForTest();
  EXPECT_EQ(&GlobalSettings::Instance(), &a);
  EXPECT_EQ(a, GlobalSettings{});
}

TEST_F(GlobalSettingsTest, EffectiveValuesAddTheDeltaWithoutOverflow) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  GlobalSettings s;
  s.rangeMaxDelta = -500;
  s.keyRangeMin = -10;
  s.keyRangeMinDelta = 3;
  s.zoomDelta = 2;
  s.channel[2].secondMin = 10;
  s.channel[2].secondMinDelta = -4;
  EXPECT_EQ(s.EffectiveRangeMax(), 3500);
  EXPECT_EQ(s.EffectiveKeyRangeMin(), -7);
  EXPECT_EQ(s.EffectiveZoom(), 3);
  EXPECT_EQ(s.channel[2].EffectiveSecondMin(), 6);

  // Values from a garbage file clamp instead of overflowing.
  s.rangeMax = kMax;
  s.rangeMaxDelta = kMax;
  s.rangeMin = kMin;
  s.rangeMinDelta = -1;
  s.channel[0].threshold = kMax;
  s.channel[0].thresholdDelta = 1;
  EXPECT_EQ(s.EffectiveRangeMax(), kMax);
  EXPECT_EQ(s.EffectiveRangeMin(), kMin);
  EXPECT_EQ(s.channel[0].EffectiveThreshold(), kMax);
}

TEST_F(GlobalSettingsTest, ChannelFlagsAndShownCount) {
  GlobalSettings s;
  EXPECT_EQ(s.ShownChannelCount(), 0);

  ShowChannel(s.channel[0]);
  ShowChannel(s.channel[15]);
  EXPECT_EQ(s.channel[0].flags, 0x80);
  EXPECT_TRUE(IsChannelEnabled(s.channel[15]));
  EXPECT_EQ(s.ShownChannelCount(), 2);

  // Only bit 7 counts; hiding clears the whole byte.
  s.channel[3].flags = 0x7F;
  s.channel[4].flags = 0x81;
  EXPECT_FALSE(IsChannelEnabled(s.channel[3]));
  EXPECT_TRUE(IsChannelEnabled(s.channel[4]));
  EXPECT_EQ(s.ShownChannelCount(), 3);
  HideChannel(s.channel[4]);
  EXPECT_EQ(s.channel[4].flags, 0);
  EXPECT_EQ(s.ShownChannelCount(), 2);

  for (ChannelConfig& c : s.channel) {
    ShowChannel(c);
  }
  EXPECT_EQ(s.ShownChannelCount(), 16);
}

}  // namespace
}  // namespace padscope
