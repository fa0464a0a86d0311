#include "sim/SimFrameLayout.h"

#include <algorithm>
#include <cstring>

namespace padscope {

namespace {

constexpr int kSingleKeyStart = 35;
constexpr int kMarkedKeyStart = 35;
constexpr int kPlainKeyStart = 19;
constexpr char kDoubleMark[] = "double";

void PutBigEndian16(SimFrame& f, int offset, uint16_t v) {
  f[offset] = static_cast<uint8_t>(v >> 8);
  f[offset + 1] = static_cast<uint8_t>(v);
}

}  // namespace

uint16_t EncodeValue(int value, SimValueEncoding encoding) {
  const int v = std::clamp(value, -0x8000, 0x7FFF);
  return static_cast<uint16_t>(encoding == SimValueEncoding::Offset ? v + 0x8000 : v);
}

int LayoutChannels(SimLayout layout) {
  switch (layout) {
    case SimLayout::Single16:
      return 16;
    case SimLayout::Single1:
      return 1;
    case SimLayout::Single4:
      return 4;
    default:
      return 8;
  }
}

bool IsSingleByteLayout(SimLayout layout) {
  return layout == SimLayout::Single16 || layout == SimLayout::Single1 ||
         layout == SimLayout::Single4;
}

SimFrame EncodeFrame(const TouchModel& model, uint64_t frame, SimLayout layout,
                     const std::array<uint8_t, 16>& thresholds, const SimValueFormat& format) {
  SimFrame f{};
  const bool single = IsSingleByteLayout(layout);
  const int channels = LayoutChannels(layout);
  // Plain layouts carry their key values right after the raw counts.
  const int keyStart = layout == SimLayout::Single16        ? kSingleKeyStart
                       : single                             ? kFrameRawStart + 2 * channels
                       : layout == SimLayout::Double8Marked ? kMarkedKeyStart
                                                            : kPlainKeyStart;
  f[kFrameChannelByte] = single ? static_cast<uint8_t>(channels) : kDoubleChannelByte;
  const bool keyBits = model.ReportsKeyBits();

  for (int c = 0; c < channels; ++c) {
    const TouchSample s = model.Sample(c, frame);
    PutBigEndian16(f, kFrameRawStart + 2 * c,
                   EncodeValue(int{s.raw} + format.countShift, format.encoding));
    uint32_t keyValue;
    if (single) {
      keyValue = std::min<uint32_t>(s.strength, 0xFF);
      f[keyStart + c] = static_cast<uint8_t>(keyValue);
    } else {
      keyValue = std::min<uint32_t>(s.strength, 0x7FFF);
      PutBigEndian16(f, keyStart + 2 * c, EncodeValue(static_cast<int>(keyValue), format.encoding));
    }
    if (keyBits && keyValue > thresholds[c]) {
      f[c < 8 ? kFrameKeyBitsLow : kFrameKeyBitsHigh] |= static_cast<uint8_t>(1u << (c % 8));
    }
  }
  if (layout == SimLayout::Double8Marked) {
    std::memcpy(f.data() + kDoubleMarkOffset, kDoubleMark, 6);
  }
  return f;
}

void ApplyFrameFault(SimFrame& frame, SimFrameFault fault) {
  switch (fault) {
    case SimFrameFault::AllFF:
      frame.fill(0xFF);
      break;
    case SimFrameFault::ZeroBytes3To6:
      std::fill(frame.begin() + 3, frame.begin() + 7, uint8_t{0});
      break;
    case SimFrameFault::ZeroChannelByte:
      frame[kFrameChannelByte] = 0;
      break;
    case SimFrameFault::AllZero:
      frame.fill(0);
      break;
  }
}

}  // namespace padscope
