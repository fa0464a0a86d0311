#pragma once

#include "views/CScopeViewBase.h"

namespace padscope {

struct FrameFields;

// The waveform pane (right, top): one trace per shown channel against time.
class CViewScope : public CScopeViewBase {
  Q_OBJECT

 public:
  CViewScope(CaptureContext& ctx, FrameFields& fields, QWidget* parent = nullptr);

 protected:
  void Render(QPainter& painter, const QRect& area) override;

 private:
  FrameFields& fields_;
};

}  // namespace padscope
