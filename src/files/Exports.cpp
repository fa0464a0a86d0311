#include "files/Exports.h"

#include <charconv>

#include "capture/CaptureContext.h"
#include "platform/OwnFile.h"
#include "state/GlobalSettings.h"

namespace padscope {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr size_t kFlushAt = 1 << 16;

// Collects text and writes it in large pieces; the table of a full buffer is
// hundreds of megabytes.
class TextSink {
 public:
  explicit TextSink(std::FILE* out) : out_(out) { buffer_.reserve(kFlushAt + 1024); }

  void Number(int value) {
    char digits[16];
    const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
    buffer_.append(digits, end);
  }
  void Text(const std::string& text) { buffer_ += text; }
  void Char(char c) { buffer_ += c; }
  void LineEnd() {
    buffer_ += kLineEnd;
    if (buffer_.size() >= kFlushAt) {
      Flush();
    }
  }
  bool Finish() {
    Flush();
    return ok_;
  }

 private:
  void Flush() {
    if (!buffer_.empty() &&
        std::fwrite(buffer_.data(), 1, buffer_.size(), out_) != buffer_.size()) {
      ok_ = false;
    }
    buffer_.clear();
  }

  std::FILE* out_;
  std::string buffer_;
  bool ok_ = true;
};

}  // namespace

bool WriteRawFrameTable(std::FILE* out, const CaptureContext& ctx) {
  TextSink sink(out);
  for (int i = 0; i < kRawBytes; ++i) {
    sink.Number(i);
    sink.Char(',');
  }
  sink.LineEnd();
  for (int slot = ctx.WriteIndex(); slot >= 0; --slot) {
    for (int i = 0; i < kRawBytes; ++i) {
      sink.Number(ctx.RawByte(slot, i));
      sink.Char(',');
    }
    sink.LineEnd();
  }
  return sink.Finish();
}

bool WriteMessageLogText(std::FILE* out, const std::vector<std::string>& lines) {
  TextSink sink(out);
  for (const std::string& line : lines) {
    sink.Text(line);
    sink.LineEnd();
  }
  return sink.Finish();
}

bool WriteThresholdDump(std::FILE* out, const GlobalSettings& settings) {
  TextSink sink(out);
  for (int ch = 0; ch < kFrameChannels; ++ch) {
    if (!IsChannelEnabled(settings.channel[ch])) {
      continue;
    }
    sink.Text("CH ");
    sink.Number(ch);
    sink.Text("    ");
    sink.Number(settings.channel[ch].EffectiveThreshold());
    sink.LineEnd();
  }
  return sink.Finish();
}

bool AppendThresholdDump(const std::filesystem::path& folder, const GlobalSettings& settings) {
  const std::filesystem::path data = folder / "data";
  if (!MakeRealFolder(data)) {
    return false;
  }
  std::FILE* out = OpenOwnFileForAppend(data / "Threhold.txt");
  if (out == nullptr) {
    return false;
  }
  const bool written = WriteThresholdDump(out, settings);
  return std::fclose(out) == 0 && written;
}

}  // namespace padscope
