#include "update/Signature.h"

#include <array>
#include <tuple>

namespace tickerloom::update {
namespace {

constexpr std::string_view kHexDigits = "0123456789abcdef";

std::optional<unsigned char> HexValue(char digit) {
  if (digit >= '0' && digit <= '9') return static_cast<unsigned char>(digit - '0');
  if (digit >= 'a' && digit <= 'f') return static_cast<unsigned char>(digit - 'a' + 10);
  if (digit >= 'A' && digit <= 'F') return static_cast<unsigned char>(digit - 'A' + 10);
  return std::nullopt;
}

template <std::size_t N>
std::optional<std::array<unsigned char, N>> ParseHex(std::string_view hex) {
  if (hex.size() != 2 * N) return std::nullopt;
  std::array<unsigned char, N> bytes{};
  for (std::size_t i = 0; i < N; ++i) {
    const auto high = HexValue(hex[2 * i]);
    const auto low = HexValue(hex[2 * i + 1]);
    if (!high || !low) return std::nullopt;
    bytes[i] = static_cast<unsigned char>(*high << 4 | *low);
  }
  return bytes;
}

}  // namespace

std::optional<PublicKey> ParsePublicKey(std::string_view hex) {
  return ParseHex<std::tuple_size_v<PublicKey>>(hex);
}

std::optional<SecretKey> ParseSecretKey(std::string_view hex) {
  return ParseHex<std::tuple_size_v<SecretKey>>(hex);
}

std::optional<Signature> ParseSignatureFile(std::string_view text) {
  if (text.ends_with("\r\n")) {
    text.remove_suffix(2);
  } else if (text.ends_with('\n')) {
    text.remove_suffix(1);
  }
  return ParseHex<std::tuple_size_v<Signature>>(text);
}

std::string ToHex(std::span<const unsigned char> bytes) {
  std::string hex;
  hex.reserve(bytes.size() * 2);
  for (const unsigned char byte : bytes) {
    hex += kHexDigits[byte >> 4];
    hex += kHexDigits[byte & 0x0f];
  }
  return hex;
}

UpdateDigest::UpdateDigest(std::string_view version_line) {
  Add(std::as_bytes(std::span(version_line.data(), version_line.size())));
  const std::byte line_feed{'\n'};
  Add(std::span(&line_feed, 1));
}

void UpdateDigest::Add(std::span<const std::byte> bytes) {
  hash_.Add(std::span(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
}

Digest UpdateDigest::Finish() {
  return hash_.Finish();
}

bool Verify(const PublicKey& public_key, const Digest& digest, const Signature& signature) {
  return platform::VerifyEd25519(public_key, digest, signature);
}

}  // namespace tickerloom::update
