#include "Cli.h"

#include <functional>
#include <map>
#include <optional>
#include <ostream>

#include "CliCommands.h"
#include "link/HidAdapter.h"
#include "link/TracingBackend.h"
#include "sim/BackendSelection.h"
#include "support/Version.h"

namespace padscope {

namespace {

constexpr const char* kUsage =
    "usage: padscope-cli [--simulate[=pelmira|corvex][:SCENARIO]] [--trace] [--offset-values]\n"
    "                   COMMAND [ARGS]\n"
    "       padscope-cli --help | --version\n"
    "commands:\n"
    "  list                                 adapters found\n"
    "  stream --frames N                    print N streamed 64-byte frames as hex\n"
    "  recharge ADDRESS                     set the recharge start address\n"
    "  params --ch-timer N --times N --hold N --debounce N --no-compose 0|1\n"
    "                                       send the global sensing parameters\n"
    "  threshold CHANNEL VALUE              send one channel's threshold\n"
    "  capture --frames N -o FILE.tkchart   capture N frames and save them as a chart\n"
    "  chart info|table|decode FILE         what a chart holds; its raw-frame table; CSV\n"
    "  settings show [FILE]                 every field of a settings file (~tmp.tmp)\n"
    "  text ID [--lang 1|2|3] [--file PATH] look a text up in Padscope.xml\n"
    "  hex patch BASE.hex --offset HEX (--thresholds V0,...,V15 | --settings FILE) -o OUT.hex\n"
    "                                       patch channel thresholds into a firmware image\n"
    "  keygen PUBLIC SECRET                 make the key pair that signs update packages\n"
    "  package FOLDER OUTPUT --key SECRET   build and sign the update package (Padscope.pkg)\n"
    "  verify PACKAGE [--key PUBLIC]        check a package's signature and contents\n"
    "  flash info                           busy byte, size code, frame limit, erase estimate\n"
    "  flash load -o FILE.tkchart           read the adapter's flash recording into a chart\n"
    "  flash erase                          erase the adapter's flash and wait for it\n"
    "  flash write FILE                     erase, write a chart's frames, read back, verify\n"
    "  analyze FILE.tkchart [--settings FILE] [--from N --to M] [--guard N] [--min-snr X]\n"
    "          [--threshold-at F] [--crosstalk-flag PERCENT] [--format text|csv|json|html]\n"
    "          [-o OUT]                     noise, signal, SNR, thresholds and crosstalk per key\n"
    "  check --seconds N [-o FILE.tkchart] [--report OUT] [analyze's options]\n"
    "                                       capture N seconds live (touch each key), analyse\n"
    "--offset-values: the adapter sends every count plus 0x8000; without it the values\n"
    "are read as signed 16-bit counts\n"
    "exit status: 0 success, 1 error, 2 usage error; analyze and check: 3 when a touched\n"
    "key fails\n";

using Command = std::function<int(CliContext&, const std::vector<std::string>&)>;

const std::map<std::string, Command>& Commands() {
  static const std::map<std::string, Command> commands = {
      {"list", CmdList},       {"stream", CmdStream},       {"recharge", CmdRecharge},
      {"params", CmdParams},   {"threshold", CmdThreshold}, {"capture", CmdCapture},
      {"chart", CmdChart},     {"settings", CmdSettings},   {"text", CmdText},
      {"hex", CmdHex},         {"package", CmdPackage},     {"flash", CmdFlash},
      {"analyze", CmdAnalyze}, {"check", CmdCheck},         {"keygen", CmdKeygen},
      {"verify", CmdVerify},
  };
  return commands;
}

bool IsSimulateOption(const std::string& a) {
  return a == "--simulate" || a.rfind("--simulate=", 0) == 0;
}

}  // namespace

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
    } else if (a == "--help") {
      out << kUsage;
      return 0;
    } else if (a == "--version") {
      out << "padscope-cli " << ProgramVersion() << "\n";
      return 0;
    } else {
      err << "unknown option: " << a << "\n" << kUsage;
      return 2;
    }
  }
  if (i >= args.size()) {
    err << kUsage;
    return 2;
  }
  const auto command = Commands().find(args[i]);
  if (command == Commands().end()) {
    err << "unknown command: " << args[i] << "\n" << kUsage;
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

  if (!backend) {
    std::string error;
    backend = MakeBackend(simulate, error);
    if (!backend) {
      err << error << "\n";
      return 1;
    }
  }
  if (trace) {
    backend = std::make_shared<TracingBackend>(
        backend, [&err](const std::string& line) { err << line << "\n"; });
  }
  HidAdapter adapter(backend);
  CliContext ctx{adapter, out, err};
  if (offsetValues) {
    ctx.valueEncoding = ValueEncoding::Offset;
  }
  return command->second(ctx, rest);
}

}  // namespace padscope
