#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "capture/SampleFrame.h"

namespace padscope {

class HidAdapter;

// What a command needs; the dispatcher fills it.
struct CliContext {
  HidAdapter& adapter;
  std::ostream& out;
  std::ostream& err;
  // How decoded frames read the adapter's words (--offset-values).
  ValueEncoding valueEncoding = ValueEncoding::TwosComplement;
  // Above 0: the adapter is a simulated one without a clock (it streams as
  // fast as it is read), and a check's seconds are its frames at this rate.
  double clocklessFramesPerSecond = 0;
};

// Each command returns the exit status and has written its failure line to err.
int CmdList(CliContext& ctx, const std::vector<std::string>& args);
int CmdStream(CliContext& ctx, const std::vector<std::string>& args);
int CmdRecharge(CliContext& ctx, const std::vector<std::string>& args);
int CmdParams(CliContext& ctx, const std::vector<std::string>& args);
int CmdThreshold(CliContext& ctx, const std::vector<std::string>& args);

// A command's usage lines as the overview gives them ("usage: padscope-cli
// NAME ..."), or "" for an unknown command.
std::string CommandUsage(const std::string& name);

// Parses a decimal or 0x-prefixed hexadecimal integer in [min, max].
bool ParseInteger(const std::string& text, long long min, long long max, long long& value);

}  // namespace padscope

namespace padscope {

int CmdCapture(CliContext& ctx, const std::vector<std::string>& args);
int CmdChart(CliContext& ctx, const std::vector<std::string>& args);
int CmdSettings(CliContext& ctx, const std::vector<std::string>& args);
int CmdText(CliContext& ctx, const std::vector<std::string>& args);
int CmdHex(CliContext& ctx, const std::vector<std::string>& args);
int CmdPackage(CliContext& ctx, const std::vector<std::string>& args);
int CmdKeygen(CliContext& ctx, const std::vector<std::string>& args);
int CmdVerify(CliContext& ctx, const std::vector<std::string>& args);
int CmdFlash(CliContext& ctx, const std::vector<std::string>& args);
int CmdAnalyze(CliContext& ctx, const std::vector<std::string>& args);
int CmdCheck(CliContext& ctx, const std::vector<std::string>& args);
int CmdResults(CliContext& ctx, const std::vector<std::string>& args);

}  // namespace padscope
