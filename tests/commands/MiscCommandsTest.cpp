// The frame's miscellaneous commands and the menu check/enable rules.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "capture/CaptureContext.h"
#include "commands/CommandIds.h"
#include "commands/CommandState.h"
#include "commands/MiscCommands.h"
#include "common/TestCaptureHost.h"
#include "platform/ProgramFolders.h"
#include "state/FrameFields.h"
#include "state/GlobalSettings.h"

namespace padscope {
namespace {

std::vector<std::string> LogLines() {
  std::ifstream in(StateDirectory() / "log.log");
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(MiscCommandsTest, LoggingOnThenOffWritesTwoLines) {
  test::TestCaptureHost host;
  FrameFields frame;
  EXPECT_TRUE(ToggleLogging(host, frame));
  EXPECT_TRUE(host.logEnabled);
  EXPECT_EQ(frame.logText, "启动日志信息");
  EXPECT_FALSE(ToggleLogging(host, frame));
  EXPECT_FALSE(host.logEnabled);
  EXPECT_EQ(frame.logTag, "主线程");
  EXPECT_EQ(frame.logText, " 关闭日志信息");

  const std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(EndsWith(lines[0], "  [主线程]启动日志信息")) << lines[0];
  EXPECT_TRUE(EndsWith(lines[1], "  [主线程] 关闭日志信息")) << lines[1];
}

TEST(MiscCommandsTest, AlgorithmChoiceAndLocales) {
  GlobalSettings settings;
  EXPECT_TRUE(ChooseAlgorithm(settings, Algorithm::kInte));
  EXPECT_EQ(settings.parameterMode, 2);
  EXPECT_FALSE(ChooseAlgorithm(settings, Algorithm::kMa));
  EXPECT_EQ(settings.parameterMode, 1);

  EXPECT_STREQ(UiLocaleName(2), "zh_CN");
  EXPECT_STREQ(UiLocaleName(3), "zh_TW");
  for (int code : {1, 0, 4, -1}) {
    EXPECT_STREQ(UiLocaleName(code), "en_US") << code;
  }
  EXPECT_EQ(InstructionsDocumentPath(), StateDirectory() / "PELMIRA_Instructions.pdf");
}

TEST(CommandStateTest, CaptureCommandsFollowTheRunState) {
  EXPECT_TRUE(IsCommandEnabled(kCmdStartCapture, kRunStopped));
  EXPECT_FALSE(IsCommandEnabled(kCmdStartCapture, kRunRunning));
  EXPECT_FALSE(IsCommandEnabled(kCmdStopCapture, kRunStopped));
  EXPECT_TRUE(IsCommandEnabled(kCmdStopCapture, kRunRunning));
  // Replaying a chart is neither state: both stay available.
  EXPECT_TRUE(IsCommandEnabled(kCmdStartCapture, kRunReplaying));
  EXPECT_TRUE(IsCommandEnabled(kCmdStopCapture, kRunReplaying));
  EXPECT_TRUE(IsCommandEnabled(kCmdFollowRawValue, kRunRunning));
}

TEST(CommandStateTest, CheckMarksFollowTheirFields) {
  GlobalSettings settings;
  FrameFields frame;
  CheckInputs in{settings, frame};
  auto checked = [&](int id) { return IsCommandChecked(id, in); };

  settings.timeAxisMode = 1;
  settings.highPrecisionSampling = 0;
  settings.parameterMode = 2;
  settings.singleByteMode = 1;
  EXPECT_EQ(checked(kCmdTimeMode), true);
  EXPECT_EQ(checked(kCmdDataMode), false);
  EXPECT_EQ(checked(kCmdHighPrecision), false);
  EXPECT_EQ(checked(kCmdLowPrecision), true);
  EXPECT_EQ(checked(kCmdAlgorithmMa), false);
  EXPECT_EQ(checked(kCmdAlgorithmInte), true);
  EXPECT_EQ(checked(kCmdSingleByte16Tk), true);
  EXPECT_EQ(checked(kCmdDoubleByte8Tk), false);

  // Values other than 0 and 1 from a settings file check neither item, except
  // the channel mode, where any non-zero value is single-byte.
  settings.timeAxisMode = 7;
  settings.lowRangeAsBottom = 2;
  settings.singleByteMode = 5;
  EXPECT_EQ(checked(kCmdTimeMode), false);
  EXPECT_EQ(checked(kCmdDataMode), false);
  EXPECT_EQ(checked(kCmdLowRangeAsBottom), false);
  EXPECT_EQ(checked(kCmdSingleByte16Tk), true);

  frame.followRawValue = 1;
  frame.tkRangeShown = 0;
  in.logEnabled = true;
  in.statusBarVisible = false;
  EXPECT_EQ(checked(kCmdFollowRawValue), true);
  EXPECT_EQ(checked(kCmdSetTkRange), false);
  EXPECT_EQ(checked(kCmdEnableLog), true);
  EXPECT_EQ(checked(kCmdViewToolbar), true);
  EXPECT_EQ(checked(kCmdViewStatusBar), false);

  EXPECT_EQ(checked(kCmdPanLeft), std::nullopt);
  EXPECT_EQ(checked(kCmdStartCapture), std::nullopt);
}

}  // namespace
}  // namespace padscope
