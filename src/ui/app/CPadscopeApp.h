#pragma once

namespace padscope {

// The program: start-up in order (capture context, text table, single
// instance, adapter, main frame, update check), the event loop, and exit.
// Returns the process exit code.
int RunPadscopeApp(int argc, char** argv);

}  // namespace padscope
