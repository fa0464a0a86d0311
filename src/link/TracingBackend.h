#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/HidBackend.h"

namespace padscope {

// Formats one report as a trace line: ">" (to the adapter) or "<" (from it), a
// blank, "cmd", "data" or "feature", then every byte, report id included, as two
// upper-case hex digits each, separated by single blanks.
std::string FormatTraceLine(bool toAdapter, const char* channel, const uint8_t* bytes,
                            size_t length);

// Wraps another backend and reports every report that crosses it, written or
// read, to a sink, one line each. The data collection is the one with the
// adapter's data usage page; every other collection counts as "cmd". The sink
// is called on the transferring thread.
class TracingBackend : public HidBackend {
 public:
  using Sink = std::function<void(const std::string& line)>;

  TracingBackend(std::shared_ptr<HidBackend> inner, Sink sink);

  std::vector<HidDeviceInfo> Enumerate() override;
  std::unique_ptr<HidDevice> Open(const HidDeviceInfo& info) override;

 private:
  std::shared_ptr<HidBackend> inner_;
  std::shared_ptr<Sink> sink_;
};

}  // namespace padscope
