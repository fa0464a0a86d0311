#pragma once

// Recordings with a known truth, made in memory: the scripted touch chip's
// frames as the simulated adapter sends them, decoded into a capture buffer
// as a capture does, stamped at the scenario's rate.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

#include "capture/CaptureContext.h"
#include "sim/SimFrameLayout.h"
#include "sim/SimScenario.h"

namespace padscope::test {

inline void RecordScenario(CaptureContext& ctx, const std::string& text, double seconds) {
  std::string error;
  const auto scenario = SimScenario::Parse(text, error);
  ASSERT_TRUE(scenario) << error;
  const auto frames = static_cast<int>(std::lround(seconds * scenario->rate()));
  ASSERT_TRUE(ctx.AllocateFrames(frames + 16));
  const SimLayout layout = scenario->layout().value_or(SimLayout::Single16);
  const TouchModel model(scenario->seed().value_or(1),
                         std::make_shared<const SimScenario>(*scenario));
  const auto thresholds = scenario->ChipThresholds(60);
  for (int f = 0; f < frames; ++f) {
    const SimFrame frame = EncodeFrame(model, static_cast<uint64_t>(f), layout, thresholds);
    const int index = ctx.WriteIndex();
    std::memcpy(ctx.FrameForWrite(index)->raw, frame.data(), frame.size());
    const auto stamp = static_cast<uint32_t>(std::lround(f * 1000.0 / scenario->rate()));
    if (ctx.DecodeFrame(IsSingleByteLayout(layout) ? 1 : 0, stamp) > 0) {
      ctx.CommitFrame(index);
    }
  }
}

}  // namespace padscope::test
