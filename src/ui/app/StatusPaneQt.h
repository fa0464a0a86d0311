#pragma once

#include <QFrame>
#include <QString>

namespace padscope {

// One sunken pane of the status bar. It asks for its nominal width but gives
// way down to a smaller one when the window is narrow, and then shows its text
// cut with an ellipsis (the whole text in its tool tip). UI thread only.
class StatusPane : public QFrame {
  Q_OBJECT

 public:
  StatusPane(int nominalWidth, int minimumWidth, QWidget* parent = nullptr);

  void setText(const QString& text);
  QString text() const { return text_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void UpdateToolTip();

  QString text_;
  int nominalWidth_;
  int minimumWidth_;
};

}  // namespace padscope
