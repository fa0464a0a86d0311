// The waveform view's repeat worker: order of steps, the first delay and
// release ending the repetition at once.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <utility>
#include <vector>

#include "common/Wait.h"
#include "viewlogic/ScopeRepeater.h"

namespace padscope {
namespace {

using Clock = std::chrono::steady_clock;

struct Recorder {
  std::mutex mutex;
  std::vector<std::pair<int, Clock::time_point>> steps;

  void Add(int button) {
    std::lock_guard lock(mutex);
    steps.emplace_back(button, Clock::now());
  }
  size_t Count() {
    std::lock_guard lock(mutex);
    return steps.size();
  }
};

TEST(ScopeRepeaterTest, RepeatsAfterTheFirstDelayUntilReleased) {
  Recorder rec;
  ScopeRepeater repeater([&](int b) { rec.Add(b); });
  repeater.Press(2);
  ASSERT_TRUE(test::WaitFor([&] { return rec.Count() >= 3; }));
  repeater.Release();
  EXPECT_FALSE(repeater.Running());
  const size_t count = rec.Count();
  {
    std::lock_guard lock(rec.mutex);
    for (const auto& [button, when] : rec.steps) {
      EXPECT_EQ(button, 2);
    }
    // wait_for never returns early on a timeout, so the bounds are exact.
    EXPECT_GE(rec.steps[1].second - rec.steps[0].second, std::chrono::milliseconds(220));
    EXPECT_GE(rec.steps[2].second - rec.steps[1].second, std::chrono::milliseconds(20));
  }
  // Joined: nothing can run any more.
  EXPECT_EQ(rec.Count(), count);
}

TEST(ScopeRepeaterTest, ReleaseCutsALongPauseShortAndNothingHeldRunsNothing) {
  Recorder rec;
  ScopeRepeater repeater([&](int b) { rec.Add(b); },
                         {std::chrono::hours(1), std::chrono::hours(1), std::chrono::hours(1)});
  repeater.Press(7);
  ASSERT_TRUE(test::WaitFor([&] { return rec.Count() == 1; }));
  const auto start = Clock::now();
  repeater.Release();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(rec.Count(), 1u);

  repeater.Press(-1);  // a press beside the buttons
  EXPECT_FALSE(repeater.Running());
  EXPECT_EQ(rec.Count(), 1u);
}

}  // namespace
}  // namespace padscope
