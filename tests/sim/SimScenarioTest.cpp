// The scripted touch chip: its file format, its samples, and how the
// adapter selection reaches it.
#include <gtest/gtest.h>

#include "platform/ProgramFolders.h"
#include "sim/BackendSelection.h"
#include "sim/SimFrameLayout.h"
#include "sim/SimScenario.h"

namespace padscope {
namespace {

TEST(SimScenario, SamplesFollowTheScript) {
  std::string error;
  const auto s = SimScenario::Parse(
      "# two keys and a noisy one\n"
      "rate 100\nlayout double8\nseed 9\n"
      "channel 0 baseline 800 touch 100 at 0.1+0.05 every 1 from 0.5 for 0.2 crosstalk 1=0.25\n"
      "channel 1 baseline 1000   # the neighbour\n"
      "channel 2 noise 3\n",
      error);
  ASSERT_TRUE(s) << error;
  EXPECT_EQ(s->layout(), SimLayout::Double8Marked);
  EXPECT_EQ(s->seed(), 9u);

  struct Case {
    uint64_t frame;
    int raw0;
    int raw1;
  };
  for (const Case& c : {Case{9, 800, 1000}, Case{10, 900, 1025}, Case{14, 900, 1025},
                        Case{15, 800, 1000}, Case{49, 800, 1000}, Case{50, 900, 1025},
                        Case{69, 900, 1025}, Case{70, 800, 1000}, Case{150, 900, 1025}}) {
    SCOPED_TRACE(c.frame);
    EXPECT_EQ(s->Sample(9, 0, c.frame).raw, c.raw0);
    EXPECT_EQ(s->Sample(9, 0, c.frame).strength, static_cast<uint32_t>(c.raw0 - 800));
    EXPECT_EQ(s->Sample(9, 1, c.frame).raw, c.raw1);
    EXPECT_EQ(s->Sample(9, 1, c.frame).strength, static_cast<uint32_t>(c.raw1 - 1000));
  }
  int low = 65535;
  int high = 0;
  for (uint64_t f = 0; f < 2000; ++f) {
    const int raw = s->Sample(9, 2, f).raw;
    low = std::min(low, raw);
    high = std::max(high, raw);
  }
  EXPECT_EQ(low, 997);
  EXPECT_EQ(high, 1003);

  // The chip sets a key bit where the scripted key value crosses its threshold.
  const TouchModel model(9, std::make_shared<const SimScenario>(*s));
  std::array<uint8_t, 16> thresholds{};
  thresholds.fill(60);
  EXPECT_EQ(EncodeFrame(model, 9, SimLayout::Double8Marked, thresholds)[0], 0x00);
  EXPECT_EQ(EncodeFrame(model, 10, SimLayout::Double8Marked, thresholds)[0], 0x01);
}

// The faults a board can have: its own thresholds, no key bits, a noise gate,
// drift and restarts the chip follows, spikes, a water film, a falling touch.
TEST(SimScenario, BoardFaults) {
  std::string error;
  const auto s = SimScenario::Parse(
      "rate 100\nkeybits off\n"
      "channel 0 baseline 800 touch -50 at 0.1+0.1 threshold 30 gate 5\n"
      "channel 1 baseline 1000 drift 60 restart 1=500 2=-200\n"
      "channel 2 baseline 900 spikes 40 every 0.5 from 0.25 stuck 70\n",
      error);
  ASSERT_TRUE(s) << error;
  EXPECT_FALSE(s->keyBits());
  EXPECT_EQ(s->ChipThresholds(60)[0], 30);
  EXPECT_EQ(s->ChipThresholds(60)[1], 60);
  // Falling touch: the key value counts downwards.
  EXPECT_EQ(s->Sample(1, 0, 10).raw, 750);
  EXPECT_EQ(s->Sample(1, 0, 10).strength, 50u);
  EXPECT_EQ(s->Sample(1, 0, 9).strength, 0u);
  // One count a second of drift, the restarts' steps: the chip follows both.
  EXPECT_EQ(s->Sample(1, 1, 40).raw, 1000);
  EXPECT_EQ(s->Sample(1, 1, 100).raw, 1501);
  EXPECT_EQ(s->Sample(1, 1, 200).raw, 1302);
  EXPECT_EQ(s->Sample(1, 1, 200).strength, 0u);
  // The film is never followed; a spike lasts one frame.
  EXPECT_EQ(s->Sample(1, 2, 24).strength, 70u);
  EXPECT_EQ(s->Sample(1, 2, 25).strength, 110u);
  EXPECT_EQ(s->Sample(1, 2, 26).strength, 70u);
  EXPECT_EQ(s->Sample(1, 2, 75).raw, 1010);

  // No key bit however far a key value stands above its threshold.
  const TouchModel model(1, std::make_shared<const SimScenario>(*s));
  EXPECT_EQ(EncodeFrame(model, 25, SimLayout::Single16, s->ChipThresholds(60))[0], 0x00);
  std::string gated;
  const auto g = SimScenario::Parse("channel 0 touch 4 at 0+1 gate 5", gated);
  ASSERT_TRUE(g) << gated;
  EXPECT_EQ(g->Sample(1, 0, 0).strength, 0u);  // below the gate
}

TEST(SimScenario, ErrorsNameTheLine) {
  struct Case {
    const char* text;
    const char* error;
  };
  for (const Case& c : {
           Case{"rate 0", "scenario line 1: bad value for rate: 0"},
           Case{"\nchannel 16 noise 1",
                "scenario line 2: expected \"channel K\" with K from 0 to 15"},
           Case{"channel 0 at 1", "channel 0: bad \"at START+LENGTH\""},
           Case{"channel 3 crosstalk 3=0.5", "channel 3: bad crosstalk 3=0.5"},
           Case{"channel 0 every 1 from 0 for 2", "channel 0: bad \"every PERIOD from START"},
           Case{"channel 0 noise x", "channel 0: bad noise"},
           Case{"channel 0 threshold 256", "channel 0: bad threshold"},
           Case{"channel 1 restart 2", "channel 1: bad \"restart TIME=STEP\""},
           Case{"channel 1 spikes 5 every 1", "channel 1: bad \"spikes HEIGHT"},
           Case{"keybits maybe", "bad value for keybits: maybe"},
           Case{"colour red", "scenario line 1: unknown statement: colour"},
       }) {
    std::string error;
    EXPECT_FALSE(SimScenario::Parse(c.text, error)) << c.text;
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
  }
}

TEST(SimScenario, SelectedWithTheModel) {
  const auto corvex = ParseSimulateValue("corvex:/tmp/a:b.scn");
  ASSERT_TRUE(corvex);
  EXPECT_EQ(corvex->model, SimModel::Corvex);
  EXPECT_EQ(corvex->scenarioPath, "/tmp/a:b.scn");
  EXPECT_TRUE(ParseSimulateValue("")->scenarioPath.empty());
  EXPECT_FALSE(ParseSimulateValue("pelmira:"));
  EXPECT_FALSE(ParseSimulateValue("other:x.scn"));

  std::string error;
  EXPECT_EQ(
      MakeBackend(SimSelection{SimModel::Pelmira, (StateDirectory() / "none").string()}, error),
      nullptr);
  EXPECT_NE(error.find("cannot read the scenario file"), std::string::npos) << error;
}

}  // namespace
}  // namespace padscope
