#include "commands/DecimalInput.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace padscope {

namespace {

// The text as the field reads its value: the longest decimal prefix, 0 for none.
double LeadingValue(const std::string& text) {
  return std::strtod(text.c_str(), nullptr);
}

DecimalInputState Apply(const DecimalInputState& s, char typed) {
  const int size = static_cast<int>(s.text.size());
  int from = std::clamp(std::min(s.selectionStart, s.selectionEnd), 0, size);
  const int to = std::clamp(std::max(s.selectionStart, s.selectionEnd), 0, size);
  DecimalInputState out;
  if (typed == kBackspace) {
    if (from == to && from > 0) {
      --from;  // no selection: the character before the caret goes
    }
    out.text = s.text.substr(0, from) + s.text.substr(to);
    out.selectionStart = out.selectionEnd = from;
    return out;
  }
  out.text = s.text.substr(0, from) + typed + s.text.substr(to);
  out.selectionStart = out.selectionEnd = from + 1;
  return out;
}

int DigitsAfterPoint(const std::string& text) {
  const auto point = text.find('.');
  return point == std::string::npos ? 0 : static_cast<int>(text.size() - point - 1);
}

}  // namespace

bool AcceptDecimalChar(const DecimalInputRules& rules, const DecimalInputState& before, char typed,
                       DecimalInputState* after) {
  const bool digit = typed >= '0' && typed <= '9';
  const bool minus = typed == '-' && rules.allowNegative;
  if (!digit && !minus && typed != '.' && typed != kBackspace) {
    return false;
  }
  if (typed != kBackspace && LeadingValue(before.text) > 10.0) {
    return false;
  }
  const DecimalInputState next = Apply(before, typed);
  const bool tooLong = static_cast<int>(next.text.size()) > rules.maxLength;
  const bool tooPrecise = DigitsAfterPoint(next.text) > rules.maxDecimals;
  const bool leadingPoint = !next.text.empty() && next.text.front() == '.';
  const bool secondPoint = typed == '.' && std::count(next.text.begin(), next.text.end(), '.') > 1;
  if (tooLong || tooPrecise || leadingPoint || secondPoint) {
    return false;
  }
  if (after != nullptr) {
    *after = next;
  }
  return true;
}

int DecimalTextToTenths(const std::string& text) {
  constexpr long long kMax = 65535;
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) {
    ++i;
  }
  size_t end = text.size();
  while (end > i && std::isspace(static_cast<unsigned char>(text[end - 1]))) {
    --end;
  }
  long long whole = 0;
  int tenth = 0;
  bool anyDigit = false;
  bool point = false;
  int decimals = 0;
  for (; i < end; ++i) {
    const char c = text[i];
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      anyDigit = true;
      if (!point) {
        whole = std::min(whole * 10 + (c - '0'), kMax + 1);
      } else if (decimals++ == 0) {
        tenth = c - '0';
      }
    } else {
      return 0;
    }
  }
  if (!anyDigit) {
    return 0;
  }
  return static_cast<int>(std::min(whole * 10 + tenth, kMax));
}

}  // namespace padscope
