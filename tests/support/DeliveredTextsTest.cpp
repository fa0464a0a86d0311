// The text file delivered beside the program: every id the program looks up
// must resolve in each interface language, or the window would show raw ids.
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/RecordingPrompt.h"
#include "support/ChannelLabel.h"
#include "support/TextTable.h"

namespace padscope {
namespace {

const std::filesystem::path kDeliveredTexts =
    std::filesystem::path(PADSCOPE_RESOURCES_DIR) / "Padscope.xml";

// Every id the program looks up, in the order the file keeps them.
const std::vector<std::string> kIds = {
    "ID_WIN_TITLE",     "T_ISEXIST",         "T_CHANGELANG", "T_CHECKUPDATE", "T_MSGSETTING",
    "T_REALTIME_VEDIO", "T_RECORDING_VEDIO", "V_CHNAME",     "V_CHINDEX",     "T_NONEWVERSION",
    "T_CHECKERROR",     "T_UPDATETITLE",     "T_UPDATETEXT", "T_FILEERROR",   "T_UPDATEMANUAL",
    "T_UPDATEPACKAGE",  "T_UPDATEREFUSED",   "T_NOVERSION"};

bool IsVideoAddress(const std::string& id) {
  return id == "T_REALTIME_VEDIO" || id == "T_RECORDING_VEDIO";
}

constexpr std::array kLanguages = {kLanguageEnglish, kLanguageSimplifiedChinese,
                                   kLanguageTraditionalChinese};

TEST(DeliveredTexts, EveryIdResolvesInEveryLanguage) {
  auto prompt = std::make_shared<RecordingPrompt>();
  SetPrompt(prompt);
  TextTable table;
  ASSERT_TRUE(table.Load(kDeliveredTexts));
  EXPECT_TRUE(prompt->Requests().empty()) << "a duplicated id was reported";

  for (const int language : kLanguages) {
    table.SetLanguage(language);
    for (const std::string& id : kIds) {
      const std::string text = table.Text(id);
      EXPECT_NE(text, id) << id << " has no text in language " << language;
      EXPECT_EQ(text.find("\\n"), std::string::npos) << id;
      if (!IsVideoAddress(id)) {
        EXPECT_FALSE(text.empty()) << id << " is empty in language " << language;
      }
    }
    // The channel labels stay "CH0".."CH15" in every language.
    EXPECT_EQ(table.Text("V_CHNAME"), "CH");
    EXPECT_EQ(table.Text("V_CHINDEX"), "0");
    ChannelLabel::Instance().RefreshFromTextTable(table);
    EXPECT_EQ(ChannelLabel::Instance().Label(15), "CH15");
    // A video address is a web address the desktop can open, or empty (the
    // command is then greyed); never one under the reserved ".invalid"
    // domain, which every click would fail to reach.
    for (const char* id : {"T_REALTIME_VEDIO", "T_RECORDING_VEDIO"}) {
      const std::string address = table.Text(id);
      if (!address.empty()) {
        EXPECT_EQ(address.rfind("https://", 0), 0u) << id;
        EXPECT_EQ(address.find(".invalid/"), std::string::npos) << id << ": " << address;
      }
    }
  }

  // The three languages really differ where there is prose to translate.
  const auto in = [&table](int language, const std::string& id) {
    table.SetLanguage(language);
    return table.Text(id);
  };
  for (const char* id : {"T_ISEXIST", "T_MSGSETTING", "T_CHANGELANG", "T_UPDATETEXT"}) {
    EXPECT_NE(in(kLanguageEnglish, id), in(kLanguageSimplifiedChinese, id)) << id;
    EXPECT_NE(in(kLanguageSimplifiedChinese, id), in(kLanguageTraditionalChinese, id)) << id;
  }
  ChannelLabel::ResetForTest();
}

// The file holds exactly these ids, each once, in this order, and every text
// has all three translations: a misspelt id would otherwise go unnoticed.
TEST(DeliveredTexts, FileListsTheIdsInOrderWithThreeTranslations) {
  tinyxml2::XMLDocument doc;
  ASSERT_EQ(doc.LoadFile(kDeliveredTexts.string().c_str()), tinyxml2::XML_SUCCESS);
  ASSERT_NE(doc.RootElement(), nullptr);
  EXPECT_STREQ(doc.RootElement()->Name(), "text");
  std::vector<std::string> ids;
  for (const auto* text = doc.RootElement()->FirstChildElement(); text;
       text = text->NextSiblingElement()) {
    EXPECT_STREQ(text->Name(), "SENTENSE");
    const char* id = text->Attribute("id");
    ASSERT_NE(id, nullptr);
    ids.emplace_back(id);
    std::vector<std::string> langs;
    for (const auto* value = text->FirstChildElement("VALUE"); value;
         value = value->NextSiblingElement("VALUE")) {
      langs.emplace_back(value->Attribute("Lang") ? value->Attribute("Lang") : "");
    }
    EXPECT_EQ(langs, (std::vector<std::string>{"en", "cn", "tw"})) << id;
  }
  EXPECT_EQ(ids, kIds);
}

}  // namespace
}  // namespace padscope
