#pragma once

#include <QDialog>
#include <utility>

#include "commands/GlobalParameters.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace padscope {

class CDecimalEdit;
class CaptureContext;
class HidAdapter;
struct GlobalSettings;

// "Setting": the touch-key chip's global sensing parameters and the capture
// buffer size. OK checks the fields, sends them to the chip and, once the chip
// has them, stores them and resizes the frame buffer; every refusal shows its
// message and keeps the dialog open. Cancel changes nothing. The settings,
// context and adapter (which may be null) outlive the dialog. UI thread.
class CDlgSetting : public QDialog {
  Q_OBJECT

 public:
  CDlgSetting(GlobalSettings& settings, CaptureContext& ctx, HidAdapter* adapter,
              QWidget* parent = nullptr);

  QLineEdit* chTimerEdit() const { return chTimer_; }
  CDecimalEdit* elapseEdit() const { return elapse_; }
  QLineEdit* timesEdit() const { return times_; }
  QLineEdit* maxHoldKeyEdit() const { return maxHoldKey_; }
  QLineEdit* debounceEdit() const { return debounce_; }
  QLabel* debounceLabel() const { return debounceLabel_; }
  QCheckBox* noComposeKeyCheck() const { return noComposeKey_; }
  QLineEdit* bufferEdit() const { return buffer_; }

  // The fields as they read now.
  ParameterForm Form() const;
  // What OK asks and tells the window about the frame buffer it empties.
  void SetBufferHooks(BufferHooks hooks) { bufferHooks_ = std::move(hooks); }

  void accept() override;

 private:
  GlobalSettings& settings_;
  CaptureContext& ctx_;
  HidAdapter* adapter_;
  BufferHooks bufferHooks_;
  QLineEdit* chTimer_;
  CDecimalEdit* elapse_;
  QLineEdit* times_;
  QLineEdit* maxHoldKey_;
  QLineEdit* debounce_;
  QLabel* debounceLabel_;
  QCheckBox* noComposeKey_;
  QLineEdit* buffer_;
};

}  // namespace padscope
