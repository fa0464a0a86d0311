#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "link/HidBackend.h"

namespace padscope {

// Runs one padscope-cli invocation: `args` without the program name. Output goes
// to `out`, trace lines and the one-line failure message to `err`. Returns the
// exit status (0 success, 1 failure, 2 usage error). When `backend` is given it
// is used instead of the one the options select (tests pass a simulated adapter).
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           std::shared_ptr<HidBackend> backend = nullptr);

}  // namespace padscope
