// `flash info|load|erase|write`: the flash page's operations from the console,
// over the same code as the Utilities dialog.
#include <cstdio>
#include <ostream>

#include "CliCommands.h"
#include "capture/CaptureContext.h"
#include "files/ChartFile.h"
#include "flash/FlashGeometry.h"
#include "flash/FlashOperations.h"
#include "link/HidAdapter.h"
#include "link/Opcodes.h"
#include "platform/Prompt.h"
#include "state/GlobalSettings.h"
#include "state/SettingsFile.h"

namespace padscope {

namespace {

// Message boxes become lines on the error stream.
class ConsolePrompt : public Prompt {
 public:
  explicit ConsolePrompt(std::ostream& err) : err_(err) {}
  PromptButton Show(const PromptRequest& request) override {
    err_ << request.text << "\n";
    return DecliningButton(request.buttons);
  }

 private:
  std::ostream& err_;
};

// Installs the console prompt for one command and restores the previous one.
class PromptScope {
 public:
  explicit PromptScope(std::ostream& err) : previous_(ThePrompt()) {
    SetPrompt(std::make_shared<ConsolePrompt>(err));
  }
  ~PromptScope() { SetPrompt(previous_); }

 private:
  std::shared_ptr<Prompt> previous_;
};

// Progress goes to the error stream, the final status to the output. Without
// a device watcher the console looks for the adapter itself every round.
class ConsoleFlashHost : public FlashHost {
 public:
  ConsoleFlashHost(CliContext& cli, std::atomic<bool>& present, const CaptureContext* ctx)
      : cli_(cli), present_(present), ctx_(ctx) {}

  void SetStatus(const std::string& text) override { status_ = text; }
  void AppendLog(const std::string& /*line*/) override {}
  void ShowProgress(bool /*shown*/) override {}
  void SetProgressRange(int /*maximum*/) override {}
  void SetProgress(int /*position*/) override {}
  void EnableButtons(bool /*enabled*/) override {}
  void DispatchEvents() override {
    cli_.err << "\r" << status_ << "   " << std::flush;
    if (ctx_ == nullptr) {  // an erase: did the adapter go away?
      bool listed = false;
      for (const HidDeviceInfo& info : cli_.adapter.Backend().Enumerate()) {
        listed = listed || info.vendorId == kAdapterVendorId;
      }
      present_ = listed;
    }
  }
  std::optional<std::string> SaveLoadedChart() override {
    if (ctx_ == nullptr || output.empty() || !WriteChart(output, *ctx_)) {
      return std::nullopt;
    }
    return output;
  }
  const std::string& Status() const { return status_; }

  std::string output;

 private:
  CliContext& cli_;
  std::atomic<bool>& present_;
  const CaptureContext* ctx_;
  std::string status_;
};

int Info(CliContext& cli) {
  if (!cli.adapter.Connect()) {
    cli.err << kMsgNoDevice << "\n";
    return 1;
  }
  const FlashInfo info = ReadFlashInfo(cli.adapter);
  if (!info.ok) {
    cli.err << "read failed.\n";
    return 1;
  }
  const FlashGeometry g = info.Geometry();
  char code[8];
  std::snprintf(code, sizeof code, "0x%02X", info.SizeCode());
  cli.out << "busy            " << int{info.Busy()} << "\n"
          << "size code       " << code << (g.known ? "" : " (unknown: defaults apply)") << "\n"
          << "frame limit     " << g.frameLimit << "\n"
          << "erase estimate  " << g.eraseSeconds << " s\n";
  return 0;
}

int Load(CliContext& cli, const std::string& output) {
  LoadSettings();
  CaptureContext ctx;
  ctx.valueEncoding = cli.valueEncoding;
  std::atomic<bool> present{true};
  ConsoleFlashHost host(cli, present, &ctx);
  host.output = output;
  const FlashTargets targets{cli.adapter, ctx, GlobalSettings::Instance().bufferFrames, present};
  const LoadResult r = RunFlashLoad(targets, host);
  if (r.end == LoadEnd::None) {
    return 1;
  }
  cli.err << "\n";
  cli.out << r.frames << " Loaded.\n";
  if (r.end == LoadEnd::ReadFailed || r.end == LoadEnd::NoModel) {
    cli.err << "read failed.\n";
  } else if (r.end == LoadEnd::BufferFull) {
    cli.err << kMsgLoadBufferFull << "\n";
  }
  if (!r.chartName) {
    cli.err << "Tkchart file create failed.\n";
    return 1;
  }
  cli.out << "File list: <  " << *r.chartName << "  > \n";
  return r.end == LoadEnd::ReadFailed || r.end == LoadEnd::NoModel ? 1 : 0;
}

int Erase(CliContext& cli) {
  CaptureContext ctx;
  std::atomic<bool> present{true};
  ConsoleFlashHost host(cli, present, nullptr);
  const EraseEnd end = RunFlashErase(FlashTargets{cli.adapter, ctx, 0, present}, host);
  if (end == EraseEnd::None || end == EraseEnd::Refused) {
    return 1;
  }
  cli.err << "\n";
  cli.out << host.Status() << "\n";
  return end == EraseEnd::Removed ? 1 : 0;
}

int Write(CliContext& cli, const std::string& file) {
  CaptureContext ctx;
  std::atomic<bool> present{true};
  ConsoleFlashHost host(cli, present, nullptr);
  const FlashTargets targets{cli.adapter, ctx, 0, present};
  if (!FlashPrecondition(targets, host)) {
    return 1;
  }
  const WriteEnd end = WriteFlashImage(targets, host, file);
  cli.err << "\n";
  if (WriteStarted(end)) {
    cli.out << host.Status() << "\n";
  }
  if (end == WriteEnd::WriteFailed || end == WriteEnd::ReadBackFailed) {
    cli.err << "the adapter refused the " << (end == WriteEnd::WriteFailed ? "write" : "read-back")
            << ".\n";
  }
  return end == WriteEnd::Success ? 0 : 1;
}

}  // namespace

int CmdFlash(CliContext& cli, const std::vector<std::string>& args) {
  PromptScope prompts(cli.err);
  if (args.size() == 1 && args[0] == "info") {
    return Info(cli);
  }
  if (args.size() == 3 && args[0] == "load" && args[1] == "-o") {
    return Load(cli, args[2]);
  }
  if (args.size() == 1 && args[0] == "erase") {
    return Erase(cli);
  }
  if (args.size() == 2 && args[0] == "write") {
    return Write(cli, args[1]);
  }
  cli.err << "usage: flash info | flash load -o FILE.tkchart | flash erase | flash write FILE\n";
  return 2;
}

}  // namespace padscope
