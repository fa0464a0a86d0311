#include "Cli.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <ostream>

#include "CliCommands.h"
#include "link/HidAdapter.h"
#include "link/TracingBackend.h"
#include "sim/BackendSelection.h"
#include "sim/SimScenario.h"
#include "sim/SimulatedAdapter.h"
#include "support/Version.h"

namespace padscope {

namespace {

constexpr const char* kUsageHead =
    "usage: padscope-cli [--simulate[=pelmira|corvex][:SCENARIO]] [--trace] [--offset-values]\n"
    "                   COMMAND [ARGS]\n"
    "       padscope-cli --help | --version | COMMAND --help\n"
    "commands:\n";
constexpr const char* kUsageTail =
    "--offset-values: the adapter sends every count plus 0x8000; without it the values\n"
    "are read as signed 16-bit counts\n"
    "exit status: 0 success, 1 error, 2 usage error; analyze and check: 3 when a key\n"
    "does not pass (each such key and why on standard error); check: 4 (every key\n"
    "passes) or 5 (a key does not) when the result could not be stored and waits in\n"
    "the spool for the store\n";

using Command = std::function<int(CliContext&, const std::vector<std::string>&)>;

struct CommandEntry {
  const char* name;
  Command run;
  const char* usage;  // its lines of the overview, each indented by two
};

// In the order the overview lists them.
const std::vector<CommandEntry>& Commands() {
  static const std::vector<CommandEntry> commands = {
      {"list", CmdList, "  list                                 adapters found\n"},
      {"stream", CmdStream,
       "  stream --frames N                    print N streamed 64-byte frames as hex\n"},
      {"recharge", CmdRecharge,
       "  recharge ADDRESS                     set the recharge start address\n"},
      {"params", CmdParams,
       "  params --ch-timer N --times N --hold N --debounce N --no-compose 0|1\n"
       "                                       send the global sensing parameters\n"},
      {"threshold", CmdThreshold,
       "  threshold CHANNEL VALUE              send one channel's threshold\n"},
      {"capture", CmdCapture,
       "  capture --frames N -o FILE.tkchart   capture N frames and save them as a chart\n"},
      {"chart", CmdChart,
       "  chart info|table|decode FILE         what a chart holds; its raw-frame table; CSV\n"},
      {"settings", CmdSettings,
       "  settings show [FILE]                 every field of a settings file (~tmp.tmp)\n"},
      {"text", CmdText, "  text ID [--lang 1|2|3] [--file PATH] look a text up in Padscope.xml\n"},
      {"hex", CmdHex,
       "  hex patch BASE.hex --offset HEX (--thresholds V0,...,V15 | --settings FILE) -o OUT.hex\n"
       "                                       patch channel thresholds into a firmware image\n"},
      {"keygen", CmdKeygen,
       "  keygen PUBLIC SECRET                 make the key pair that signs update packages\n"},
      {"package", CmdPackage,
       "  package FOLDER OUTPUT --key SECRET   build and sign the update package (Padscope.pkg)\n"},
      {"verify", CmdVerify,
       "  verify PACKAGE [--key PUBLIC]        check a package's signature and contents\n"},
      {"flash", CmdFlash,
       "  flash info                           busy byte, size code, frame limit, erase estimate\n"
       "  flash load -o FILE.tkchart           read the adapter's flash recording into a chart\n"
       "  flash erase                          erase the adapter's flash and wait for it\n"
       "  flash write FILE                     erase, write a chart's frames, read back, verify\n"},
      {"analyze", CmdAnalyze,
       "  analyze FILE.tkchart [--settings FILE] [--keys LIST] [--from N --to M]\n"
       "          [--frame-ms MS] [--guard MS] [--min-touch MS] [--min-snr X]\n"
       "          [--rule factor|guide] [--threshold-at F] [--crosstalk-flag PERCENT]\n"
       "          [--format text|csv|json|html] [-o OUT] [--db STORE] [--serial SN]\n"
       "          [--lot NAME] [--station NAME] [--junit FILE]\n"
       "                                       touches found in the signal; noise, drift, "
       "signal,\n"
       "                                       SNR, the chip's misses and false touches, "
       "thresholds\n"
       "                                       and crosstalk per key; the format follows OUT's "
       "ending\n"},
      {"check", CmdCheck,
       "  check --seconds N [-o FILE.tkchart] [--report OUT] [--serial SN] [--lot NAME]\n"
       "        [--station NAME] [--db STORE | --no-db] [--junit FILE] [analyze's options]\n"
       "                                       capture N seconds live (touch each key), "
       "analyse,\n"
       "                                       store the result (STORE: sqlite:PATH, "
       "postgresql://...)\n"},
      {"results", CmdResults,
       "  results [--db STORE] [--lot NAME] [--station NAME] [--since TIME] [--until TIME]\n"
       "          [--min-snr X] [--worst N] [--format text|csv|json|html] [-o OUT]\n"
       "                                       yield and per-key statistics of the stored "
       "units\n"},
  };
  return commands;
}

const CommandEntry* FindCommand(const std::string& name) {
  for (const CommandEntry& c : Commands()) {
    if (name == c.name) {
      return &c;
    }
  }
  return nullptr;
}

std::string Overview() {
  std::string text = kUsageHead;
  for (const CommandEntry& c : Commands()) {
    text += c.usage;
  }
  return text + kUsageTail;
}

bool AsksForHelp(const std::vector<std::string>& args) {
  return std::any_of(args.begin(), args.end(),
                     [](const std::string& a) { return a == "-h" || a == "--help"; });
}

bool IsSimulateOption(const std::string& a) {
  return a == "--simulate" || a.rfind("--simulate=", 0) == 0;
}

}  // namespace

std::string CommandUsage(const std::string& name) {
  const CommandEntry* c = FindCommand(name);
  return c == nullptr ? std::string() : "usage: padscope-cli" + std::string(c->usage).substr(1);
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           std::shared_ptr<HidBackend> backend) {
  std::optional<SimSelection> simulate = SimulateFromEnvironment();
  // --simulate may also follow the command ("check --simulate --seconds 10").
  auto takeSimulate = [&](const std::string& a) {
    const std::string value = a.size() > 10 ? a.substr(11) : "";
    simulate = ParseSimulateValue(value);
    if (!simulate) {
      err << "unknown adapter model for --simulate: " << value << "\n";
    }
    return simulate.has_value();
  };
  bool trace = false;
  bool offsetValues = false;
  size_t i = 0;
  for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
    const std::string& a = args[i];
    if (a == "--trace") {
      trace = true;
    } else if (a == "--offset-values") {
      offsetValues = true;
    } else if (IsSimulateOption(a)) {
      if (!takeSimulate(a)) {
        return 2;
      }
    } else if (a == "--help" || a == "-h") {
      out << Overview();
      return 0;
    } else if (a == "--version") {
      out << VersionLine("padscope-cli") << "\n";
      return 0;
    } else {
      err << "unknown option: " << a << "\n" << Overview();
      return 2;
    }
  }
  if (i >= args.size()) {
    err << Overview();
    return 2;
  }
  const CommandEntry* command = FindCommand(args[i]);
  if (command == nullptr) {
    err << "unknown command: " << args[i] << "\n" << Overview();
    return 2;
  }

  std::vector<std::string> rest;
  for (size_t k = i + 1; k < args.size(); ++k) {
    if (!IsSimulateOption(args[k])) {
      rest.push_back(args[k]);
    } else if (!takeSimulate(args[k])) {
      return 2;
    }
  }

  if (AsksForHelp(rest)) {
    out << CommandUsage(command->name);
    return 0;
  }
  if (!backend) {
    std::string error;
    backend = MakeBackend(simulate, error);
    if (!backend) {
      err << error << "\n";
      return 1;
    }
  }
  // A simulated adapter without a clock gives a check its time by its frames.
  double clocklessRate = 0;
  if (const auto* sim = dynamic_cast<const SimulatedAdapter*>(backend.get());
      sim != nullptr && sim->config().framesPerSecond <= 0) {
    clocklessRate = sim->config().scenario ? sim->config().scenario->rate() : 100.0;
  }
  if (trace) {
    backend = std::make_shared<TracingBackend>(
        backend, [&err](const std::string& line) { err << line << "\n"; });
  }
  HidAdapter adapter(backend);
  CliContext ctx{adapter, out, err};
  ctx.clocklessFramesPerSecond = clocklessRate;
  if (offsetValues) {
    ctx.valueEncoding = ValueEncoding::Offset;
  }
  return command->run(ctx, rest);
}

}  // namespace padscope
