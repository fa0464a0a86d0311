#pragma once

#include <filesystem>

namespace padscope {

// The folder the program keeps its files in: the executable's folder, or the
// folder named by the environment variable PADSCOPE_HOME when it is set and not
// empty (tests point it at a temporary folder). Read anew on every call.
std::filesystem::path ProgramDirectory();

}  // namespace padscope
