// `chart info|table|decode FILE`: what a chart holds, as the program reads it.
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <ostream>

#include "ChartLoad.h"
#include "CliCommands.h"
#include "capture/CaptureContext.h"
#include "files/ChartFile.h"
#include "files/DecodedCsv.h"
#include "files/Exports.h"
#include "state/GlobalSettings.h"

namespace padscope {

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

const char* LayoutName(int layout) {
  switch (layout) {
    case 2:
      return "2 (\"double\" mark)";
    case 3:
      return "3";
    default:
      return "none";
  }
}

int Info(CliContext& cli, const LoadedChart& chart) {
  const int n = chart.ctx.WriteIndex();
  cli.out << "records: " << chart.size / kChartRecordBytes << "\n";
  if (chart.size % kChartRecordBytes != 0) {
    cli.out << "trailing bytes: " << chart.size % kChartRecordBytes << "\n";
  }
  cli.out << "end record: " << (chart.result.endRecord ? "yes" : "no") << "\n";
  cli.out << "frames accepted: " << chart.result.accepted << "\n";
  cli.out << "layout: " << LayoutName(chart.ctx.FrameLayout()) << "\n";
  cli.out << "channels: " << (n > 0 ? chart.ctx.channelCount.load() : 0) << "\n";
  cli.out << "value width: "
          << (n == 0                 ? "none"
              : chart.singleByteMode ? "Single 16TK"
                                     : "Double 8TK")
          << "\n";
  return 0;
}

int Table(CliContext& cli, const LoadedChart& chart) {
  File tmp(std::tmpfile());
  if (!tmp || !WriteRawFrameTable(tmp.get(), chart.ctx)) {
    cli.err << "file create failed.\n";
    return 1;
  }
  std::rewind(tmp.get());
  char buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, tmp.get())) > 0) {
    cli.out.write(buffer, static_cast<std::streamsize>(n));
  }
  return 0;
}

int Decode(CliContext& cli, const LoadedChart& chart) {
  WriteDecodedCsv(cli.out, chart.ctx, chart.singleByteMode, 0, chart.ctx.WriteIndex() - 1);
  return 0;
}

}  // namespace

int CmdChart(CliContext& cli, const std::vector<std::string>& args) {
  if (args.size() != 2 || (args[0] != "info" && args[0] != "table" && args[0] != "decode")) {
    cli.err << "usage: chart info|table|decode FILE\n";
    return 2;
  }
  auto chart = std::make_unique<LoadedChart>();
  if (!LoadChartFile(cli, args[1], *chart)) {
    return 1;
  }
  if (args[0] == "info") {
    return Info(cli, *chart);
  }
  return args[0] == "table" ? Table(cli, *chart) : Decode(cli, *chart);
}

}  // namespace padscope
