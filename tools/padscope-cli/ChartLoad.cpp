#include "ChartLoad.h"

#include <cerrno>
#include <filesystem>
#include <memory>
#include <ostream>

#include "platform/FileBytes.h"
#include "state/GlobalSettings.h"

namespace padscope {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The value width a stream announces in its channel byte: the first record
// with a channel byte decides, as the capture thread's first report does.
int SingleByteModeOf(std::FILE* in) {
  uint8_t record[kChartRecordBytes];
  int mode = 1;
  while (std::fread(record, 1, sizeof record, in) == sizeof record) {
    if (record[2] != 0 && record[2] != 0xFF) {
      mode = (record[2] & 0x80) ? 0 : 1;
      break;
    }
  }
  std::rewind(in);
  return mode;
}

}  // namespace

bool LoadChartFile(CliContext& cli, const std::string& path, LoadedChart& chart) {
  errno = 0;
  File in(OpenRegularFile(path, chart.size));
  if (!in) {
    const int error = errno;
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    const std::string why = !std::filesystem::exists(status) ? "No such file or directory"
                            : !std::filesystem::is_regular_file(status)
                                ? "not a regular file"
                                : std::error_code(error, std::generic_category()).message();
    cli.err << "File open failed. " << path << ": " << why << "\n";
    return false;
  }
  GlobalSettings settings;  // the chart alone decides, not the program's settings
  chart.ctx.valueEncoding = cli.valueEncoding;
  switch (PrepareChartBuffer(chart.ctx, settings, chart.size)) {
    case ChartBufferStatus::ReallocateFailed:
      cli.err << "reallocate memory failed.\n";
      return false;
    case ChartBufferStatus::AllocateFailed:
      cli.err << "Memory allocate failed.\n";
      return false;
    case ChartBufferStatus::Ready:
      break;
  }
  chart.singleByteMode = SingleByteModeOf(in.get());
  ChartReadHooks hooks;
  chart.result = ReadChartRecords(in.get(), chart.ctx, chart.singleByteMode, hooks);
  return true;
}

}  // namespace padscope
