#pragma once

namespace padscope {

// The version the programs were built as ("0.1.0"), for --version.
const char* ProgramVersion();

}  // namespace padscope
