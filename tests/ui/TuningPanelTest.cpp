// The tuning tools in the window against the simulated adapter's scripted
// chip: the panel's figures against the command line's, the measurement
// cursors, the guided measurement, sending thresholds, and Fit to Data.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/AnalysisReport.h"
#include "capture/CaptureContext.h"
#include "commands/CommandIds.h"
#include "common/SimFixture.h"
#include "common/Wait.h"
#include "link/Opcodes.h"
#include "platform/ProgramFolders.h"
#include "platform/RecordingPrompt.h"
#include "sim/SimScenario.h"
#include "state/GlobalSettings.h"
#include "state/SettingsFile.h"
#include "support/ChannelLabel.h"
#include "support/TextTable.h"
#include "tools/CliRun.h"
#include "tuning/BufferPositions.h"
#include "ui/app/CMainFrame.h"
#include "ui/views/CCrosstalkMap.h"
#include "ui/views/CTuningPanel.h"
#include "ui/views/CViewKey.h"
#include "ui/views/CViewKeyScope.h"
#include "ui/views/CViewScope.h"
#include "viewlogic/KeyScopeGeometry.h"

namespace padscope {
namespace {

// Three keys: CH0 and CH1 touched once a second (CH0 moving CH1 by a quarter
// of its touch), CH2 never. Between the touches the keys rest for 0.45 s.
constexpr const char* kScenario =
    "rate 500\n"
    "seed 11\n"
    "channel 0 baseline 900 noise 2 touch 120 every 1 from 0.2 for 0.3 crosstalk 1=0.25\n"
    "channel 1 baseline 1100 noise 3 touch 90 every 1 from 0.6 for 0.15\n"
    "channel 2 baseline 700 noise 4\n";

std::shared_ptr<const SimScenario> LoadScenario(const std::filesystem::path& path) {
  std::string error;
  auto scenario = SimScenario::Load(path, error);
  EXPECT_TRUE(scenario.has_value()) << error;
  return std::make_shared<const SimScenario>(*scenario);
}

class TuningPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GlobalSettings::ResetInstanceForTest();
    std::ofstream(Path("keys.scn")) << kScenario;
    SimConfig config = test::FastSimConfig();
    config.framesPerSecond = 1;  // paced: WithScenario takes the scenario's rate
    sim = std::make_unique<test::SimAdapter>(WithScenario(config, LoadScenario(Path("keys.scn"))));
    ctx.cycleSleepMs = 1;
    SetPrompt(prompt);
    SetFileChooser(chooser);
    frame = std::make_unique<CMainFrame>(ctx, sim->adapter);
    frame->ApplyLanguage(kLanguageEnglish);  // the texts the tests read
    // The three scripted keys alone, as a user would switch the others off.
    for (int k = 3; k < kSettingsChannelCount; ++k) {
      HideChannel(GlobalSettings::Instance().channel[static_cast<size_t>(k)]);
    }
    frame->resize(1400, 900);
    frame->show();
    panel = frame->tuningPanel();
    ChannelLabel::Instance().SetPrefix("CH");  // no text table here to give it
  }
  void TearDown() override {
    if (held_) {
      Mouse(QEvent::MouseButtonRelease, last_);
    }
    frame->close();
    frame.reset();
    SetPrompt(nullptr);
    SetFileChooser(nullptr);
  }
  std::string Path(const char* name) { return (StateDirectory() / name).string(); }
  bool PumpUntil(const std::function<bool()>& cond) {
    return test::WaitFor([&] {
      QApplication::processEvents();
      return cond();
    });
  }
  // Two seconds of the scripted chip (1,000 frames) as a chart, loaded into
  // the window as Load Data does. The chip makes its frames as they are read,
  // so a busy machine records the same frames.
  void LoadRecording() {
    test::SimAdapter chip(WithScenario(test::FastSimConfig(), LoadScenario(Path("keys.scn"))));
    ASSERT_TRUE(chip.adapter.Connect());
    ASSERT_TRUE(chip.adapter.SendOpcodeWithByte(kOpStartStreamP, 0));
    std::ofstream out(Path("rec.tkchart"), std::ios::binary);
    uint8_t record[64];
    for (int i = 0; i < 1000; ++i) {
      ASSERT_TRUE(chip.adapter.ReadStream(record, 64));
      out.write(reinterpret_cast<const char*>(record), 64);
    }
    out << std::string(64, '\xFF');  // the end record
    out.close();
    chooser->Answer(Path("rec.tkchart"));
    frame->OnCommand(kCmdLoadData);
    ASSERT_GT(ctx.WriteIndex(), 400);
  }
  void Mouse(QEvent::Type type, QPoint p) {
    CViewScope* scope = frame->viewScope();
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    held_ = type == QEvent::MouseButtonPress || (held_ && type == QEvent::MouseMove);
    QMouseEvent e(type, p, scope->mapToGlobal(p), button, held_ ? Qt::LeftButton : Qt::NoButton,
                  Qt::NoModifier);
    QApplication::sendEvent(scope, &e);
    last_ = p;
  }
  // The figure of `column` in the analysis table's row of `channel`.
  QString Figure(int channel, int column) {
    QTableWidget* t = panel->analysisTable();
    for (int row = 0; row < t->rowCount(); ++row) {
      if (t->item(row, 0)->data(Qt::UserRole).toInt() == channel) {
        return t->item(row, column)->data(Qt::UserRole).toString();
      }
    }
    return "missing";
  }

  std::unique_ptr<test::SimAdapter> sim;
  CaptureContext ctx;
  std::shared_ptr<RecordingPrompt> prompt = std::make_shared<RecordingPrompt>();
  std::shared_ptr<ScriptedFileChooser> chooser = std::make_shared<ScriptedFileChooser>();
  std::unique_ptr<CMainFrame> frame;
  CTuningPanel* panel = nullptr;
  bool held_ = false;
  QPoint last_;
};

TEST_F(TuningPanelTest, WholeBufferFiguresMatchTheCommandLinesAnalysis) {
  LoadRecording();
  GlobalSettings::Instance().channel[1].threshold = 33;
  ASSERT_TRUE(SaveSettingsTo(Path("s.tmp"), GlobalSettings::Instance()));
  frame->OnCommand(kCmdTuningPanel);
  panel->SetRangeKind(TuningRangeKind::WholeBuffer);
  ASSERT_TRUE(PumpUntil([&] { return panel->analysisStatus()->text().startsWith("Frames"); }));

  const test::CliRun cli = test::RunCliCaptured(
      {"analyze", Path("rec.tkchart"), "--settings", Path("s.tmp"), "--format", "csv"}, nullptr);
  const std::vector<std::string> lines = test::Lines(cli.out);
  ASSERT_GE(lines.size(), 4u) << cli.err;
  // The panel's columns are these of the CSV, in this order.
  const int csvColumn[] = {2, 5, 7, 11, 12, 13, 14, 15, 16, 17, 18, 21};
  ASSERT_EQ(panel->analysisTable()->rowCount(), 3);
  for (int channel = 0; channel < 3; ++channel) {
    const std::vector<std::string> csv = test::Fields(lines[static_cast<size_t>(channel) + 1]);
    SCOPED_TRACE(lines[static_cast<size_t>(channel) + 1]);
    for (int c = 0; c < 12; ++c) {
      EXPECT_EQ(Figure(channel, c + 1).toStdString(), csv[static_cast<size_t>(csvColumn[c])]);
    }
  }
  // And both against the chip's script: CH0 rises 120 over noise of +-2 counts.
  EXPECT_NEAR(Figure(0, 2).toDouble(), 120, 4);
  EXPECT_LE(Figure(0, 1).toDouble(), 5);
  EXPECT_EQ(Figure(1, 6), "33");
  EXPECT_EQ(Figure(2, 12), "untouched");
}

TEST_F(TuningPanelTest, CursorsPlacedWithTheMouseMeasureTheirRange) {
  LoadRecording();
  GlobalSettings::Instance().timeAxisMode = 0;  // one frame per column, newest at x 40
  frame->OnCommand(kCmdMeasure);
  EXPECT_TRUE(frame->tuningDock()->isVisible());
  const int newest = ctx.WriteIndex() - 1;
  Mouse(QEvent::MouseMove, {100, 60});
  Mouse(QEvent::MouseButtonPress, {100, 60});  // frame newest - 60
  Mouse(QEvent::MouseMove, {200, 70});
  Mouse(QEvent::MouseMove, {350, 70});
  Mouse(QEvent::MouseButtonRelease, {350, 70});  // frame newest - 310
  const auto at = frame->viewScope()->cursors().Resolve(ctx);
  ASSERT_TRUE(at.has_value());
  const int a = newest - 60;
  const int b = newest - 310;
  EXPECT_EQ(at->a, a);
  EXPECT_EQ(at->b, b);
  // The replay stamps its frames 20 ms apart.
  const auto seconds = [](int frame) {
    return QString::number(frame * 20 / 1000.0, 'f', 3) + " s";
  };
  EXPECT_EQ(panel->cursorSummary()->text(), QString("A: frame %1 at %2    B: frame %3 at %4    "
                                                    "Δt: 5.000 s, 250 frames")
                                                .arg(a)
                                                .arg(seconds(a))
                                                .arg(b)
                                                .arg(seconds(b)));

  // Per shown channel, the raw and output extremes, mean and spread of
  // frames b .. a, as stored.
  QTableWidget* table = panel->cursorTable();
  ASSERT_EQ(table->rowCount(), 3);
  for (int ch = 0; ch < 3; ++ch) {
    int32_t rawMin = INT32_MAX, rawMax = INT32_MIN, outMin = INT32_MAX, outMax = INT32_MIN;
    double rawSum = 0;
    for (int i = b; i <= a; ++i) {
      const int32_t raw = ctx.RawValue(i, ch) - kValueOffset;
      const int32_t out = ctx.SecondValue(i, ch);
      rawMin = std::min(rawMin, raw);
      rawMax = std::max(rawMax, raw);
      rawSum += raw;
      outMin = std::min(outMin, out);
      outMax = std::max(outMax, out);
    }
    SCOPED_TRACE(ch);
    EXPECT_EQ(table->item(ch, 1)->text().toInt(), rawMin);
    EXPECT_EQ(table->item(ch, 2)->text().toInt(), rawMax);
    EXPECT_NEAR(table->item(ch, 3)->text().toDouble(), rawSum / 251, 0.006);
    EXPECT_EQ(table->item(ch, 4)->text().toInt(), rawMax - rawMin);
    EXPECT_EQ(table->item(ch, 5)->text().toInt(), outMin);
    EXPECT_EQ(table->item(ch, 6)->text().toInt(), outMax);
    EXPECT_EQ(table->item(ch, 8)->text().toInt(), outMax - outMin);
  }
  // CH2 rests: its raw values stay within its noise of 4 around 700.
  EXPECT_GE(table->item(2, 1)->text().toInt(), 696);
  EXPECT_LE(table->item(2, 2)->text().toInt(), 704);

  // Export Range: the decoded CSV of those 251 frames, and the same as a chart.
  chooser->Answer(Path("range.csv"));
  frame->OnCommand(kCmdExportRange);
  std::ifstream csv(Path("range.csv"));
  std::vector<std::string> rows;
  for (std::string line; std::getline(csv, line);) {
    rows.push_back(line);
  }
  ASSERT_EQ(rows.size(), 252u);
  EXPECT_EQ(rows[1].rfind(std::to_string(b) + ",", 0), 0u);
  EXPECT_EQ(rows.back().rfind(std::to_string(a) + ",", 0), 0u);
  chooser->Answer(Path("range.tkchart"));
  frame->OnCommand(kCmdExportRange);
  EXPECT_EQ(std::filesystem::file_size(Path("range.tkchart")), (251u + 1u) * 64u);
}

TEST_F(TuningPanelTest, FitToDataPutsEveryVisibleValueInsideBothViews) {
  LoadRecording();
  frame->OnCommand(kCmdFitToData);
  const GlobalSettings& s = GlobalSettings::Instance();
  CViewScope* scope = frame->viewScope();
  const ScopeScale scale{s.EffectiveRangeMax(), s.EffectiveRangeMin(), scope->height() - 30};
  const int keyHeight = frame->viewKeyScope()->height();
  const int keyWidth = frame->viewKeyScope()->width() - keyscope::StripWidth(3);
  int64_t rawMin = INT64_MAX, rawMax = INT64_MIN;
  int checked = 0;
  const auto timeOf = [&](int i) { return ctx.FrameAt(i)->timestamp; };
  WalkScopeFrames(ScopeWalkParams(ctx, true, scope->width()), timeOf, [&](int i, int) {
    for (int ch = 0; ch < 3 && i > 0; ++ch) {
      const int32_t raw = ctx.RawValue(i, ch) - kValueOffset;
      const int y = *ValueToY(scale, frame->fields.coordBase, raw);
      EXPECT_GE(y, 10);
      EXPECT_LE(y, scope->height() - 20);
      rawMin = std::min<int64_t>(rawMin, raw);
      rawMax = std::max<int64_t>(rawMax, raw);
      ++checked;
    }
  });
  EXPECT_GT(checked, 200);
  // Just containing them: the range is the values' span and a small margin.
  EXPECT_LE(scale.max - scale.min, (rawMax - rawMin) * 12 / 10 + 4);
  checked = 0;
  WalkScopeFrames(ScopeWalkParams(ctx, true, keyWidth), timeOf, [&](int i, int) {
    for (int ch = 0; ch < 3 && i > 0; ++ch) {
      const int y =
          keyscope::ValueRow(s.EffectiveKeyRangeMax(), ctx.SecondValue(i, ch), s.EffectiveZoom());
      EXPECT_GE(y, 10);
      EXPECT_LE(y, keyHeight - 30);
      ++checked;
    }
  });
  EXPECT_GT(checked, 200);
  EXPECT_GT(s.EffectiveZoom(), 1);  // 0..122 fits the view more than once
}

// The guided measurement on a live capture: it starts the capture, measures
// CH0 and CH1 when their touches come, and CH2, never touched, is skipped.
// Then the thresholds go to the chip.
TEST_F(TuningPanelTest, GuidedMeasurementThenSendRecommendedThresholds) {
  frame->OnCommand(kCmdTuningPanel);
  panel->ShowTab(CTuningPanel::kAnalysisTab);
  // Nothing measured yet: refused with a message, nothing sent.
  QTest::mouseClick(panel->applyButton(), Qt::LeftButton);
  ASSERT_EQ(prompt->Texts().size(), 1u);
  EXPECT_EQ(prompt->Texts()[0].rfind("Nothing measured yet", 0), 0u);
  EXPECT_TRUE(sim->Written(SimChannel::Data).empty());

  panel->SetWalkOptions({300, 100});
  QTest::mouseClick(panel->walkButton(), Qt::LeftButton);
  EXPECT_EQ(ctx.runState, kRunRunning);
  EXPECT_EQ(panel->walkText()->text(), "Step 1 of 4: Keep your hands off the keys (0.3 s)");
  ASSERT_TRUE(PumpUntil([&] { return panel->walk() && panel->walk()->Current().channel == 2; }));
  EXPECT_EQ(panel->walkText()->text(), "Step 4 of 4: Touch and hold CH2");
  QTest::mouseClick(panel->skipButton(), Qt::LeftButton);
  ASSERT_TRUE(panel->walk()->Finished());
  using O = GuidedWalk::Outcome;
  EXPECT_EQ(panel->walk()->Outcomes(),
            (std::vector<O>{O::Measured, O::Measured, O::Measured, O::Skipped}));
  EXPECT_EQ(panel->Range().kind, TuningRangeKind::Walk);
  ASSERT_TRUE(panel->Result().has_value());
  const std::string figures = FormatAnalysisText(*panel->Result(), {});
  EXPECT_EQ(Figure(0, 12), "pass") << figures;
  EXPECT_EQ(Figure(1, 12), "pass") << figures;
  EXPECT_EQ(Figure(2, 12), "untouched");
  // CH0 moves CH1 by a quarter of its touch: flagged, and told on hover.
  CCrosstalkMap* map = panel->crosstalkMap();
  panel->ShowTab(CTuningPanel::kCrosstalkTab);
  QApplication::processEvents();  // the tab lays its map out once shown
  const GridRect cell = map->grid().Cell(0, 1);
  QTest::mouseMove(map, QPoint(cell.left + cell.width / 2, cell.top + cell.height / 2));
  EXPECT_NE(map->hoverText().indexOf("CH0 touched alone moves CH1 by"), -1);
  EXPECT_NE(map->hoverText().indexOf("above the 20 % flag level"), -1);

  const int t0 = Figure(0, 5).toInt();
  const int t1 = Figure(1, 5).toInt();
  sim->sim->ClearReports();
  QTest::mouseClick(panel->applyButton(), Qt::LeftButton);
  // One 0xF7 command per channel with a recommended threshold, each with its
  // data report: channel, threshold.
  std::vector<SimCommand> sent;
  for (const SimCommand& c : sim->sim->Commands()) {
    if (c.opcode == 0xF7) {
      sent.push_back(c);
    }
  }
  EXPECT_EQ(sent.size(), 2u);
  std::vector<uint8_t> data0(64, 0), data1(64, 0);
  data0[1] = static_cast<uint8_t>(t0);
  data1[0] = 1;
  data1[1] = static_cast<uint8_t>(t1);
  EXPECT_EQ(sim->Written(SimChannel::Data),
            (std::vector<std::vector<uint8_t>>{test::Report(data0), test::Report(data1)}));
  EXPECT_EQ(sim->sim->Thresholds()[0], t0);
  EXPECT_EQ(sim->sim->Thresholds()[1], t1);
  const GlobalSettings& s = GlobalSettings::Instance();
  EXPECT_EQ(s.channel[0].EffectiveThreshold(), t0);
  EXPECT_EQ(s.channel[1].EffectiveThreshold(), t1);
  EXPECT_EQ(s.channel[2].EffectiveThreshold(), 40);
  const std::vector<std::string> log = frame->viewKey()->Lines();
  EXPECT_NE(std::find(log.begin(), log.end(),
                      "Send recommended threshold of CH0: " + std::to_string(t0) + " (was 40)"),
            log.end());
  EXPECT_EQ(prompt->Texts().size(), 1u);

  // Save report...: the HTML page of what the table shows.
  chooser->Answer(Path("report.html"));
  QTest::mouseClick(panel->reportButton(), Qt::LeftButton);
  std::ostringstream html;
  html << std::ifstream(Path("report.html")).rdbuf();
  EXPECT_EQ(html.str().rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(html.str().find("CH2"), std::string::npos);

  // The panel follows a language switch at once.
  frame->OnCommand(kCmdChangeLanguage);  // English -> Simplified Chinese
  QApplication::processEvents();
  EXPECT_EQ(panel->applyButton()->text(), QStringLiteral("发送推荐阈值"));
  EXPECT_EQ(panel->analysisTable()->item(2, 12)->text(), QStringLiteral("未触摸"));
}

}  // namespace
}  // namespace padscope
