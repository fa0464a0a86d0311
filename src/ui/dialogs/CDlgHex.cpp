#include "ui/dialogs/CDlgHex.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "flash/HexImage.h"
#include "flash/HexPatch.h"
#include "platform/Prompt.h"
#include "state/GlobalSettings.h"
#include "ui/dialogs/CNumberEdit.h"

namespace padscope {

namespace {
constexpr int kOffsetCharacters = 2;
}

CDlgHex::CDlgHex(QWidget* parent)
    : QDialog(parent),
      image_(std::make_unique<TkHexImage>()),
      path_(new QLineEdit(this)),
      browse_(new QPushButton(QStringLiteral("..."), this)),
      offset_(new CNumberEdit(this)),
      save_(new QPushButton(QStringLiteral("Save Hex As..."), this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)) {
  setWindowTitle(QStringLiteral("Hex File"));
  // Only the browse button picks the base file; a typed path would be ignored.
  path_->setReadOnly(true);
  offset_->SetMode(CNumberEdit::kHexadecimal);
  offset_->SetValue(static_cast<int32_t>(kDefaultThresholdOffset));
  offset_->setMaxLength(kOffsetCharacters);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QStringLiteral("Base Hex File:"), this), 0, 0);
  grid->addWidget(path_, 0, 1);
  grid->addWidget(browse_, 0, 2);
  grid->addWidget(new QLabel(QStringLiteral("Threshold Offset In Hex:"), this), 1, 0);
  grid->addWidget(offset_, 1, 1);
  path_->setMinimumWidth(320);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(save_);
  buttons->addWidget(cancel_);
  save_->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(buttons);

  connect(browse_, &QPushButton::clicked, this, &CDlgHex::OnBrowse);
  connect(save_, &QPushButton::clicked, this, &CDlgHex::OnSave);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

CDlgHex::~CDlgHex() = default;

void CDlgHex::OnBrowse() {
  FileRequest request;
  request.kind = FileDialogKind::Open;
  request.defaultExtension = "hex";
  request.filter = "Quib Hex Files (*.hex)|*.hex|All Files (*.*)|*.*||";
  const auto chosen = TheFileChooser()->Choose(request);
  if (!chosen) {
    return;
  }
  if (image_->Load(*chosen)) {
    path_->setText(QString::fromStdString(chosen->string()));
    return;
  }
  // The path of an image that is gone no longer describes what would be saved.
  image_->Clear();
  path_->clear();
  ShowPrompt("Hex file load failed.");
}

void CDlgHex::OnSave() {
  const unsigned offset = offset_->Value();
  const HexPatchResult patch =
      PatchThresholds(*image_, offset, ThresholdBytesOf(GlobalSettings::Instance()));
  if (patch.status != HexPatchStatus::kPatched) {
    ShowPrompt(HexPatchMessage(patch, offset), PromptIcon::Error);
    return;
  }
  FileRequest request;
  request.kind = FileDialogKind::Save;
  request.defaultExtension = "hex";
  request.overwritePrompt = true;
  request.filter = "hex Files (*.hex)|*.hex|All Files (*.*)|*.*||";
  const auto chosen = TheFileChooser()->Choose(request);
  if (!chosen) {
    return;  // the image stays patched, as a second save expects
  }
  if (!SaveHexImage(*image_, *chosen)) {
    ShowPrompt("Create hex file failed.", PromptIcon::Error);
    return;
  }
  ShowPrompt("完成hex文件生成.");
}

}  // namespace padscope
