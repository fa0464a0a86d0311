// The Hex File dialog and its numeric edit, driven with scripted file
// choosers and prompts, and the main frame's command that opens it.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "capture/CaptureContext.h"
#include "commands/CommandIds.h"
#include "common/Files.h"
#include "common/SimFixture.h"
#include "flash/HexImage.h"
#include "platform/ProgramFolders.h"
#include "platform/RecordingPrompt.h"
#include "state/GlobalSettings.h"
#include "ui/app/CMainFrame.h"
#include "ui/dialogs/CDlgHex.h"
#include "ui/dialogs/CNumberEdit.h"
#include "ui/dialogs/DialogRunnerQt.h"

namespace padscope {
namespace {

namespace fs = std::filesystem;

const fs::path kData = fs::path(PADSCOPE_SOURCE_DIR) / "tests" / "data";

void Type(QWidget& widget, const QString& keys) {
  for (const QChar c : keys) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(&widget, &press);
  }
}

TEST(NumberEdit, KeepsOnlyTheDigitsOfItsMode) {
  CNumberEdit edit;
  EXPECT_EQ(edit.Mode(), CNumberEdit::kDecimal);
  Type(edit, "1a-2 x3");
  EXPECT_EQ(edit.text(), "123");
  EXPECT_EQ(edit.Value(), 123u);
  edit.SetValue(-5);
  EXPECT_EQ(edit.text(), "-5") << "written with %d";

  edit.SetMode(CNumberEdit::kHexadecimal);
  edit.clear();
  Type(edit, "fGz1A");
  EXPECT_EQ(edit.text(), "f1A");
  EXPECT_EQ(edit.Value(), 0xF1Au);
  QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
  QApplication::sendEvent(&edit, &backspace);
  EXPECT_EQ(edit.text(), "f1");
  edit.SetValue(255);
  EXPECT_EQ(edit.text(), "ff") << "written with %x";
  edit.clear();
  edit.insert(QStringLiteral("zz"));
  EXPECT_EQ(edit.text(), "") << "pasted text is held to the digits too";
  EXPECT_EQ(edit.Value(), 0u);
}

class HexDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    SetPrompt(prompt);
    SetFileChooser(chooser);
  }
  void Browse(const fs::path& path) {
    chooser->Answer(path);
    dialog.browseButton()->click();
  }
  void Save(const fs::path& path) {
    chooser->Answer(path);
    dialog.saveButton()->click();
  }
  // The thresholds the golden file holds, 300 among them.
  static void SetGoldenThresholds() {
    constexpr int kValues[16] = {40, 250, 0, 255, 41, 90, 100, 7, 128, 200, 16, 17, 250, 1, 2, 3};
    auto& settings = GlobalSettings::Instance();
    for (int k = 0; k < 16; ++k) {
      settings.channel[k].threshold = kValues[k];
    }
    settings.channel[1].thresholdDelta = 50;
  }
  fs::path Out(const char* name) const { return StateDirectory() / name; }

  std::shared_ptr<RecordingPrompt> prompt = std::make_shared<RecordingPrompt>();
  std::shared_ptr<ScriptedFileChooser> chooser = std::make_shared<ScriptedFileChooser>();
  CDlgHex dialog;
};

TEST_F(HexDialog, StartsWithOffsetTenInHexadecimal) {
  EXPECT_EQ(dialog.windowTitle(), "Hex File");
  EXPECT_EQ(dialog.offsetEdit()->Mode(), CNumberEdit::kHexadecimal);
  EXPECT_EQ(dialog.offsetEdit()->text(), "10");
  EXPECT_EQ(dialog.offsetEdit()->maxLength(), 2);
  EXPECT_EQ(dialog.saveButton()->text(), "Save Hex As...");
  EXPECT_TRUE(dialog.saveButton()->isDefault());
  EXPECT_EQ(dialog.cancelButton()->text(), "Cancel");
  EXPECT_EQ(dialog.browseButton()->text(), "...");
  EXPECT_EQ(dialog.image().Length(), 0u);
}

TEST_F(HexDialog, BrowseLoadsAndSaveWritesThePatchedImage) {
  SetGoldenThresholds();
  Browse(kData / "hex-base.hex");
  ASSERT_EQ(chooser->Requests().size(), 1u);
  const FileRequest open = chooser->Requests()[0];
  EXPECT_EQ(open.kind, FileDialogKind::Open);
  EXPECT_EQ(open.defaultExtension, "hex");
  EXPECT_EQ(open.filter, "Quib Hex Files (*.hex)|*.hex|All Files (*.*)|*.*||");
  EXPECT_EQ(dialog.pathEdit()->text().toStdString(), (kData / "hex-base.hex").string());

  Save(Out("patched.hex"));
  ASSERT_EQ(chooser->Requests().size(), 2u);
  const FileRequest save = chooser->Requests()[1];
  EXPECT_EQ(save.kind, FileDialogKind::Save);
  EXPECT_EQ(save.defaultExtension, "hex");
  EXPECT_TRUE(save.overwritePrompt);
  EXPECT_EQ(save.filter, "hex Files (*.hex)|*.hex|All Files (*.*)|*.*||");
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"完成hex文件生成."});
  EXPECT_EQ(test::ReadAll(Out("patched.hex")), test::ReadAll(kData / "hex-patched-10.hex"));
  EXPECT_EQ(dialog.result(), 0) << "saving does not close the dialog";

  // Saving again patches the patched image: the same thresholds give the same file.
  Save(Out("again.hex"));
  EXPECT_EQ(test::ReadAll(Out("again.hex")), test::ReadAll(kData / "hex-patched-10.hex"));
}

TEST_F(HexDialog, CancelledSaveWritesNothingButKeepsThePatch) {
  Browse(kData / "hex-base.hex");
  dialog.offsetEdit()->setText("ff");
  chooser->Answer(std::nullopt);
  dialog.saveButton()->click();
  EXPECT_TRUE(prompt->Texts().empty());
  EXPECT_EQ(dialog.image().Word(0xFF).value() & 0xFF, 40) << "the image stays patched";
  EXPECT_EQ(dialog.image().Word(0x10E).value() & 0xFF, 40);
}

TEST_F(HexDialog, OutputThatCannotBeCreatedIsReported) {
  Browse(kData / "hex-base.hex");
  Save(Out("no-such-folder") / "x.hex");
  ASSERT_EQ(prompt->Requests().size(), 1u);
  EXPECT_EQ(prompt->Requests()[0].text, "Create hex file failed.");
  EXPECT_EQ(prompt->Requests()[0].icon, PromptIcon::Error);
  EXPECT_FALSE(fs::exists(Out("no-such-folder")));
}

TEST_F(HexDialog, FailedLoadLeavesNothingToSave) {
  Browse(kData / "hex-base.hex");
  test::WriteAll(Out("big.hex"), test::Bytes(kHexBufferSize + 1, ':'));
  Browse(Out("big.hex"));
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"Hex file load failed."});
  EXPECT_EQ(dialog.image().Buffer()[0], 0);
  EXPECT_TRUE(dialog.pathEdit()->text().isEmpty());

  prompt->Clear();
  Save(Out("after-failure.hex"));
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"No hex file loaded."});
  EXPECT_EQ(chooser->Requests().size(), 2u) << "no save dialog for nothing";
  EXPECT_FALSE(fs::exists(Out("after-failure.hex")));
}

TEST_F(HexDialog, NeverLoadedSavesNothing) {
  Save(Out("empty.hex"));
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"No hex file loaded."});
  EXPECT_FALSE(fs::exists(Out("empty.hex")));
}

TEST_F(HexDialog, OffsetPastAShortImageIsRefused) {
  const test::Bytes base = test::ReadAll(kData / "hex-base.hex");
  test::WriteAll(Out("short.hex"), test::Bytes(base.begin(), base.begin() + 0x100 * 17));
  Browse(Out("short.hex"));
  dialog.offsetEdit()->setText("ff");
  Save(Out("short-out.hex"));
  ASSERT_EQ(prompt->Requests().size(), 1u);
  EXPECT_EQ(prompt->Requests()[0].text,
            "Threshold offset FF lies beyond the end of the hex file; nothing was patched.");
  EXPECT_EQ(prompt->Requests()[0].icon, PromptIcon::Error);
  EXPECT_FALSE(fs::exists(Out("short-out.hex")));
}

TEST_F(HexDialog, CancelCloses) {
  dialog.show();
  dialog.cancelButton()->click();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_FALSE(dialog.isVisible());
}

TEST(HexCommand, MainFrameOpensTheDialogModally) {
  GlobalSettings::ResetInstanceForTest();
  test::SimAdapter sim;
  CaptureContext ctx;
  auto frame = std::make_unique<CMainFrame>(ctx, sim.adapter);
  QString title;
  SetDialogRunner([&title](QDialog& d) {
    title = dynamic_cast<CDlgHex&>(d).windowTitle();
    d.reject();
    return static_cast<int>(QDialog::Rejected);
  });
  EXPECT_TRUE(frame->Action(kCmdHexThresholds)->isEnabled());
  frame->Action(kCmdHexThresholds)->trigger();
  SetDialogRunner({});
  EXPECT_EQ(title, "Hex File");
  frame->close();
}

}  // namespace
}  // namespace padscope
