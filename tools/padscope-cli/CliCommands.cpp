#include "CliCommands.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ostream>

#include "link/HidAdapter.h"
#include "link/Identification.h"
#include "link/Opcodes.h"
#include "link/SendBuffers.h"
#include "link/TracingBackend.h"

namespace padscope {

bool ParseInteger(const std::string& text, long long min, long long max, long long& value) {
  if (text.empty()) {
    return false;
  }
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 0);
  if (errno != 0 || end == text.c_str() || *end != '\0' || v < min || v > max) {
    return false;
  }
  value = v;
  return true;
}

namespace {

// Consecutive failed streaming reads (each waits up to the stream time-out)
// after which `stream` gives up.
constexpr int kMaxFailedReads = 20;

int Fail(CliContext& ctx, const std::string& message) {
  ctx.err << message << "\n";
  return 1;
}

int Usage(CliContext& ctx, const std::string& message) {
  ctx.err << message << "\n";
  return 2;
}

bool ConnectOrFail(CliContext& ctx) {
  if (ctx.adapter.Connect()) {
    return true;
  }
  ctx.err << "NO device.\n";
  return false;
}

const char* ModelName(bool corvex) {
  return corvex ? "Corvex" : "Pelmira";
}
const char* Wiring(bool twoLine) {
  return twoLine ? "2 Line" : "4  Line";
}

// Reads "--name value" pairs; every name must be in `names`.
bool ParseNamedIntegers(CliContext& ctx, const std::vector<std::string>& args,
                        const std::vector<std::string>& names, std::vector<std::string>& values) {
  values.assign(names.size(), "");
  for (size_t i = 0; i < args.size(); i += 2) {
    size_t k = 0;
    while (k < names.size() && args[i] != "--" + names[k]) {
      ++k;
    }
    if (k == names.size() || i + 1 >= args.size()) {
      ctx.err << "unexpected argument: " << args[i] << "\n";
      return false;
    }
    values[k] = args[i + 1];
  }
  for (size_t k = 0; k < names.size(); ++k) {
    if (values[k].empty()) {
      ctx.err << "missing --" << names[k] << "\n";
      return false;
    }
  }
  return true;
}

}  // namespace

int CmdList(CliContext& ctx, const std::vector<std::string>& args) {
  if (!args.empty()) {
    return Usage(ctx, "list takes no arguments");
  }
  // Pair the k-th command collection with the k-th data collection, the way
  // Connect takes the first of each.
  struct Found {
    HidDeviceInfo info;
    AdapterIdentity id;
  };
  std::vector<Found> commands;
  std::vector<Found> data;
  for (const HidDeviceInfo& info : ctx.adapter.Backend().Enumerate()) {
    const AdapterIdentity id = IdentifyAdapter(info.vendorId, info.productId, info.releaseNumber);
    if (!id.matched) {
      continue;
    }
    if (info.usagePage == kCommandUsagePage && info.usage == kCommandUsage) {
      commands.push_back({info, id});
    } else if (info.usagePage == kDataUsagePage && info.usage == kDataUsage) {
      data.push_back({info, id});
    }
  }
  const size_t n = std::max(commands.size(), data.size());
  if (n == 0) {
    return Fail(ctx, "NO device.");
  }
  for (size_t k = 0; k < n; ++k) {
    const Found& f = k < commands.size() ? commands[k] : data[k];
    ctx.out << ModelName(f.id.isCorvex) << "  firmware " << f.id.firmwareText << "  "
            << Wiring(f.id.twoLineAdapter) << "  command "
            << (k < commands.size() ? commands[k].info.path : "-") << "  data "
            << (k < data.size() ? data[k].info.path : "-") << "\n";
  }
  return 0;
}

int CmdStream(CliContext& ctx, const std::vector<std::string>& args) {
  long long frames = 0;
  if (args.size() != 2 || args[0] != "--frames" || !ParseInteger(args[1], 0, 1LL << 31, frames)) {
    return Usage(ctx, "usage: stream --frames N");
  }
  if (!ConnectOrFail(ctx)) {
    return 1;
  }
  HidAdapter& adapter = ctx.adapter;
  const bool corvex = adapter.isCorvex;
  const bool started =
      corvex ? adapter.StartStream() : adapter.SendOpcodeWithByte(kOpStartStreamP, 0);
  if (!started) {
    return Fail(ctx, "start command failed.");
  }
  std::array<uint8_t, kStreamPayloadLength> payload{};
  int failures = 0;
  long long printed = 0;
  while (printed < frames && failures < kMaxFailedReads) {
    if (!adapter.ReadStream(payload.data(), kStreamPayloadLength)) {
      ++failures;
      continue;
    }
    failures = 0;
    // The hex line of the trace format without its direction and channel.
    const std::string line = FormatTraceLine(false, "", payload.data(), payload.size());
    ctx.out << line.substr(3) << "\n";
    ++printed;
  }
  if (corvex) {
    adapter.StopStream();
  } else {
    adapter.StopStreamP();
  }
  return printed == frames ? 0 : Fail(ctx, "read failed.");
}

int CmdRecharge(CliContext& ctx, const std::vector<std::string>& args) {
  long long address = 0;
  if (args.size() != 1 || !ParseInteger(args[0], 0, 0xFFFFFF, address)) {
    return Usage(ctx, "usage: recharge ADDRESS (0 to 0xFFFFFF)");
  }
  if (!ConnectOrFail(ctx)) {
    return 1;
  }
  if (!ctx.adapter.SetRechargeAddress(static_cast<uint32_t>(address))) {
    return Fail(ctx, "recharge command failed.");
  }
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%02llX", address);
  ctx.out << "设置回灌地址成功! " << hex << "\n";
  return 0;
}

int CmdParams(CliContext& ctx, const std::vector<std::string>& args) {
  const std::vector<std::string> names = {"ch-timer", "times", "hold", "debounce", "no-compose"};
  std::vector<std::string> text;
  if (!ParseNamedIntegers(ctx, args, names, text)) {
    return 2;
  }
  struct Range {
    long long min, max;
    const char* message;
  };
  const Range ranges[] = {
      {1, 7, "CH Timer Range: 1-7."},          {0, 255, "Times Range: 0-255."},
      {1, 5, "Max Key Hold Time Range: 1-5."}, {2, 10, "Debounce Time Range: 2-10."},
      {0, 1, "No Compose Key: 0 or 1."},
  };
  long long values[5] = {};
  for (size_t k = 0; k < names.size(); ++k) {
    if (!ParseInteger(text[k], ranges[k].min, ranges[k].max, values[k])) {
      return Fail(ctx, ranges[k].message);
    }
  }
  if (!ConnectOrFail(ctx)) {
    return 1;
  }
  SendBuffers buffers;
  ClearSendBuffer(buffers, kParameterBuffer);
  for (int k = 0; k < 5; ++k) {
    SetSendByte(buffers, kParameterBuffer, k, static_cast<int>(values[k]));
  }
  if (!SendBuffer(&ctx.adapter, buffers, kOpSendParameters, kParameterBuffer)) {
    return Fail(ctx, "Set parameter to USB device failed.");
  }
  return 0;
}

int CmdThreshold(CliContext& ctx, const std::vector<std::string>& args) {
  long long channel = 0;
  long long value = 0;
  if (args.size() != 2 || !ParseInteger(args[0], 0, 15, channel) ||
      !ParseInteger(args[1], 0, 255, value)) {
    return Usage(ctx, "usage: threshold CHANNEL(0-15) VALUE(0-255)");
  }
  if (!ConnectOrFail(ctx)) {
    return 1;
  }
  SendBuffers buffers;
  ClearSendBuffer(buffers, kThresholdBuffer);
  SetSendByte(buffers, kThresholdBuffer, 0, static_cast<int>(channel));
  SetSendByte(buffers, kThresholdBuffer, 1, static_cast<int>(value));
  if (!SendBuffer(&ctx.adapter, buffers, kOpSendThreshold, kThresholdBuffer)) {
    return Fail(ctx, "update threshold failed.");
  }
  return 0;
}

}  // namespace padscope
