// Signatures of published updates: Ed25519 over a BLAKE2b-512 hash of the
// version file's first line, one LF, and the executable's bytes. Binding the
// version line in stops an old, validly signed build from being served under
// a newer number. The cryptography comes from the signature backend the
// program links (platform/SignatureCrypto.h); the formats are kept here, the
// same for every backend.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/SignatureCrypto.h"

namespace tickerloom::update {

using PublicKey = platform::Ed25519PublicKey;
using SecretKey = platform::Ed25519SecretKey;
using Signature = platform::Ed25519Signature;
using Digest = platform::Blake2b512Digest;

// Exactly 2 * N hex digits (either case), nothing else.
std::optional<PublicKey> ParsePublicKey(std::string_view hex);
std::optional<SecretKey> ParseSecretKey(std::string_view hex);
// The signature file's text: 128 hex digits on one line, optionally followed
// by one line end (LF or CR LF), nothing else.
std::optional<Signature> ParseSignatureFile(std::string_view text);
// Lower-case hex digits, two a byte.
std::string ToHex(std::span<const unsigned char> bytes);

// The hash that is signed, computed as the executable streams past.
class UpdateDigest {
 public:
  explicit UpdateDigest(std::string_view version_line);
  void Add(std::span<const std::byte> bytes);
  Digest Finish();

 private:
  platform::Blake2b512 hash_;
};

bool Verify(const PublicKey& public_key, const Digest& digest, const Signature& signature);

// The release tool's side; only a program linked with a backend that signs
// (libsodium) may call it.
inline Signature Sign(const SecretKey& secret_key, const Digest& digest) {
  return platform::SignEd25519(secret_key, digest);
}

}  // namespace tickerloom::update
