#include <gtest/gtest.h>

#include <memory>

#include "platform/Prompt.h"
#include "platform/RecordingPrompt.h"

namespace padscope {
namespace {

TEST(Prompt, SilentServicesDeclineAndCancel) {
  EXPECT_EQ(ShowPrompt("saved"), PromptButton::Ok);
  EXPECT_EQ(ShowPrompt("erase?", PromptIcon::Question, PromptButtons::OkCancel),
            PromptButton::Cancel);
  EXPECT_EQ(ShowPrompt("overwrite?", PromptIcon::Question, PromptButtons::YesNo), PromptButton::No);
  EXPECT_EQ(ShowPrompt("save?", PromptIcon::Question, PromptButtons::YesNoCancel),
            PromptButton::Cancel);
  EXPECT_FALSE(TheFileChooser()->Choose(FileRequest{}).has_value());
}

TEST(Prompt, RecordingPromptRecordsAndAnswersInOrder) {
  auto prompt = std::make_shared<RecordingPrompt>();
  SetPrompt(prompt);
  prompt->Answer(PromptButton::Yes);
  prompt->Answer(PromptButton::Ok);  // not a Yes/No answer: replaced by No
  prompt->Answer(PromptButton::Cancel);

  EXPECT_EQ(ShowPrompt("first?", PromptIcon::Question, PromptButtons::YesNo, "Title"),
            PromptButton::Yes);
  EXPECT_EQ(ShowPrompt("second?", PromptIcon::Question, PromptButtons::YesNo), PromptButton::No);
  EXPECT_EQ(ShowPrompt("100% %s %n", PromptIcon::Error, PromptButtons::OkCancel),
            PromptButton::Cancel);
  EXPECT_EQ(ShowPrompt("queue empty", PromptIcon::Warning, PromptButtons::OkCancel),
            PromptButton::Cancel);

  const auto requests = prompt->Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].text, "first?");
  EXPECT_EQ(requests[0].caption, "Title");
  EXPECT_EQ(requests[0].icon, PromptIcon::Question);
  EXPECT_EQ(requests[0].buttons, PromptButtons::YesNo);
  EXPECT_EQ(requests[2].text, "100% %s %n");
  EXPECT_EQ(requests[2].icon, PromptIcon::Error);
  EXPECT_TRUE(requests[1].caption.empty());
  EXPECT_EQ(prompt->Texts().back(), "queue empty");

  prompt->Clear();
  EXPECT_TRUE(prompt->Requests().empty());

  // Setting nothing restores the silent prompt; the recorder sees no more requests.
  SetPrompt(nullptr);
  EXPECT_EQ(ShowPrompt("after"), PromptButton::Ok);
  EXPECT_TRUE(prompt->Requests().empty());
}

TEST(Prompt, ScriptedFileChooserAnswersThenCancels) {
  auto chooser = std::make_shared<ScriptedFileChooser>();
  SetFileChooser(chooser);
  chooser->Answer(std::filesystem::path("/tmp/a.tkchart"));
  chooser->Answer(std::nullopt);

  FileRequest save;
  save.kind = FileDialogKind::Save;
  save.filter = "Chart (*.tkchart)|*.tkchart|All Files (*.*)|*.*||";
  save.defaultExtension = "tkchart";
  save.proposedName = "run1";
  save.overwritePrompt = true;
  EXPECT_EQ(TheFileChooser()->Choose(save), std::filesystem::path("/tmp/a.tkchart"));
  EXPECT_FALSE(TheFileChooser()->Choose(FileRequest{}).has_value());
  EXPECT_FALSE(TheFileChooser()->Choose(FileRequest{}).has_value());

  const auto requests = chooser->Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].kind, FileDialogKind::Save);
  EXPECT_EQ(requests[0].filter, save.filter);
  EXPECT_EQ(requests[0].proposedName, "run1");
  EXPECT_TRUE(requests[0].overwritePrompt);
  EXPECT_EQ(requests[1].kind, FileDialogKind::Open);

  SetFileChooser(nullptr);
  EXPECT_FALSE(TheFileChooser()->Choose(save).has_value());
  EXPECT_EQ(chooser->Requests().size(), 3u);
}

TEST(Prompt, ParsesClassicFilterTexts) {
  auto entries = ParseFileFilter("Chart (*.tkchart)|*.tkchart|All Files (*.*)|*.*||");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].description, "Chart (*.tkchart)");
  EXPECT_EQ(entries[0].patterns, std::vector<std::string>{"*.tkchart"});
  EXPECT_EQ(entries[1].description, "All Files (*.*)");
  EXPECT_EQ(entries[1].patterns, std::vector<std::string>{"*.*"});

  entries = ParseFileFilter("Images (*.hex; *.ihx)|*.hex; *.ihx");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].patterns, (std::vector<std::string>{"*.hex", "*.ihx"}));

  EXPECT_TRUE(ParseFileFilter("").empty());
  EXPECT_TRUE(ParseFileFilter("||").empty());
  EXPECT_TRUE(ParseFileFilter("Text only").empty());
  // A description with no patterns is dropped; the entries after it stay.
  entries = ParseFileFilter("Empty| |Text (*.txt)|*.txt||");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].description, "Text (*.txt)");
}

}  // namespace
}  // namespace padscope
