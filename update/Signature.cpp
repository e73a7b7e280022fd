#include "update/Signature.h"

#include <stdexcept>

namespace tickerloom::update {
namespace {

template <std::size_t N>
std::optional<std::array<unsigned char, N>> ParseHex(std::string_view hex) {
  if (hex.size() != 2 * N) return std::nullopt;
  std::array<unsigned char, N> bytes{};
  std::size_t length = 0;
  const char* end = nullptr;
  if (sodium_hex2bin(bytes.data(), bytes.size(), hex.data(), hex.size(), nullptr, &length, &end) !=
          0 ||
      length != N || end != hex.data() + hex.size()) {
    return std::nullopt;
  }
  return bytes;
}

}  // namespace

void InitialiseSodium() {
  if (sodium_init() < 0) throw std::runtime_error("Cannot initialise libsodium");
}

std::optional<PublicKey> ParsePublicKey(std::string_view hex) {
  return ParseHex<crypto_sign_PUBLICKEYBYTES>(hex);
}

std::optional<SecretKey> ParseSecretKey(std::string_view hex) {
  return ParseHex<crypto_sign_SECRETKEYBYTES>(hex);
}

std::optional<Signature> ParseSignatureFile(std::string_view text) {
  if (text.ends_with("\r\n")) {
    text.remove_suffix(2);
  } else if (text.ends_with('\n')) {
    text.remove_suffix(1);
  }
  return ParseHex<crypto_sign_BYTES>(text);
}

std::string ToHex(std::span<const unsigned char> bytes) {
  std::string hex(bytes.size() * 2 + 1, '\0');
  sodium_bin2hex(hex.data(), hex.size(), bytes.data(), bytes.size());
  hex.pop_back();
  return hex;
}

UpdateDigest::UpdateDigest(std::string_view version_line) {
  InitialiseSodium();
  crypto_generichash_init(&state_, nullptr, 0, crypto_generichash_BYTES_MAX);
  crypto_generichash_update(&state_, reinterpret_cast<const unsigned char*>(version_line.data()),
                            version_line.size());
  const unsigned char line_feed = '\n';
  crypto_generichash_update(&state_, &line_feed, 1);
}

void UpdateDigest::Add(std::span<const std::byte> bytes) {
  crypto_generichash_update(&state_, reinterpret_cast<const unsigned char*>(bytes.data()),
                            bytes.size());
}

Digest UpdateDigest::Finish() {
  Digest digest{};
  crypto_generichash_final(&state_, digest.data(), digest.size());
  return digest;
}

Signature Sign(const SecretKey& secret_key, const Digest& digest) {
  InitialiseSodium();
  Signature signature{};
  crypto_sign_detached(signature.data(), nullptr, digest.data(), digest.size(), secret_key.data());
  return signature;
}

bool Verify(const PublicKey& public_key, const Digest& digest, const Signature& signature) {
  InitialiseSodium();
  return crypto_sign_verify_detached(signature.data(), digest.data(), digest.size(),
                                     public_key.data()) == 0;
}

}  // namespace tickerloom::update
