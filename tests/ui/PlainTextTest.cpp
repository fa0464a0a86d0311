// Texts from outside (the network, files, the adapter) are shown as they are:
// markup in them is never rendered and a link in them never works.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <memory>

#include "UpdaterTexts.h"
#include "UpdaterWindow.h"
#include "capture/CaptureContext.h"
#include "common/LocalHttpServer.h"
#include "common/SimFixture.h"
#include "common/UpdateTestKeys.h"
#include "state/GlobalSettings.h"
#include "ui/app/CMainFrame.h"
#include "ui/platform/PromptQt.h"

namespace padscope {
namespace {

constexpr char kMarkup[] =
    "<h2>Update installed successfully.</h2><a href=\"http://attacker.invalid/\">Click here</a>";

// The text of the next message box as it is shown, and how it is rendered;
// the box is closed once read.
struct ShownBox {
  QString text;
  Qt::TextFormat format = Qt::AutoText;
};

std::shared_ptr<ShownBox> ReadNextBox() {
  auto shown = std::make_shared<ShownBox>();
  auto* poll = new QTimer(qApp);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, shown] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      return;
    }
    const auto* label = box->findChild<QLabel*>("qt_msgbox_label");
    shown->text = label != nullptr ? label->text() : QString();
    shown->format = label != nullptr ? label->textFormat() : Qt::AutoText;
    box->done(QMessageBox::Ok);
    poll->deleteLater();
  });
  poll->start(10);
  return shown;
}

TEST(PlainText, MessageBoxesShowMarkupAsWritten) {
  const auto shown = ReadNextBox();
  QtPrompt().Show({std::string("File open failed: ") + kMarkup, "Padscope", PromptIcon::Error});
  EXPECT_EQ(shown->format, Qt::PlainText);
  EXPECT_EQ(shown->text, QString("File open failed: ") + kMarkup);
}

// A refused download's reason comes from the server's status line.
TEST(PlainText, TheUpdatersErrorBoxShowsAReasonPhraseWithMarkupAsWritten) {
  test::LocalHttpServer server([](const std::string&) {
    return std::string("HTTP/1.1 404 ") + kMarkup +
           "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
  });
  updater::UpdaterTexts texts;
  updater::UpdaterWindow window("Padscope Update");
  const auto shown = ReadNextBox();
  EXPECT_EQ(updater::RunUpdate(QString::fromStdString(server.Base()), "/bin/true",
                               test::TestPublicKey(), texts, window.Report(true), 1 << 20),
            1);
  EXPECT_EQ(shown->format, Qt::PlainText);
  EXPECT_TRUE(shown->text.contains(kMarkup)) << shown->text.toStdString();
  EXPECT_EQ(window.statusLabel()->textFormat(), Qt::PlainText);
}

// Labels show chart names, key names, paths and adapter replies.
TEST(PlainText, EveryLabelOfTheWindowShowsPlainText) {
  GlobalSettings::ResetInstanceForTest();
  test::SimAdapter sim{test::FastSimConfig()};
  CaptureContext ctx;
  CMainFrame frame(ctx, sim.adapter);
  const QList<QLabel*> labels = frame.findChildren<QLabel*>();
  EXPECT_FALSE(labels.isEmpty());
  for (const QLabel* label : labels) {
    EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
  }
}

}  // namespace
}  // namespace padscope
