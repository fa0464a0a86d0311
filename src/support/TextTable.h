#pragma once

// Texts that follow the interface language, read from an XML text file
// ("Padscope.xml") and looked up by id.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace padscope {

// Language indexes. kLanguageAny is only ever an entry's language ("de" in the
// file): it matches every current language. The current language is 1, 2 or 3.
inline constexpr int kLanguageAny = 0;
inline constexpr int kLanguageEnglish = 1;
inline constexpr int kLanguageSimplifiedChinese = 2;
inline constexpr int kLanguageTraditionalChinese = 3;

// Longest stored text in UTF-16 units; longer texts are cut at a character boundary.
inline constexpr size_t kMaxTextUnits = 1023;

class TextTable {
 public:
  // An empty table with language 1. Tests make their own; the program uses Instance().
  TextTable() = default;
  TextTable(const TextTable&) = delete;
  TextTable& operator=(const TextTable&) = delete;

  // The process-wide table, created empty on first call and kept until exit.
  static TextTable& Instance();
  // Empties the process-wide table and sets its language back to 1. Test fixtures only.
  static void ResetForTest();

  // Reads the text file and adds its texts to the table. An id already in the
  // table (from this file or an earlier Load) keeps its first definition and the
  // repeat is reported through ThePrompt() as an error. Returns false, and leaves
  // the table unchanged and silent, when the file cannot be read or is not
  // well-formed XML. Not thread-safe: call before any reader starts.
  bool Load(const std::filesystem::path& path);

  // The text of `id` in the current language: the first of the id's entries, in
  // file order, whose language is the current one or kLanguageAny; the id itself
  // when there is none. UTF-8, line breaks as CR LF. Any thread may call it.
  std::string Text(const std::string& id) const;

  // Looks up the id formatted from `format` and its arguments (at most 800
  // characters) and reads the text as a number (TextToNumber).
  int32_t Number(const char* format, ...) const __attribute__((format(printf, 2, 3)));

  // Steps the current language 1 -> 2 -> 3 -> 1 and returns the new one.
  // The language setters are for the interface thread; readers may run meanwhile.
  int NextLanguage();
  // Sets the current language; returns false, changing nothing, unless it is 1, 2 or 3.
  bool SetLanguage(int language);
  int Language() const { return language_.load(std::memory_order_relaxed); }
  // Sets the language from the system locale (LanguageFromLocaleId on Windows, the
  // LC_ALL / LC_MESSAGES / LANG environment through LanguageFromLocaleName elsewhere).
  void SetLanguageFromLocale();

  // True when the table holds no text.
  bool Empty() const { return texts_.empty(); }

 private:
  struct Entry {
    int language;
    std::string text;
  };

  void Clear();

  std::map<std::string, std::vector<Entry>> texts_;  // id -> entries in file order
  std::atomic<int> language_{kLanguageEnglish};
};

// The language index of a "Lang" attribute: "de" 0, "cn" 2, "tw" 3, anything else 1.
int LanguageFromLangAttribute(std::string_view lang);

// The interface language for a POSIX locale name such as "zh_TW.UTF-8": Traditional
// Chinese (3) for Taiwan, Hong Kong, Macau or the Hant script, Simplified Chinese (2)
// for any other Chinese locale, English (1) for everything else.
int LanguageFromLocaleName(const std::string& name);

// The interface language for a Windows locale id: 1028 and 3076 give 3, 2052 gives 2,
// anything else 1.
int LanguageFromLocaleId(int lcid);

// Reads a number the forgiving way text files are read: of the first 201
// characters, every decimal digit is kept and a '-' is kept only as the very first
// character; everything else is skipped. No digits gives 0; a value beyond the
// int32 range is clamped to it.
int32_t TextToNumber(std::string_view text);

}  // namespace padscope
