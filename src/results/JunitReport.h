#pragma once

// A run as JUnit XML, the format a line's test software (and any CI server)
// reads: one test suite for the unit, one test case per key with its figures
// as properties; a failing key is a failure with its reason, an untouched
// key is skipped, and a run with nothing to analyse is an error.

#include <string>

#include "results/UnitRecord.h"

namespace padscope {

std::string FormatJunit(const UnitRecord& unit);

}  // namespace padscope
