#pragma once

// Qt takes any tool tip that looks like markup for markup. Texts from outside
// (file names, paths, key names from the text table) go into tool tips through
// this, so that they are shown as written and a link in them never works.

#include <QString>

namespace padscope {

// `text` as a tool tip that shows it as written (empty: no tool tip).
QString PlainToolTip(const QString& text);

}  // namespace padscope
