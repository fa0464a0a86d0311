#pragma once

#include <QDialog>

class QLineEdit;

namespace padscope {

struct FrameFields;

// "Set Coordinate": the channel and the raw-value interval of the TK range
// watch. OK stores what was typed (text that is not a number counts as 0; a
// channel above 15 is taken as 15, so the watch never reads past the frame's
// 16 values); Cancel changes nothing. UI thread.
class CCoordinateDlg : public QDialog {
  Q_OBJECT

 public:
  CCoordinateDlg(FrameFields& fields, QWidget* parent = nullptr);

  QLineEdit* channelEdit() const { return channel_; }
  QLineEdit* maxEdit() const { return max_; }
  QLineEdit* minEdit() const { return min_; }

  void accept() override;

 private:
  FrameFields& fields_;
  QLineEdit* channel_;
  QLineEdit* max_;
  QLineEdit* min_;
  QLineEdit* keyMax_;
  QLineEdit* keyMin_;
};

}  // namespace padscope
