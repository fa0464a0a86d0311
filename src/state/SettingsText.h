#pragma once

#include <string>

#include "state/GlobalSettings.h"

namespace padscope {

// Every named field of `settings`, one "name = value" line each in file order:
// "zoom = 1", "channelColor[0] = 0x0000FF", "channel[3].threshold = 40". Colours
// and channel flags are hexadecimal, all else decimal; the header and the
// reserved words are left out. Any thread.
std::string DescribeSettings(const GlobalSettings& settings);

}  // namespace padscope
