#pragma once

// Talks to the simulated adapter the way the host does, with raw reports.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "link/Opcodes.h"
#include "sim/SimulatedAdapter.h"

namespace padscope::simtest {

using Bytes = std::vector<uint8_t>;

inline SimConfig Fast(SimModel model = SimModel::Pelmira) {
  SimConfig c;
  c.model = model;
  c.framesPerSecond = 0;
  c.eraseMs = 0;
  return c;
}

// Headers built by hand from the wire format, independent of the link code.
inline Bytes ShortHeader(uint32_t argument, uint8_t opcode) {
  return {0x55,
          0x53,
          0x42,
          0x43,
          static_cast<uint8_t>(argument >> 16),
          static_cast<uint8_t>(argument >> 8),
          static_cast<uint8_t>(argument),
          opcode};
}

inline Bytes LongHeader(uint32_t b, uint8_t opcode) {
  Bytes h(64, 0);
  h[0] = 0x55, h[1] = 0x53, h[2] = 0x42, h[3] = 0x43;
  for (int i = 0; i < 4; ++i) {
    h[8 + i] = static_cast<uint8_t>(b >> (24 - 8 * i));
  }
  h[15] = opcode;
  return h;
}

inline Bytes BlockHeader(uint32_t length, uint8_t opcode) {
  Bytes h = ShortHeader(length / 64, opcode);
  h.resize(64, 0);
  return h;
}

inline Bytes Pattern(size_t n, uint8_t salt = 0) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) {
    b[i] = static_cast<uint8_t>(i * 7 + salt);
  }
  return b;
}

struct SimLink {
  explicit SimLink(SimConfig config = Fast()) : sim(config) { Open(); }

  void Open() {
    command.reset();
    data.reset();
    for (const HidDeviceInfo& info : sim.Enumerate()) {
      if (info.path == sim.CommandPath()) {
        command = sim.Open(info);
      } else if (info.path == sim.DataPath()) {
        data = sim.Open(info);
      }
    }
    ASSERT_TRUE(command && data);
  }

  // Sends bytes as consecutive output reports, the last one zero-padded.
  static bool Send(HidDevice& device, const Bytes& bytes, int reportLength) {
    const size_t payload = static_cast<size_t>(reportLength - 1);
    for (size_t at = 0; at < bytes.size(); at += payload) {
      Bytes report(static_cast<size_t>(reportLength), 0);
      std::copy(bytes.begin() + at, bytes.begin() + std::min(bytes.size(), at + payload),
                report.begin() + 1);
      if (device.Write(report.data(), report.size()) != reportLength) {
        return false;
      }
    }
    return true;
  }
  bool Command(const Bytes& header) {
    return Send(*command, header, sim.config().outputReportLength);
  }
  bool Data(const Bytes& bytes) { return Send(*data, bytes, sim.config().outputReportLength); }

  // Reads `n` bytes as the host does: whole input reports, keeping `n` bytes.
  // Empty when a read fails or times out.
  Bytes Read(size_t n, int timeoutMs = 2000) {
    const int length = sim.config().inputReportLength;
    Bytes out;
    Bytes report(static_cast<size_t>(length));
    while (out.size() < n) {
      if (data->Read(report.data(), report.size(), timeoutMs) != length) {
        return {};
      }
      const size_t take = std::min(n - out.size(), report.size() - 1);
      out.insert(out.end(), report.begin() + 1, report.begin() + 1 + static_cast<long>(take));
    }
    return out;
  }
  Bytes Frame() { return Read(kStreamPayloadLength); }
  bool Corvex() const { return sim.config().model == SimModel::Corvex; }
  Bytes Status() {
    if (!Command(Corvex() ? LongHeader(64, kOpReadStatus) : ShortHeader(64, kOpReadStatusP))) {
      return {};
    }
    return Read(64);
  }
  bool Start() {
    return Command(Corvex() ? LongHeader(0, kOpStartStream) : ShortHeader(0, kOpStartStreamP));
  }
  bool Stop() {
    return Command(Corvex() ? LongHeader(0, kOpStopStream) : ShortHeader(0, kOpStopStreamP));
  }

  SimulatedAdapter sim;
  std::unique_ptr<HidDevice> command;
  std::unique_ptr<HidDevice> data;
};

// Waits (without sleeping) until `done` holds or a generous deadline passes.
template <typename F>
bool Eventually(F done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::yield();
  }
  return true;
}

}  // namespace padscope::simtest
