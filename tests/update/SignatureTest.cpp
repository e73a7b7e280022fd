#include "update/Signature.h"

#include <gtest/gtest.h>

#include <string>

namespace tickerloom::update {
namespace {

struct KeyPair {
  PublicKey public_key{};
  SecretKey secret_key{};
  KeyPair() {
    InitialiseSodium();
    crypto_sign_keypair(public_key.data(), secret_key.data());
  }
};

Digest DigestOf(std::string_view version_line, std::string_view program) {
  UpdateDigest digest(version_line);
  digest.Add(std::as_bytes(std::span(program.data(), program.size())));
  return digest.Finish();
}

const std::string kProgram = std::string(
    "\x7f"
    "ELF program bytes\0\r\n\xff",
    22);

TEST(Signature, VerifiesOnlyTheSignedVersionLineAndProgramUnderTheRightKey) {
  const KeyPair signer;
  const KeyPair stranger;
  const Signature signature = Sign(signer.secret_key, DigestOf("1.2", kProgram));
  EXPECT_TRUE(Verify(signer.public_key, DigestOf("1.2", kProgram), signature));

  EXPECT_FALSE(Verify(stranger.public_key, DigestOf("1.2", kProgram), signature)) << "wrong key";
  for (std::size_t i : {std::size_t{0}, kProgram.size() / 2, kProgram.size() - 1}) {
    std::string flipped = kProgram;
    flipped[i] = static_cast<char>(flipped[i] ^ 0x01);
    EXPECT_FALSE(Verify(signer.public_key, DigestOf("1.2", flipped), signature)) << "byte " << i;
  }
  for (std::size_t i : {std::size_t{0}, std::size_t{31}, std::size_t{63}}) {
    Signature flipped = signature;
    flipped[i] ^= 0x80;
    EXPECT_FALSE(Verify(signer.public_key, DigestOf("1.2", kProgram), flipped)) << "byte " << i;
  }
  EXPECT_FALSE(Verify(signer.public_key, DigestOf("1.3", kProgram), signature))
      << "the same program under another version line";
  EXPECT_FALSE(Verify(signer.public_key, DigestOf("1.2 ", kProgram), signature));
  EXPECT_FALSE(Verify(signer.public_key, DigestOf("1.2", kProgram + "x"), signature));
}

TEST(Signature, HashCoversVersionLineOneLineFeedAndProgram) {
  const std::string message = "1.2\n" + kProgram;
  Digest expected{};
  crypto_generichash(expected.data(), expected.size(),
                     reinterpret_cast<const unsigned char*>(message.data()), message.size(),
                     nullptr, 0);
  EXPECT_EQ(DigestOf("1.2", kProgram), expected);
  // Moving a byte across the boundary changes the hash.
  EXPECT_NE(DigestOf("1.2", "3abc"), DigestOf("1.23", "abc"));
}

TEST(Signature, HashingInChunksEqualsHashingAtOnce) {
  const std::string program(200000, 'q');
  UpdateDigest chunked("2");
  for (std::size_t at = 0; at < program.size(); at += 7001) {
    const std::string_view piece = std::string_view(program).substr(at, 7001);
    chunked.Add(std::as_bytes(std::span(piece.data(), piece.size())));
  }
  EXPECT_EQ(chunked.Finish(), DigestOf("2", program));
}

TEST(Signature, SignatureFileHoldsExactly128HexDigitsAndAtMostOneLineEnd) {
  const KeyPair signer;
  const Signature signature = Sign(signer.secret_key, DigestOf("1.2", kProgram));
  const std::string hex = ToHex(signature);
  ASSERT_EQ(hex.size(), 128u);
  std::string upper = hex;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

  for (const std::string& good : {hex, hex + "\n", hex + "\r\n", upper}) {
    const auto parsed = ParseSignatureFile(good);
    ASSERT_TRUE(parsed.has_value()) << good;
    EXPECT_EQ(*parsed, signature);
  }
  const std::string bad[] = {
      hex.substr(0, 127),   // truncated by one digit
      hex.substr(0, 126),   // truncated by one byte
      hex + "0",            // one digit too many
      hex + "00",           // one byte too many
      hex + "\n\n",         // a second line
      hex + "\n" + hex,     // two signatures
      " " + hex,            // a blank before it
      hex + " ",            // a blank after it
      "g" + hex.substr(1),  // not a hex digit
      hex.substr(0, 64) + ":" + hex.substr(65),
      "",
  };
  for (const std::string& text : bad) {
    EXPECT_FALSE(ParseSignatureFile(text).has_value()) << "'" << text << "'";
  }
}

TEST(Signature, PublicKeyIs64HexDigits) {
  const KeyPair pair;
  const std::string hex = ToHex(pair.public_key);
  ASSERT_EQ(hex.size(), 64u);
  ASSERT_TRUE(ParsePublicKey(hex).has_value());
  EXPECT_EQ(*ParsePublicKey(hex), pair.public_key);
  EXPECT_FALSE(ParsePublicKey("").has_value());
  EXPECT_FALSE(ParsePublicKey(hex.substr(0, 63)).has_value());
  EXPECT_FALSE(ParsePublicKey(hex + "\n").has_value());
  EXPECT_FALSE(ParsePublicKey(hex.substr(0, 63) + "x").has_value());
}

}  // namespace
}  // namespace tickerloom::update
