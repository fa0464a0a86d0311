#include "support/UpdateKeys.h"

#include <sodium.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "platform/FileBytes.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>

#include "platform/OwnFile.h"
#endif

namespace padscope {

namespace {

static_assert(crypto_sign_PUBLICKEYBYTES == sizeof(UpdatePublicKey));
static_assert(crypto_sign_SECRETKEYBYTES == sizeof(UpdateSecretKey));
static_assert(crypto_sign_BYTES == sizeof(UpdateSignature));

bool SodiumReady() {
  static const bool ready = sodium_init() >= 0;
  return ready;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

// Creates `path` anew with `text`; an existing file (or link) is never replaced.
bool WriteNewFile(const std::filesystem::path& path, const std::string& text, unsigned mode) {
#if defined(_WIN32)
  (void)mode;
  std::error_code ec;
  if (std::filesystem::exists(std::filesystem::symlink_status(path, ec))) {
    return false;
  }
  std::ofstream out(path, std::ios::binary);
  out << text;
  out.close();
  return !out.fail();
#else
  const int fd = OpenOwnFile(path, O_WRONLY | O_CREAT | O_EXCL, mode);
  if (fd < 0) {
    return false;
  }
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  return ::close(fd) == 0 && written;
#endif
}

bool ReadKeyFile(const std::filesystem::path& file, std::span<uint8_t> key, std::string& error) {
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(file, 4096, bytes)) {
    error = "cannot read " + file.string();
    return false;
  }
  if (!KeyFromHex(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                  key)) {
    error = file.string() + " does not hold a key of " + std::to_string(key.size()) + " bytes";
    return false;
  }
  return true;
}

}  // namespace

bool MakeUpdateKeyPair(UpdatePublicKey& publicKey, UpdateSecretKey& secretKey) {
  return SodiumReady() && crypto_sign_keypair(publicKey.data(), secretKey.data()) == 0;
}

UpdateSignature SignUpdate(std::span<const uint8_t> message, const UpdateSecretKey& key) {
  UpdateSignature signature{};
  if (SodiumReady()) {
    crypto_sign_detached(signature.data(), nullptr, message.data(), message.size(), key.data());
  }
  return signature;
}

bool VerifyUpdate(std::span<const uint8_t> message, const UpdateSignature& signature,
                  const UpdatePublicKey& key) {
  return SodiumReady() && crypto_sign_verify_detached(signature.data(), message.data(),
                                                      message.size(), key.data()) == 0;
}

std::string KeyToHex(std::span<const uint8_t> key) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (uint8_t b : key) {
    text += kDigits[b >> 4];
    text += kDigits[b & 15];
  }
  return text;
}

bool KeyFromHex(std::string_view text, std::span<uint8_t> out) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && blank(text.back())) {
    text.remove_suffix(1);
  }
  if (text.size() != out.size() * 2) {
    return false;
  }
  for (size_t i = 0; i < out.size(); ++i) {
    const int high = HexDigit(text[2 * i]);
    const int low = HexDigit(text[2 * i + 1]);
    if (high < 0 || low < 0) {
      return false;
    }
    out[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return true;
}

std::optional<UpdatePublicKey> PublicKeyFromBuild(std::string_view hex) {
  UpdatePublicKey key{};
  if (!KeyFromHex(hex, key)) {
    return std::nullopt;
  }
  return key;
}

bool WriteUpdateKeyPair(const std::filesystem::path& publicFile,
                        const std::filesystem::path& secretFile, std::string& error) {
  UpdatePublicKey publicKey{};
  UpdateSecretKey secretKey{};
  if (!MakeUpdateKeyPair(publicKey, secretKey)) {
    error = "the cryptography library cannot be initialised";
    return false;
  }
  const bool secretWritten = WriteNewFile(secretFile, KeyToHex(secretKey) + "\n", 0600);
  sodium_memzero(secretKey.data(), secretKey.size());
  if (!secretWritten) {
    error = "cannot create " + secretFile.string() + " (it must not exist yet)";
    return false;
  }
  if (!WriteNewFile(publicFile, KeyToHex(publicKey) + "\n", 0644)) {
    error = "cannot create " + publicFile.string() + " (it must not exist yet)";
    std::error_code ec;
    std::filesystem::remove(secretFile, ec);
    return false;
  }
  return true;
}

bool ReadUpdatePublicKey(const std::filesystem::path& file, UpdatePublicKey& key,
                         std::string& error) {
  return ReadKeyFile(file, key, error);
}

bool ReadUpdateSecretKey(const std::filesystem::path& file, UpdateSecretKey& key,
                         std::string& error) {
  if (!ReadKeyFile(file, key, error)) {
    return false;
  }
  // The key is its seed followed by its public half: both must agree.
  UpdatePublicKey derived{};
  UpdateSecretKey again{};
  const bool whole = SodiumReady() &&
                     crypto_sign_seed_keypair(derived.data(), again.data(), key.data()) == 0 &&
                     sodium_memcmp(again.data(), key.data(), key.size()) == 0;
  sodium_memzero(again.data(), again.size());
  if (!whole) {
    error = file.string() + " does not hold a whole secret key";
    return false;
  }
  return true;
}

}  // namespace padscope
