// `hex patch BASE.hex --offset HEX (--thresholds V0,...,V15 | --settings FILE)
// -o OUT.hex`: the Hex File dialog's patch, scriptable for firmware builds.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>

#include "CliCommands.h"
#include "flash/HexImage.h"
#include "flash/HexPatch.h"
#include "state/GlobalSettings.h"
#include "state/SettingsFile.h"

namespace padscope {

namespace {

constexpr const char* kHexUsage =
    "usage: hex patch BASE.hex --offset HEX (--thresholds V0,...,V15 | --settings FILE) "
    "-o OUT.hex\n";

struct HexArgs {
  std::string base;
  std::string offset;
  std::string thresholds;
  std::string settings;
  std::string output;
};

bool ParseHexArgs(const std::vector<std::string>& args, HexArgs& parsed) {
  if (args.size() < 2 || args[0] != "patch") {
    return false;
  }
  parsed.base = args[1];
  for (size_t i = 2; i < args.size(); i += 2) {
    if (i + 1 >= args.size() || args[i + 1].empty()) {
      return false;
    }
    std::string* field = args[i] == "--offset"       ? &parsed.offset
                         : args[i] == "--thresholds" ? &parsed.thresholds
                         : args[i] == "--settings"   ? &parsed.settings
                         : args[i] == "-o"           ? &parsed.output
                                                     : nullptr;
    if (field == nullptr || !field->empty()) {
      return false;
    }
    *field = args[i + 1];
  }
  return !parsed.base.empty() && !parsed.offset.empty() && !parsed.output.empty() &&
         parsed.thresholds.empty() != parsed.settings.empty();
}

// One or two hexadecimal digits, as the dialog's offset field takes them.
std::optional<unsigned> ParseOffset(const std::string& text) {
  if (text.empty() || text.size() > 2) {
    return std::nullopt;
  }
  char* end = nullptr;
  const unsigned long v = std::strtoul(text.c_str(), &end, 16);
  if (*end != '\0' || !std::isxdigit(static_cast<unsigned char>(text[0]))) {
    return std::nullopt;
  }
  return static_cast<unsigned>(v);
}

// Sixteen comma-separated bytes, each 0..255 (decimal or 0x-prefixed).
std::optional<ThresholdBytes> ParseThresholds(const std::string& text) {
  ThresholdBytes bytes{};
  std::istringstream in(text);
  std::string item;
  int k = 0;
  while (std::getline(in, item, ',')) {
    long long v = 0;
    if (k >= kHexThresholdCount || !ParseInteger(item, 0, 255, v)) {
      return std::nullopt;
    }
    bytes[k++] = static_cast<uint8_t>(v);
  }
  if (k != kHexThresholdCount || text.back() == ',') {
    return std::nullopt;
  }
  return bytes;
}

}  // namespace

int CmdHex(CliContext& cli, const std::vector<std::string>& args) {
  HexArgs parsed;
  if (!ParseHexArgs(args, parsed)) {
    cli.err << kHexUsage;
    return 2;
  }
  const std::optional<unsigned> offset = ParseOffset(parsed.offset);
  if (!offset) {
    cli.err << "offset must be one or two hexadecimal digits (00 to FF): " << parsed.offset << "\n";
    return 2;
  }
  ThresholdBytes thresholds{};
  if (!parsed.thresholds.empty()) {
    const auto values = ParseThresholds(parsed.thresholds);
    if (!values) {
      cli.err << "--thresholds takes 16 comma-separated values from 0 to 255\n";
      return 2;
    }
    thresholds = *values;
  } else {
    auto settings = std::make_unique<GlobalSettings>();
    if (!LoadSettingsFrom(parsed.settings, *settings)) {
      cli.err << "File open failed.\n";
      return 1;
    }
    thresholds = ThresholdBytesOf(*settings);
    // The program keeps only the low byte; say so where that changes a value.
    for (int k = 0; k < kHexThresholdCount; ++k) {
      const int32_t sum = settings->channel[k].EffectiveThreshold();
      if (sum != thresholds[k]) {
        cli.err << "channel " << k << ": threshold " << sum << " stored as " << int{thresholds[k]}
                << "\n";
      }
    }
  }

  auto image = std::make_unique<TkHexImage>();
  if (!image->Load(parsed.base)) {
    cli.err << "Hex file load failed.\n";
    return 1;
  }
  const HexPatchResult patch = PatchThresholds(*image, *offset, thresholds);
  if (patch.status != HexPatchStatus::kPatched) {
    cli.err << HexPatchMessage(patch, *offset) << "\n";
    return 1;
  }
  if (!SaveHexImage(*image, parsed.output)) {
    cli.err << "Create hex file failed.\n";
    return 1;
  }
  char summary[96];
  std::snprintf(summary, sizeof summary, "thresholds in words 0x%02X-0x%02X, checksum 0x%04X\n",
                *offset, *offset + kHexThresholdCount - 1, patch.checksum);
  cli.out << summary;
  return 0;
}

}  // namespace padscope
