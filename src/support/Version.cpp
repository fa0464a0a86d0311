#include "support/Version.h"

#ifndef PADSCOPE_VERSION
#define PADSCOPE_VERSION "unknown"
#endif

namespace padscope {

const char* ProgramVersion() {
  return PADSCOPE_VERSION;
}

std::string VersionLine(const char* program) {
  return std::string(program) + " " + ProgramVersion();
}

}  // namespace padscope
