#include "state/SettingsText.h"

#include <cinttypes>
#include <cstdio>

#include "state/SettingsFields.h"

namespace padscope {

std::string DescribeSettings(const GlobalSettings& settings) {
  using settings_fields::Style;
  std::string text;
  settings_fields::ForEachSettingsField(
      settings, [&](const std::string& name, std::size_t, const auto& field, Style style) {
        if (style == Style::kReserved) {
          return;
        }
        char value[32];
        if (style == Style::kHex) {
          // Colours are 0x00BBGGRR; show the six colour digits, more if set.
          const int digits = sizeof(field) == 1 ? 2 : 6;
          std::snprintf(value, sizeof value, "0x%0*" PRIX32, digits, static_cast<uint32_t>(field));
        } else {
          std::snprintf(value, sizeof value, "%" PRId64, static_cast<int64_t>(field));
        }
        text += name;
        text += " = ";
        text += value;
        text += '\n';
      });
  return text;
}

}  // namespace padscope
