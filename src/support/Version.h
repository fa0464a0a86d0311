#pragma once

#include <string>

namespace padscope {

// The version the programs were built as ("0.1.0"), for --version.
const char* ProgramVersion();

// What --version prints of `program`, without the line end: "padscope 0.1.0".
std::string VersionLine(const char* program);

}  // namespace padscope
