#pragma once

#include <string>

namespace padscope {

// The settings of a decimal edit field: how long its text may grow, how many
// digits may follow the decimal point, and whether '-' may be typed.
struct DecimalInputRules {
  int maxLength = 12;
  int maxDecimals = 1;
  bool allowNegative = false;
};

// A text field's content and selection (a caret is an empty selection).
struct DecimalInputState {
  std::string text;
  int selectionStart = 0;
  int selectionEnd = 0;
};

inline constexpr char kBackspace = '\b';

// What one typed character does to a decimal edit field: returns true when it
// is applied, false when it is swallowed (the field keeps its text and
// selection). On true, *after (if given) receives the text and caret that result.
//
// Only digits, '.', backspace and (when allowed) '-' are considered. Once the
// text reads as a value above 10, only backspace gets through. A character
// whose result would be longer than maxLength, carry more than maxDecimals
// digits after the point, begin with '.', or hold a second '.', is undone.
bool AcceptDecimalChar(const DecimalInputRules& rules, const DecimalInputState& before, char typed,
                       DecimalInputState* after = nullptr);

// The field's text as tenths, exactly as written in decimal (no binary
// rounding: "0.3" is 3), digits after the first decimal truncated. Text that is
// not a plain non-negative decimal number reads as 0; values beyond 65535
// tenths read as 65535, the widest the sampling word's upper half holds.
int DecimalTextToTenths(const std::string& text);

}  // namespace padscope
