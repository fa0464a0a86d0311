#pragma once

// The window program's command line, once Qt has taken its own options:
//   padscope [--simulate[=pelmira|corvex][:SCENARIO]] [--offset-values] [FILE.tkchart]
//   padscope --help | --version

#include <optional>
#include <string>
#include <vector>

#include "sim/BackendSelection.h"

namespace padscope {

struct ProgramOptions {
  bool help = false;
  bool version = false;
  // --simulate, else PADSCOPE_SIMULATE; nothing: real hardware.
  std::optional<SimSelection> simulate;
  // --offset-values: the adapter sends each count plus 0x8000 instead of the
  // count itself; off, the words are read as signed counts.
  bool offsetValues = false;
  // A chart to load at start as Load Data does (what the desktop entry passes
  // for a chart opened from the file manager); empty: none.
  std::string chart;
  // A usage error, for standard error; the program then ends with status 2.
  std::string error;
};

// `args` without the program name.
ProgramOptions ParseProgramOptions(const std::vector<std::string>& args);

// True when the arguments ask only for --help or --version: they are answered
// before the window system is touched (no display is needed).
bool AsksForHelpOrVersion(const std::vector<std::string>& args);

// The --help text.
std::string ProgramUsage();

}  // namespace padscope
