// Signatures of published updates: Ed25519 over a BLAKE2b-512 hash of the
// version file's first line, one LF, and the executable's bytes. Binding the
// version line in stops an old, validly signed build from being served under
// a newer number.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include <sodium.h>

namespace tickerloom::update {

using PublicKey = std::array<unsigned char, crypto_sign_PUBLICKEYBYTES>;
using SecretKey = std::array<unsigned char, crypto_sign_SECRETKEYBYTES>;
using Signature = std::array<unsigned char, crypto_sign_BYTES>;
using Digest = std::array<unsigned char, crypto_generichash_BYTES_MAX>;

// Throws std::runtime_error when libsodium cannot be initialised.
void InitialiseSodium();

// Exactly 2 * N hex digits (either case), nothing else.
std::optional<PublicKey> ParsePublicKey(std::string_view hex);
std::optional<SecretKey> ParseSecretKey(std::string_view hex);
// The signature file's text: 128 hex digits on one line, optionally followed
// by one line end (LF or CR LF), nothing else.
std::optional<Signature> ParseSignatureFile(std::string_view text);
std::string ToHex(std::span<const unsigned char> bytes);

// The hash that is signed, computed as the executable streams past.
class UpdateDigest {
 public:
  explicit UpdateDigest(std::string_view version_line);
  void Add(std::span<const std::byte> bytes);
  Digest Finish();

 private:
  crypto_generichash_state state_;
};

Signature Sign(const SecretKey& secret_key, const Digest& digest);
bool Verify(const PublicKey& public_key, const Digest& digest, const Signature& signature);

}  // namespace tickerloom::update
