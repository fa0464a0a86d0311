#include "support/TextTable.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>

#include "platform/Prompt.h"

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace padscope {

namespace {

constexpr size_t kMaxIdChars = 800;
constexpr size_t kNumberScanChars = 201;
// A text file is a few kilobytes; anything far beyond that is not one.
constexpr std::streamoff kMaxFileBytes = 16 * 1024 * 1024;

// Decodes one UTF-8 sequence at `s[i]`. Returns its length and sets `cp`, or
// returns 0 for a malformed sequence (overlong, surrogate, beyond U+10FFFF, cut short).
size_t DecodeUtf8(std::string_view s, size_t i, char32_t& cp) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char b0 = byte(i);
  size_t len = 0;
  char32_t min = 0;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  } else if ((b0 & 0xE0) == 0xC0) {
    len = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    len = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    len = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > s.size()) {
    return 0;
  }
  for (size_t k = 1; k < len; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      return 0;
    }
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    return 0;
  }
  return len;
}

// The text as it is stored: malformed UTF-8 replaced by U+FFFD (as the interface
// would show it anyway), and cut after kMaxTextUnits UTF-16 units without
// splitting a character.
std::string StoredText(std::string_view in) {
  static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  std::string out;
  out.reserve(std::min(in.size(), kMaxTextUnits * 3));
  size_t units = 0;
  for (size_t i = 0; i < in.size();) {
    char32_t cp = 0;
    const size_t len = DecodeUtf8(in, i, cp);
    const size_t cpUnits = (len != 0 && cp >= 0x10000) ? 2 : 1;
    if (units + cpUnits > kMaxTextUnits) {
      break;
    }
    units += cpUnits;
    if (len == 0) {
      out += kReplacement;
      ++i;
    } else {
      out.append(in.substr(i, len));
      i += len;
    }
  }
  return out;
}

// The file writes a line break as backslash-n; stored as CR LF.
void ExpandLineBreaks(std::string& text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '\\' && text[i + 1] == 'n') {
      text[i] = '\r';
      text[++i] = '\n';
    }
  }
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& out) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) {
    return false;
  }
  const std::streamoff size = in.tellg();
  if (size < 0 || size > kMaxFileBytes) {
    return false;
  }
  out.resize(static_cast<size_t>(size));
  in.seekg(0);
  return static_cast<bool>(in.read(out.data(), size));
}

}  // namespace

TextTable& TextTable::Instance() {
  static TextTable table;
  return table;
}

void TextTable::ResetForTest() {
  Instance().Clear();
}

void TextTable::Clear() {
  texts_.clear();
  language_.store(kLanguageEnglish, std::memory_order_relaxed);
}

bool TextTable::Load(const std::filesystem::path& path) {
  std::string data;
  if (!ReadWholeFile(path, data)) {
    return false;
  }
  // Collapsing whitespace lets the file be indented freely; line breaks that
  // belong to a text are written as backslash-n.
  tinyxml2::XMLDocument doc(true, tinyxml2::COLLAPSE_WHITESPACE);
  if (doc.Parse(data.data(), data.size()) != tinyxml2::XML_SUCCESS || !doc.RootElement()) {
    return false;
  }
  for (const tinyxml2::XMLElement* text = doc.RootElement()->FirstChildElement(); text;
       text = text->NextSiblingElement()) {
    const char* id = text->Attribute("id");
    if (id == nullptr) {
      continue;  // nothing could ever look it up
    }
    std::vector<Entry> entries;
    for (const tinyxml2::XMLElement* value = text->FirstChildElement("VALUE"); value;
         value = value->NextSiblingElement("VALUE")) {
      const char* lang = value->Attribute("Lang");
      const char* content = value->GetText();
      Entry entry{LanguageFromLangAttribute(lang ? lang : ""), StoredText(content ? content : "")};
      ExpandLineBreaks(entry.text);
      entries.push_back(std::move(entry));
    }
    if (entries.empty()) {
      continue;
    }
    if (texts_.count(id) != 0) {
      ShowPrompt(std::string("duplicated Text ID:\r\n ") + id, PromptIcon::Error);
      continue;
    }
    texts_.emplace(id, std::move(entries));
  }
  return true;
}

std::string TextTable::Text(const std::string& id) const {
  const auto it = texts_.find(id);
  if (it == texts_.end()) {
    return id;
  }
  const int current = Language();
  for (const Entry& entry : it->second) {
    if (entry.language == current || entry.language == kLanguageAny) {
      return entry.text;
    }
  }
  return id;
}

int32_t TextTable::Number(const char* format, ...) const {
  char id[kMaxIdChars + 1];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(id, sizeof id, format, args);
  va_end(args);
  if (n < 0) {
    id[0] = '\0';
  }
  return TextToNumber(Text(id));
}

int TextTable::NextLanguage() {
  const int next = Language() >= kLanguageTraditionalChinese ? kLanguageEnglish : Language() + 1;
  language_.store(next, std::memory_order_relaxed);
  return next;
}

bool TextTable::SetLanguage(int language) {
  if (language < kLanguageEnglish || language > kLanguageTraditionalChinese) {
    return false;
  }
  language_.store(language, std::memory_order_relaxed);
  return true;
}

void TextTable::SetLanguageFromLocale() {
#if defined(_WIN32)
  SetLanguage(LanguageFromLocaleId(static_cast<int>(GetSystemDefaultLCID())));
#else
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') {
      SetLanguage(LanguageFromLocaleName(value));
      return;
    }
  }
  SetLanguage(kLanguageEnglish);
#endif
}

int LanguageFromLangAttribute(std::string_view lang) {
  if (lang == "de") {
    return kLanguageAny;
  }
  if (lang == "cn") {
    return kLanguageSimplifiedChinese;
  }
  if (lang == "tw") {
    return kLanguageTraditionalChinese;
  }
  return kLanguageEnglish;
}

int LanguageFromLocaleName(const std::string& name) {
  // "zh_TW.UTF-8@euro", "zh-Hant-HK": language, then script and region, any case.
  std::string lower = name.substr(0, name.find_first_of(".@"));
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) {
    return c == '-' ? '_' : static_cast<char>(std::tolower(c));
  });
  std::vector<std::string> parts;
  for (size_t start = 0; start <= lower.size();) {
    const size_t end = std::min(lower.find('_', start), lower.size());
    parts.push_back(lower.substr(start, end - start));
    start = end + 1;
  }
  if (parts.empty() || parts[0] != "zh") {
    return kLanguageEnglish;
  }
  const auto has = [&parts](const char* part) {
    return std::find(parts.begin() + 1, parts.end(), part) != parts.end();
  };
  if (has("hans")) {
    return kLanguageSimplifiedChinese;
  }
  if (has("hant") || has("tw") || has("hk") || has("mo")) {
    return kLanguageTraditionalChinese;
  }
  return kLanguageSimplifiedChinese;
}

int LanguageFromLocaleId(int lcid) {
  switch (lcid) {
    case 1028:  // zh-TW
    case 3076:  // zh-HK
      return kLanguageTraditionalChinese;
    case 2052:  // zh-CN
      return kLanguageSimplifiedChinese;
    default:
      return kLanguageEnglish;
  }
}

int32_t TextToNumber(std::string_view text) {
  constexpr int64_t kMaxMagnitude = int64_t{std::numeric_limits<int32_t>::max()} + 1;
  const bool negative = !text.empty() && text[0] == '-';
  int64_t magnitude = 0;
  size_t chars = 0;
  for (const char c : text) {
    // Count characters, not bytes: UTF-8 continuation bytes belong to the character before.
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80 && ++chars > kNumberScanChars) {
      break;
    }
    if (c >= '0' && c <= '9') {
      magnitude = std::min(magnitude * 10 + (c - '0'), kMaxMagnitude);
    }
  }
  if (negative) {
    return static_cast<int32_t>(-magnitude);
  }
  return static_cast<int32_t>(std::min(magnitude, kMaxMagnitude - 1));
}

}  // namespace padscope
