#include "commands/ProgramOptions.h"

namespace padscope {

namespace {

bool IsSimulateOption(const std::string& a) {
  return a == "--simulate" || a.rfind("--simulate=", 0) == 0;
}

}  // namespace

ProgramOptions ParseProgramOptions(const std::vector<std::string>& args) {
  ProgramOptions options;
  bool simulateGiven = false;
  bool optionsEnded = false;
  for (const std::string& a : args) {
    if (!optionsEnded && a == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (a == "--help" || a == "-h")) {
      options.help = true;
    } else if (!optionsEnded && a == "--version") {
      options.version = true;
    } else if (!optionsEnded && a == "--offset-values") {
      options.offsetValues = true;
    } else if (!optionsEnded && IsSimulateOption(a)) {
      const std::string value = a.size() > 10 ? a.substr(11) : "";
      options.simulate = ParseSimulateValue(value);
      simulateGiven = true;
      if (!options.simulate) {
        options.error = "unknown adapter model for --simulate: " + value;
      }
    } else if (!optionsEnded && a.size() > 1 && a[0] == '-') {
      options.error = "unknown option: " + a;
    } else if (options.chart.empty()) {
      options.chart = a;
    } else {
      options.error = "only one chart file can be opened: " + a;
    }
    if (!options.error.empty()) {
      return options;
    }
  }
  if (!simulateGiven) {
    options.simulate = SimulateFromEnvironment();
  }
  return options;
}

bool AsksForHelpOrVersion(const std::vector<std::string>& args) {
  const ProgramOptions options = ParseProgramOptions(args);
  return options.error.empty() && (options.help || options.version);
}

std::string ProgramUsage() {
  return "usage: padscope [--simulate[=pelmira|corvex][:SCENARIO]] [--offset-values] "
         "[FILE.tkchart]\n"
         "       padscope --help | --version\n"
         "Tunes and monitors the touch keys of a chip through a Pelmira or Corvex adapter.\n"
         "  --simulate   use the built-in simulated adapter (also PADSCOPE_SIMULATE)\n"
         "  --offset-values  the adapter sends every count plus 0x8000 (read it so);\n"
         "               without it the values are read as signed 16-bit counts\n"
         "  FILE.tkchart load this chart at start, as File > Load Data does\n"
         "Settings, the chart list and the log are kept in the state folder (PADSCOPE_HOME\n"
         "when set); see the user guide, \"Where Padscope keeps its files\".\n";
}

}  // namespace padscope
