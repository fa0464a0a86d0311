// padscope-cli: the scriptable companion of Padscope (production-line checks,
// firmware CI, end-to-end tests).
#include <iostream>
#include <string>
#include <vector>

#include "Cli.h"
#include "UpdateRecovery.h"
#include "platform/LockDirectory.h"
#include "platform/ProgramFolders.h"

int main(int argc, char** argv) {
  padscope::SetRuntimeDirectory(padscope::DefaultRuntimeDirectory());
  // The package manager owns an installed program and its updates.
  const padscope::ProgramFolders folders = padscope::CurrentProgramFolders();
  if (!folders.installed && !padscope::FinishInterruptedUpdate(folders.resources, std::cerr)) {
    return 1;
  }
  std::vector<std::string> args(argv + 1, argv + argc);
  return padscope::RunCli(args, std::cout, std::cerr);
}
