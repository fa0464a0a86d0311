#pragma once

// The keys that sign update packages and check them: Ed25519 through
// libsodium. The project signs each release's package with its secret key; the
// program and the updater carry the public key they were built with.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace padscope {

using UpdatePublicKey = std::array<uint8_t, 32>;
using UpdateSecretKey = std::array<uint8_t, 64>;
using UpdateSignature = std::array<uint8_t, 64>;

// A fresh key pair; false when the library cannot be initialised.
bool MakeUpdateKeyPair(UpdatePublicKey& publicKey, UpdateSecretKey& secretKey);

UpdateSignature SignUpdate(std::span<const uint8_t> message, const UpdateSecretKey& key);

// True when `signature` was made over exactly `message` with the secret half of `key`.
bool VerifyUpdate(std::span<const uint8_t> message, const UpdateSignature& signature,
                  const UpdatePublicKey& key);

// Keys as text, as the key files and the build setting hold them: lower-case hex.
std::string KeyToHex(std::span<const uint8_t> key);
// Exactly out.size() bytes of hex, white space around it allowed.
bool KeyFromHex(std::string_view text, std::span<uint8_t> out);

// The public key a build was given as hex (the build setting); none when the
// text is empty or not a key.
std::optional<UpdatePublicKey> PublicKeyFromBuild(std::string_view hex);

// Writes a new pair as hex text: the public key readable by all, the secret key
// readable by its owner only (0600). Neither file may exist yet.
bool WriteUpdateKeyPair(const std::filesystem::path& publicFile,
                        const std::filesystem::path& secretFile, std::string& error);
bool ReadUpdatePublicKey(const std::filesystem::path& file, UpdatePublicKey& key,
                         std::string& error);
// Also checks that the file holds a whole, undamaged secret key.
bool ReadUpdateSecretKey(const std::filesystem::path& file, UpdateSecretKey& key,
                         std::string& error);

}  // namespace padscope
