#pragma once

#include <QDialog>
#include <memory>

class QLineEdit;
class QPushButton;

namespace padscope {

class CNumberEdit;
class TkHexImage;

// "Hex File": loads a base firmware image, patches the sixteen channel
// thresholds of GlobalSettings into it at a hexadecimal word offset and saves
// the result under a new name. Saving keeps the dialog open; only Cancel
// closes it. The dialog owns one image for its lifetime. UI thread.
class CDlgHex : public QDialog {
  Q_OBJECT

 public:
  explicit CDlgHex(QWidget* parent = nullptr);
  ~CDlgHex() override;

  QLineEdit* pathEdit() const { return path_; }
  QPushButton* browseButton() const { return browse_; }
  CNumberEdit* offsetEdit() const { return offset_; }
  QPushButton* saveButton() const { return save_; }
  QPushButton* cancelButton() const { return cancel_; }
  const TkHexImage& image() const { return *image_; }

  // Button "...": choose and load the base file.
  void OnBrowse();
  // Button "Save Hex As...": patch, choose the output and write it.
  void OnSave();

 private:
  std::unique_ptr<TkHexImage> image_;
  QLineEdit* path_;
  QPushButton* browse_;
  CNumberEdit* offset_;
  QPushButton* save_;
  QPushButton* cancel_;
};

}  // namespace padscope
