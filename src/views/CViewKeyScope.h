#pragma once

#include "views/CScopeViewBase.h"

namespace padscope {

struct FrameFields;

// The key scope pane (right, bottom): per-channel boxes with the key value,
// threshold and touch state of the newest frame.
class CViewKeyScope : public CScopeViewBase {
  Q_OBJECT

 public:
  CViewKeyScope(CaptureContext& ctx, FrameFields& fields, QWidget* parent = nullptr);

 protected:
  void Render(QPainter& painter, const QRect& area) override;

 private:
  FrameFields& fields_;
};

}  // namespace padscope
