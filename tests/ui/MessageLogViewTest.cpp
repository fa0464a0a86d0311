// The message log pane: where its button and list sit, and long lines.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>

#include "ui/views/CViewKey.h"

namespace padscope {
namespace {

TEST(MessageLogView, ButtonAboveAListThatFillsThePane) {
  CViewKey view;
  view.resize(300, 200);
  view.show();
  EXPECT_EQ(view.deleteButton()->geometry(), QRect(2, 2, 296, 18));
  EXPECT_EQ(view.list()->geometry(), QRect(2, 30, 296, 168));
  // Squeezed by the splitter: no negative width, and never below a few lines.
  view.resize(1, 10);
  EXPECT_EQ(view.list()->geometry(), QRect(2, 30, 0, view.minimumHeight() - 32));
}

// A line wider than the pane can be scrolled into view to its last character,
// however many shorter lines came before it.
TEST(MessageLogView, LongLinesScrollSideways) {
  CViewKey view;
  view.resize(300, 200);
  view.show();
  view.AppendLine("CH0 min 33010 -> 33010");
  const QString wide = QStringLiteral("USB Send: 64 bytes ") + QString(" 0x55").repeated(60) +
                       QStringLiteral(" end");
  view.AppendLine(wide);
  view.AppendLine("done");
  QApplication::processEvents();
  const QListWidget* list = view.list();
  const QScrollBar* bar = list->horizontalScrollBar();
  EXPECT_TRUE(bar->isVisible());
  EXPECT_GE(bar->maximum() + list->viewport()->width(),
            list->fontMetrics().horizontalAdvance(wide));
}

}  // namespace
}  // namespace padscope
