#pragma once

// Charts with exactly known values for tests: frames of the single-byte
// 16-channel layout or the marked double-byte 8-channel layout, written as
// 64-byte records with the end record after them.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "common/Files.h"

namespace padscope::test {

class ChartBuilder {
 public:
  enum class Width { Single16, Double8 };

  explicit ChartBuilder(Width width = Width::Single16) : width_(width) {}

  // One frame: its key bits and per channel the first (raw) and the output
  // value as the chip means them (signed in double-byte mode). Channels not
  // given are 0.
  ChartBuilder& Frame(uint16_t keys, const std::vector<int>& raw, const std::vector<int>& output) {
    Bytes r(64, 0);
    const bool single = width_ == Width::Single16;
    r[0] = static_cast<uint8_t>(keys);
    r[1] = static_cast<uint8_t>(keys >> 8);
    r[2] = single ? 0x10 : 0x88;
    for (size_t k = 0; k < raw.size(); ++k) {
      Word(r, 3 + 2 * k, raw[k]);
    }
    for (size_t k = 0; k < output.size(); ++k) {
      if (single) {
        r[35 + k] = static_cast<uint8_t>(output[k]);
      } else {
        Word(r, 35 + 2 * k, output[k]);
      }
    }
    if (!single) {
      const char mark[] = "double";
      std::copy(mark, mark + 6, r.begin() + 58);
    }
    frames_.push_back(r);
    return *this;
  }

  // The chart's bytes. A reader accepts a layout from its seventh frame and
  // the first accepted frame carries no values, so seven copies of the first
  // frame, without key bits, go first: the frames given become frames 1..n of
  // the buffer the chart is read into.
  Bytes Records(bool endRecord = true) const {
    Bytes out;
    if (!frames_.empty()) {
      Bytes lead = frames_.front();
      lead[0] = lead[1] = 0;
      for (int i = 0; i < 7; ++i) {
        out.insert(out.end(), lead.begin(), lead.end());
      }
    }
    for (const Bytes& f : frames_) {
      out.insert(out.end(), f.begin(), f.end());
    }
    if (endRecord) {
      out.insert(out.end(), 64, 0xFF);
    }
    return out;
  }

  void Write(const std::filesystem::path& path, bool endRecord = true) const {
    WriteAll(path, Records(endRecord));
  }

 private:
  // The chip's value as a big-endian 16-bit word (two's complement).
  static void Word(Bytes& r, size_t at, int value) {
    r[at] = static_cast<uint8_t>((value >> 8) & 0xFF);
    r[at + 1] = static_cast<uint8_t>(value & 0xFF);
  }

  Width width_;
  std::vector<Bytes> frames_;
};

// Fifty frames in five runs of ten: idle, CH0 touched, idle, CH1 touched,
// idle (single-byte, 16 channels). With a guard of 2 frames:
// - idle frames are 3..8, 23..28 and 43..48; CH0 reads 4 6 5 5 4 6 and then
//   5 in them: idle mean 5, maximum 6, noise 2; CH0 is touched in 13..18
//   reading 50 52 48 50 50 50: mean 50, minimum 48, signal 45, SNR 22.5,
//   recommended threshold 6 + 0.5 x 44 = 28. The 9s and ramps at the edges of
//   every run lie within the guard and must count for neither.
// - CH0's raw value is 1000 - 2 x output: baseline 990, raw noise 4, raw
//   signal -90.
// - CH1 reads 10 (noise 0) and 40 while touched in 33..38: signal 30, SNR
//   infinite, recommended 25; while CH0 is touched it reads 19: crosstalk 9,
//   20 % of CH0's signal (not above the 20 % flag level). Raw: 2000 + output.
// - CH2 is never touched and reads 0, but 12 while CH0 is touched: crosstalk
//   26.7 %, flagged. Raw: 500. Channels 3..15 read 0 with raw 500.
inline ChartBuilder KnownRecording() {
  const std::vector<std::vector<int>> ch0 = {{9, 9, 4, 6, 5, 5, 4, 6, 9, 9},
                                             {30, 40, 50, 52, 48, 50, 50, 50, 40, 30},
                                             {9, 9, 5, 5, 5, 5, 5, 5, 9, 9},
                                             {9, 9, 5, 5, 5, 5, 5, 5, 9, 9},
                                             {9, 9, 5, 5, 5, 5, 5, 5, 9, 9}};
  const std::vector<int> ch1Touch = {30, 30, 40, 40, 40, 40, 40, 40, 30, 30};
  ChartBuilder b;
  for (int run = 0; run < 5; ++run) {
    for (int i = 0; i < 10; ++i) {
      const int out0 = ch0[run][i];
      const int out1 = run == 1 ? 19 : run == 3 ? ch1Touch[i] : 10;
      const int out2 = run == 1 ? 12 : 0;
      const uint16_t keys = run == 1 ? 0x0001 : run == 3 ? 0x0002 : 0;
      std::vector<int> raw(16, 500);
      raw[0] = 1000 - 2 * out0;
      raw[1] = 2000 + out1;
      std::vector<int> out(16, 0);
      out[0] = out0;
      out[1] = out1;
      out[2] = out2;
      b.Frame(keys, raw, out);
    }
  }
  return b;
}

}  // namespace padscope::test
