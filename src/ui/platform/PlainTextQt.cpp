#include "ui/platform/PlainTextQt.h"

namespace padscope {

QString PlainToolTip(const QString& text) {
  if (text.isEmpty()) {
    return {};
  }
  // Escaped inside markup of its own, every character stands for itself; the
  // lines stay as they are, as in a plain tool tip.
  return "<p style='white-space:pre'>" + text.toHtmlEscaped() + "</p>";
}

}  // namespace padscope
