#pragma once

#include <cstdint>
#include <string>

#include "CliCommands.h"
#include "capture/CaptureContext.h"
#include "files/ChartFile.h"

namespace padscope {

// A chart read into a frame buffer of its own, as the program reads it.
struct LoadedChart {
  CaptureContext ctx;
  ChartReadResult result;
  uintmax_t size = 0;
  int singleByteMode = 1;  // the value width the chart's first channel byte announces
};

// Reads the chart at `path` into `chart`. False, with the program's message on
// err, when the file cannot be opened or no buffer can hold it.
bool LoadChartFile(CliContext& cli, const std::string& path, LoadedChart& chart);

}  // namespace padscope
