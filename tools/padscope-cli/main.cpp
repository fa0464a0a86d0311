// padscope-cli: the scriptable companion of Padscope (production-line checks,
// firmware CI, end-to-end tests).
#include <iostream>
#include <string>
#include <vector>

#include "Cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return padscope::RunCli(args, std::cout, std::cerr);
}
