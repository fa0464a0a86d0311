#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>

#include "platform/ProgramFolders.h"
#include "platform/RecordingPrompt.h"
#include "support/ChannelLabel.h"
#include "support/TextTable.h"

namespace padscope {
namespace {

class TextTableTest : public testing::Test {
 protected:
  void SetUp() override { SetPrompt(prompt); }

  // Writes `body` inside a "text" root as Padscope.xml and loads it into `table`.
  bool LoadTexts(const std::string& body) {
    return LoadFile("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<text>\n" + body + "</text>\n");
  }
  bool LoadFile(const std::string& content) {
    const auto path = StateDirectory() / "Padscope.xml";
    std::ofstream(path, std::ios::binary) << content;
    return table.Load(path);
  }
  std::string In(int language, const std::string& id) {
    table.SetLanguage(language);
    return table.Text(id);
  }

  std::shared_ptr<RecordingPrompt> prompt = std::make_shared<RecordingPrompt>();
  TextTable table;
};

TEST_F(TextTableTest, FirstEntryOfCurrentLanguageOrAnyWins) {
  ASSERT_TRUE(LoadTexts(R"(
  <SENTENSE id="CN_DE"><VALUE Lang="cn">简体</VALUE><VALUE Lang="de">any</VALUE></SENTENSE>
  <SENTENSE id="DE_CN"><VALUE Lang="de">any</VALUE><VALUE Lang="cn">简体</VALUE></SENTENSE>
  <SENTENSE id="EN"><VALUE Lang="en">english</VALUE></SENTENSE>
  <SENTENSE id="ALL"><VALUE Lang="en">Padscope</VALUE><VALUE Lang="cn">触摸调试</VALUE>
    <VALUE Lang="tw">觸摸調試</VALUE></SENTENSE>
)"));
  EXPECT_EQ(In(2, "CN_DE"), "简体");
  EXPECT_EQ(In(1, "CN_DE"), "any");
  EXPECT_EQ(In(3, "CN_DE"), "any");
  for (int language : {1, 2, 3}) {
    EXPECT_EQ(In(language, "DE_CN"), "any") << language;
  }
  EXPECT_EQ(In(1, "EN"), "english");
  EXPECT_EQ(In(2, "EN"), "EN");
  EXPECT_EQ(In(3, "EN"), "EN");
  EXPECT_EQ(In(1, "ALL"), "Padscope");
  EXPECT_EQ(In(2, "ALL"), "触摸调试");
  EXPECT_EQ(In(3, "ALL"), "觸摸調試");
  EXPECT_EQ(In(1, "NOT_THERE"), "NOT_THERE");
  EXPECT_EQ(In(1, "all"), "all");  // ids are case-sensitive
  EXPECT_TRUE(prompt->Requests().empty());
}

TEST_F(TextTableTest, BeforeLoadEveryLookupIsTheId) {
  EXPECT_TRUE(table.Empty());
  EXPECT_EQ(table.Text("ID_WIN_TITLE"), "ID_WIN_TITLE");
  EXPECT_EQ(table.Number("V_CHINDEX"), 0);
}

TEST_F(TextTableTest, NumberKeepsDigitsAndALeadingMinus) {
  ASSERT_TRUE(LoadTexts(R"(
  <S id="N_1"><VALUE Lang="en">1</VALUE></S>
  <S id="N_2"><VALUE Lang="en">ab. 1</VALUE></S>
  <S id="N_3"><VALUE Lang="en">x1y2z</VALUE></S>
  <S id="N_4"><VALUE Lang="en">-1</VALUE></S>
  <S id="N_5"><VALUE Lang="en"></VALUE></S>
  <S id="N_6"><VALUE Lang="en">a-1-2</VALUE></S>
  <S id="N_7"><VALUE Lang="en">99999999999</VALUE></S>
  <S id="N_8"><VALUE Lang="en">-99999999999</VALUE></S>
  <S id="N_9"><VALUE Lang="en">-</VALUE></S>
  <S id="V_CHINDEX"><VALUE Lang="cn">1</VALUE><VALUE Lang="en">0</VALUE></S>
)"));
  EXPECT_EQ(table.Number("N_%d", 1), 1);
  EXPECT_EQ(table.Number("N_%d", 2), 1);
  EXPECT_EQ(table.Number("N_%d", 3), 12);
  EXPECT_EQ(table.Number("N_%d", 4), -1);
  EXPECT_EQ(table.Number("N_%d", 5), 0);
  EXPECT_EQ(table.Number("N_%d", 6), 12);
  EXPECT_EQ(table.Number("N_%d", 7), INT32_MAX);
  EXPECT_EQ(table.Number("N_%d", 8), INT32_MIN);
  EXPECT_EQ(table.Number("N_%d", 9), 0);
  EXPECT_EQ(table.Number("N_%s", "missing"), 0);
  EXPECT_EQ(table.Number("V_CHINDEX"), 0);
  table.SetLanguage(2);
  EXPECT_EQ(table.Number("V_%s", "CHINDEX"), 1);
}

TEST(TextToNumber, ScansOnlyTheFirst201Characters) {
  EXPECT_EQ(TextToNumber(std::string(200, 'x') + "7"), 7);
  EXPECT_EQ(TextToNumber(std::string(201, 'x') + "7"), 0);
  // Characters, not bytes: 200 three-byte characters still leave room for the digit.
  std::string chinese;
  for (int i = 0; i < 200; ++i) {
    chinese += "中";
  }
  EXPECT_EQ(TextToNumber(chinese + "7"), 7);
  EXPECT_EQ(TextToNumber(std::string(300, '9')), INT32_MAX);
  EXPECT_EQ(TextToNumber("-2147483648"), INT32_MIN);
  EXPECT_EQ(TextToNumber("2147483647"), INT32_MAX);
  EXPECT_EQ(TextToNumber(" -1"), 1);  // the minus counts only as the very first character
}

TEST_F(TextTableTest, BackslashNBecomesCrLf) {
  ASSERT_TRUE(LoadTexts(R"(<S id="T"><VALUE Lang="en">first\nsecond\\n</VALUE></S>)"));
  EXPECT_EQ(table.Text("T"), "first\r\nsecond\\\r\n");
}

TEST_F(TextTableTest, DuplicateIdKeepsFirstAndReportsTheId) {
  ASSERT_TRUE(LoadTexts(R"(
  <S id="T_DUP"><VALUE Lang="en">first</VALUE></S>
  <S id="T_EMPTY"/>
  <S id="T_DUP"><VALUE Lang="en">second</VALUE></S>
  <S id="T_EMPTY"><VALUE Lang="en">defined later</VALUE></S>
  <S id="%s%n%d"><VALUE Lang="en">a</VALUE></S>
  <S id="%s%n%d"><VALUE Lang="en">b</VALUE></S>
)"));
  EXPECT_EQ(table.Text("T_DUP"), "first");
  EXPECT_EQ(table.Text("T_EMPTY"), "defined later");  // the first had no VALUE: no duplicate
  EXPECT_EQ(table.Text("%s%n%d"), "a");
  const auto requests = prompt->Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].text, "duplicated Text ID:\r\n T_DUP");
  EXPECT_EQ(requests[0].icon, PromptIcon::Error);
  EXPECT_EQ(requests[0].buttons, PromptButtons::Ok);
  EXPECT_TRUE(requests[0].caption.empty());
  EXPECT_EQ(requests[1].text, "duplicated Text ID:\r\n %s%n%d");
}

TEST_F(TextTableTest, UnreadableOrMalformedFileLeavesTableEmptyAndSilent) {
  EXPECT_FALSE(table.Load(StateDirectory() / "missing.xml"));
  EXPECT_FALSE(LoadFile(""));
  EXPECT_FALSE(LoadFile("not xml at all"));
  EXPECT_FALSE(LoadFile("<text><S id=\"A\"><VALUE Lang=\"en\">a</VALUE></S>"));  // unclosed
  EXPECT_FALSE(LoadFile("<text><S id=\"A\"><VALUE Lang=\"en\">a</S></VALUE></text>"));
  EXPECT_TRUE(table.Empty());
  EXPECT_EQ(table.Text("A"), "A");
  EXPECT_TRUE(prompt->Requests().empty());
}

TEST_F(TextTableTest, SecondLoadAddsAndAFailedOneChangesNothing) {
  ASSERT_TRUE(LoadTexts(R"(<S id="A"><VALUE Lang="en">a1</VALUE></S>)"));
  ASSERT_TRUE(LoadTexts(R"(<S id="A"><VALUE Lang="en">a2</VALUE></S>
                           <S id="B"><VALUE Lang="en">b2</VALUE></S>)"));
  EXPECT_FALSE(LoadFile("<broken"));
  EXPECT_EQ(table.Text("A"), "a1");
  EXPECT_EQ(table.Text("B"), "b2");
  EXPECT_EQ(prompt->Texts(), std::vector<std::string>{"duplicated Text ID:\r\n A"});
}

TEST_F(TextTableTest, IrregularElementsAreReadSensibly) {
  ASSERT_TRUE(LoadTexts(R"(
  <!-- comments and stray text between texts are skipped -->
  stray
  <S><VALUE Lang="en">no id</VALUE></S>
  <S id="NO_LANG"><VALUE>plain</VALUE></S>
  <S id="EMPTY"><VALUE Lang="en"/><VALUE Lang="en">second</VALUE></S>
  <S id="OTHER"><NAME Lang="en">ignored</NAME><VALUE Lang="fr">french</VALUE></S>
  <S id="SPACES"><VALUE Lang="en">
        Padscope   Touch
  </VALUE></S>
  <S id="ESCAPED"><VALUE Lang="en">a &lt;b&gt; &amp; c</VALUE></S>
)"));
  EXPECT_EQ(table.Text("NO_LANG"), "plain");
  EXPECT_EQ(table.Text("EMPTY"), "");
  EXPECT_EQ(table.Text("OTHER"), "french");  // any other Lang value is language 1
  EXPECT_EQ(table.Text("SPACES"), "Padscope Touch");
  EXPECT_EQ(table.Text("ESCAPED"), "a <b> & c");
  table.SetLanguage(2);
  EXPECT_EQ(table.Text("NO_LANG"), "NO_LANG");
}

TEST_F(TextTableTest, LongTextsAreCutAtACharacterBoundary) {
  const std::string chinese = "触";              // one UTF-16 unit, three bytes
  const std::string emoji = "\xF0\x9F\x98\x80";  // two UTF-16 units
  std::string manyChinese;
  for (int i = 0; i < 1500; ++i) {
    manyChinese += chinese;
  }
  ASSERT_TRUE(LoadTexts("<S id=\"ASCII\"><VALUE Lang=\"en\">" + std::string(5000, 'a') +
                        "</VALUE></S><S id=\"CN\"><VALUE Lang=\"en\">" + manyChinese +
                        "</VALUE></S><S id=\"PAIR\"><VALUE Lang=\"en\">" + std::string(1022, 'b') +
                        emoji + "</VALUE></S><S id=\"FITS\"><VALUE Lang=\"en\">" +
                        std::string(1021, 'c') + emoji + "</VALUE></S>"));
  EXPECT_EQ(table.Text("ASCII"), std::string(kMaxTextUnits, 'a'));
  EXPECT_EQ(table.Text("CN").size(), kMaxTextUnits * chinese.size());
  EXPECT_EQ(table.Text("PAIR"), std::string(1022, 'b'));  // the pair would need 1,024 units
  EXPECT_EQ(table.Text("FITS"), std::string(1021, 'c') + emoji);
}

TEST_F(TextTableTest, MalformedUtf8IsReplaced) {
  ASSERT_TRUE(
      LoadTexts("<S id=\"BAD\"><VALUE Lang=\"en\">a\xFF"
                "b\xE4\xB8</VALUE></S>"));
  EXPECT_EQ(table.Text("BAD"),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST_F(TextTableTest, LanguageSteppingAndSetting) {
  EXPECT_EQ(table.Language(), 1);
  EXPECT_EQ(table.NextLanguage(), 2);
  EXPECT_EQ(table.NextLanguage(), 3);
  EXPECT_EQ(table.NextLanguage(), 1);
  EXPECT_FALSE(table.SetLanguage(0));
  EXPECT_FALSE(table.SetLanguage(4));
  EXPECT_EQ(table.Language(), 1);
  EXPECT_TRUE(table.SetLanguage(3));
  EXPECT_EQ(table.NextLanguage(), 1);
}

TEST(TextTableLanguage, LangAttributesAndLocales) {
  EXPECT_EQ(LanguageFromLangAttribute("de"), 0);
  EXPECT_EQ(LanguageFromLangAttribute("en"), 1);
  EXPECT_EQ(LanguageFromLangAttribute(""), 1);
  EXPECT_EQ(LanguageFromLangAttribute("CN"), 1);
  EXPECT_EQ(LanguageFromLangAttribute("cn"), 2);
  EXPECT_EQ(LanguageFromLangAttribute("tw"), 3);

  for (const char* name : {"zh_TW.UTF-8", "zh_HK", "zh_MO.Big5", "zh-Hant", "zh_Hant_TW"}) {
    EXPECT_EQ(LanguageFromLocaleName(name), 3) << name;
  }
  for (const char* name : {"zh_CN.UTF-8", "zh_SG", "zh", "ZH-cn", "zh_Hans_HK", "zh_CN@pinyin"}) {
    EXPECT_EQ(LanguageFromLocaleName(name), 2) << name;
  }
  for (const char* name : {"", "C", "POSIX", "en_US.UTF-8", "de_DE", "zhx_TW", "C.UTF-8"}) {
    EXPECT_EQ(LanguageFromLocaleName(name), 1) << name;
  }
  EXPECT_EQ(LanguageFromLocaleId(1028), 3);
  EXPECT_EQ(LanguageFromLocaleId(3076), 3);
  EXPECT_EQ(LanguageFromLocaleId(2052), 2);
  EXPECT_EQ(LanguageFromLocaleId(1033), 1);
  EXPECT_EQ(LanguageFromLocaleId(4100), 1);
}

#if !defined(_WIN32)
// Sets the locale variables for one test and puts the old values back.
class LocaleEnvironment {
 public:
  LocaleEnvironment() {
    for (size_t i = 0; i < kNames.size(); ++i) {
      const char* v = std::getenv(kNames[i]);
      saved_[i] = v ? std::optional<std::string>(v) : std::nullopt;
      unsetenv(kNames[i]);
    }
  }
  ~LocaleEnvironment() {
    for (size_t i = 0; i < kNames.size(); ++i) {
      saved_[i] ? setenv(kNames[i], saved_[i]->c_str(), 1) : unsetenv(kNames[i]);
    }
  }

 private:
  static constexpr std::array<const char*, 3> kNames = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::array<std::optional<std::string>, 3> saved_;
};

TEST(TextTableLanguage, LocaleEnvironmentInPosixPrecedence) {
  LocaleEnvironment env;
  TextTable table;
  table.SetLanguage(2);
  table.SetLanguageFromLocale();
  EXPECT_EQ(table.Language(), 1);  // nothing set
  setenv("LANG", "zh_CN.UTF-8", 1);
  table.SetLanguageFromLocale();
  EXPECT_EQ(table.Language(), 2);
  setenv("LC_MESSAGES", "zh_TW.UTF-8", 1);
  table.SetLanguageFromLocale();
  EXPECT_EQ(table.Language(), 3);
  setenv("LC_ALL", "en_GB.UTF-8", 1);
  table.SetLanguageFromLocale();
  EXPECT_EQ(table.Language(), 1);
  setenv("LC_ALL", "", 1);  // empty counts as unset
  table.SetLanguageFromLocale();
  EXPECT_EQ(table.Language(), 3);
}
#endif

TEST_F(TextTableTest, ProcessWideTableResets) {
  const auto path = StateDirectory() / "Padscope.xml";
  std::ofstream(path) << R"(<text><S id="A"><VALUE Lang="en">a</VALUE></S></text>)";
  ASSERT_TRUE(TextTable::Instance().Load(path));
  TextTable::Instance().NextLanguage();
  EXPECT_EQ(&TextTable::Instance(), &TextTable::Instance());
  TextTable::ResetForTest();
  EXPECT_TRUE(TextTable::Instance().Empty());
  EXPECT_EQ(TextTable::Instance().Language(), 1);
}

TEST_F(TextTableTest, ChannelLabelFollowsTheTable) {
  ChannelLabel label;
  EXPECT_EQ(label.Label(0), "CH0");
  EXPECT_EQ(label.Label(15), "CH15");

  ASSERT_TRUE(LoadTexts(R"(
  <S id="V_CHNAME"><VALUE Lang="en">TK</VALUE><VALUE Lang="cn">通道</VALUE></S>
  <S id="V_CHINDEX"><VALUE Lang="en">No. 1</VALUE><VALUE Lang="cn">0</VALUE></S>
)"));
  label.RefreshFromTextTable(table);
  EXPECT_EQ(label.Label(0), "TK1");
  EXPECT_EQ(label.Label(15), "TK16");
  table.SetLanguage(2);
  label.RefreshFromTextTable(table);
  EXPECT_EQ(label.Label(3), "通道3");

  label.SetBase(INT32_MAX);
  EXPECT_EQ(label.Label(1), "通道2147483648");  // no int overflow

  ChannelLabel::Instance().SetPrefix("X");
  ChannelLabel::Instance().SetBase(5);
  ChannelLabel::ResetForTest();
  EXPECT_EQ(ChannelLabel::Instance().Label(2), "CH2");
}

}  // namespace
}  // namespace padscope
