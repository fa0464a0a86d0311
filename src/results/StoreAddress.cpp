#include "results/StoreAddress.h"

#include <sodium.h>

#include <cctype>

#include "platform/ProgramFolders.h"

namespace padscope {

namespace {

constexpr char kSqlitePrefix[] = "sqlite:";

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

// "keyword=" at the start of a libpq keyword/value string.
bool StartsWithKeyword(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && (std::islower(static_cast<unsigned char>(text[i])) || text[i] == '_')) {
    ++i;
  }
  size_t j = i;
  while (j < text.size() && text[j] == ' ') {
    ++j;
  }
  return i > 0 && j < text.size() && text[j] == '=';
}

// A URI's "user:password@" and "password=" query value, each password masked.
std::string MaskUriPassword(std::string uri) {
  const size_t scheme = uri.find("://");
  const size_t authorityEnd = uri.find_first_of("/?", scheme + 3);
  const size_t at = uri.rfind('@', authorityEnd);
  if (at != std::string::npos && at > scheme) {
    const size_t colon = uri.find(':', scheme + 3);
    if (colon != std::string::npos && colon < at) {
      uri.replace(colon + 1, at - colon - 1, "***");
    }
  }
  for (size_t p = uri.find("password=", uri.find('?')); p != std::string::npos;
       p = uri.find("password=", p + 1)) {
    if (uri[p - 1] != '?' && uri[p - 1] != '&') {
      continue;
    }
    const size_t end = uri.find('&', p);
    uri.replace(p + 9, (end == std::string::npos ? uri.size() : end) - p - 9, "***");
  }
  return uri;
}

// "password = value" of a keyword/value string (the value bare or quoted).
std::string MaskKeywordPassword(std::string text) {
  for (size_t p = text.find("password"); p != std::string::npos; p = text.find("password", p + 1)) {
    if (p > 0 && text[p - 1] != ' ') {
      continue;
    }
    size_t v = p + 8;
    while (v < text.size() && text[v] == ' ') {
      ++v;
    }
    if (v >= text.size() || text[v] != '=') {
      continue;
    }
    ++v;
    while (v < text.size() && text[v] == ' ') {
      ++v;
    }
    size_t end = v;
    if (end < text.size() && text[end] == '\'') {
      for (++end; end < text.size() && text[end] != '\''; ++end) {
        end += text[end] == '\\';
      }
      end = std::min(end + 1, text.size());
    } else {
      end = text.find(' ', v);
      end = end == std::string::npos ? text.size() : end;
    }
    text.replace(v, end - v, "***");
  }
  return text;
}

}  // namespace

std::optional<StoreAddress> ParseStoreAddress(const std::string& text, std::string& error) {
  if (StartsWith(text, kSqlitePrefix)) {
    const std::string path = text.substr(sizeof kSqlitePrefix - 1);
    if (path.empty()) {
      error = "the SQLite store needs a file: sqlite:PATH";
      return std::nullopt;
    }
    return StoreAddress{StoreKind::Sqlite, path};
  }
  if (StartsWith(text, "postgresql://") || StartsWith(text, "postgres://") ||
      StartsWithKeyword(text)) {
    return StoreAddress{StoreKind::Postgres, text};
  }
  error = "unknown results store (it takes sqlite:PATH, postgresql://... or libpq's keyword=value)";
  return std::nullopt;
}

StoreAddress DefaultStoreAddress() {
  return StoreAddress{StoreKind::Sqlite, (StateDirectory() / "results.db").string()};
}

std::string DescribeStoreAddress(const StoreAddress& address) {
  if (address.kind == StoreKind::Sqlite) {
    return kSqlitePrefix + address.location;
  }
  return address.location.find("://") != std::string::npos ? MaskUriPassword(address.location)
                                                           : MaskKeywordPassword(address.location);
}

std::string StoreSpoolName(const StoreAddress& address) {
  const std::string shown = DescribeStoreAddress(address);
  unsigned char hash[crypto_hash_sha256_BYTES];
  crypto_hash_sha256(hash, reinterpret_cast<const unsigned char*>(shown.data()), shown.size());
  static constexpr char kHex[] = "0123456789abcdef";
  std::string name = address.kind == StoreKind::Sqlite ? "sqlite-" : "postgresql-";
  for (int i = 0; i < 8; ++i) {
    name += kHex[hash[i] >> 4];
    name += kHex[hash[i] & 15];
  }
  return name;
}

}  // namespace padscope
