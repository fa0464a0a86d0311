#pragma once

// Runs padscope-cli in-process and keeps what it printed.
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "link/HidBackend.h"
#include "padscope-cli/Cli.h"

namespace padscope::test {

struct CliRun {
  int status = -1;
  std::string out;
  std::string err;
};

// With a null backend the arguments' --simulate (or real hardware) decides.
inline CliRun RunCliCaptured(const std::vector<std::string>& args,
                             std::shared_ptr<HidBackend> backend) {
  std::ostringstream out;
  std::ostringstream err;
  CliRun r;
  r.status = RunCli(args, out, err, std::move(backend));
  r.out = out.str();
  r.err = err.str();
  return r;
}

// The text's lines without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

// The comma-separated fields of a CSV line.
inline std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string f; std::getline(in, f, ',');) {
    fields.push_back(f);
  }
  return fields;
}

}  // namespace padscope::test
