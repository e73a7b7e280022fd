// One table of vectors for every signature backend: this source is built once
// per backend (signature_tests_sodium, signature_tests_gcrypt), so each
// backend that ships must pass all of it.
#include "update/Signature.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <vector>

#ifdef TICKERLOOM_RELEASE_TOOL
#include <sys/wait.h>

#include <cstdlib>

#include "tests/support/TempFolder.h"
#endif

namespace tickerloom::update {
namespace {

std::vector<unsigned char> Bytes(std::string_view hex) {
  std::vector<unsigned char> bytes;
  for (std::size_t at = 0; at + 1 < hex.size(); at += 2) {
    bytes.push_back(
        static_cast<unsigned char>(std::stoi(std::string(hex.substr(at, 2)), nullptr, 16)));
  }
  return bytes;
}

template <std::size_t N>
std::array<unsigned char, N> Fixed(std::string_view hex) {
  const std::vector<unsigned char> bytes = Bytes(hex);
  std::array<unsigned char, N> fixed{};
  EXPECT_EQ(bytes.size(), N) << hex;
  std::copy_n(bytes.begin(), std::min(N, bytes.size()), fixed.begin());
  return fixed;
}

// RFC 8032, section 7.1 (Ed25519), in the RFC's own layout. The secret key
// is the RFC's 32-byte one (the seed).
struct Rfc8032Vector {
  const char* name;
  const char* secret_key;
  const char* public_key;
  const char* message;
  const char* signature;
};

const Rfc8032Vector kRfc8032[] = {
    {"TEST 1",
     "9d61b19deffd5a60ba844af492ec2cc4"
     "4449c5697b326919703bac031cae7f60",
     "d75a980182b10ab7d54bfed3c964073a"
     "0ee172f3daa62325af021a68f707511a",
     "",
     "e5564300c360ac729086e2cc806e828a"
     "84877f1eb8e5d974d873e06522490155"
     "5fb8821590a33bacc61e39701cf9b46b"
     "d25bf5f0595bbe24655141438e7a100b"},
    {"TEST 2",
     "4ccd089b28ff96da9db6c346ec114e0f"
     "5b8a319f35aba624da8cf6ed4fb8a6fb",
     "3d4017c3e843895a92b70aa74d1b7ebc"
     "9c982ccf2ec4968cc0cd55f12af4660c",
     "72",
     "92a009a9f0d4cab8720e820b5f642540"
     "a2b27b5416503f8fb3762223ebdb69da"
     "085ac1e43e15996e458f3613d0f11d8c"
     "387b2eaeb4302aeeb00d291612bb0c00"},
    {"TEST 3",
     "c5aa8df43f9f837bedb7442f31dcb7b1"
     "66d38535076f094b85ce3a2e0b4458f7",
     "fc51cd8e6218a1a38da47ed00230f058"
     "0816ed13ba3303ac5deb911548908025",
     "af82",
     "6291d657deec24024827e69c3abe01a3"
     "0ce548a284743a445e3680d7db5ac3ac"
     "18ff9b538d16f290ae67f760984dc659"
     "4a7c15e9716ed28dc027beceea1ec40a"},
    {"TEST 1024",
     "f5e5767cf153319517630f226876b86c"
     "8160cc583bc013744c6bf255f5cc0ee5",
     "278117fc144c72340f67d0f2316e8386"
     "ceffbf2b2428c9c51fef7c597f1d426e",
     "08b8b2b733424243760fe426a4b54908"
     "632110a66c2f6591eabd3345e3e4eb98"
     "fa6e264bf09efe12ee50f8f54e9f77b1"
     "e355f6c50544e23fb1433ddf73be84d8"
     "79de7c0046dc4996d9e773f4bc9efe57"
     "38829adb26c81b37c93a1b270b20329d"
     "658675fc6ea534e0810a4432826bf58c"
     "941efb65d57a338bbd2e26640f89ffbc"
     "1a858efcb8550ee3a5e1998bd177e93a"
     "7363c344fe6b199ee5d02e82d522c4fe"
     "ba15452f80288a821a579116ec6dad2b"
     "3b310da903401aa62100ab5d1a36553e"
     "06203b33890cc9b832f79ef80560ccb9"
     "a39ce767967ed628c6ad573cb116dbef"
     "efd75499da96bd68a8a97b928a8bbc10"
     "3b6621fcde2beca1231d206be6cd9ec7"
     "aff6f6c94fcd7204ed3455c68c83f4a4"
     "1da4af2b74ef5c53f1d8ac70bdcb7ed1"
     "85ce81bd84359d44254d95629e9855a9"
     "4a7c1958d1f8ada5d0532ed8a5aa3fb2"
     "d17ba70eb6248e594e1a2297acbbb39d"
     "502f1a8c6eb6f1ce22b3de1a1f40cc24"
     "554119a831a9aad6079cad88425de6bd"
     "e1a9187ebb6092cf67bf2b13fd65f270"
     "88d78b7e883c8759d2c4f5c65adb7553"
     "878ad575f9fad878e80a0c9ba63bcbcc"
     "2732e69485bbc9c90bfbd62481d9089b"
     "eccf80cfe2df16a2cf65bd92dd597b07"
     "07e0917af48bbb75fed413d238f5555a"
     "7a569d80c3414a8d0859dc65a46128ba"
     "b27af87a71314f318c782b23ebfe808b"
     "82b0ce26401d2e22f04d83d1255dc51a"
     "ddd3b75a2b1ae0784504df543af8969b"
     "e3ea7082ff7fc9888c144da2af58429e"
     "c96031dbcad3dad9af0dcbaaaf268cb8"
     "fcffead94f3c7ca495e056a9b47acdb7"
     "51fb73e666c6c655ade8297297d07ad1"
     "ba5e43f1bca32301651339e22904cc8c"
     "42f58c30c04aafdb038dda0847dd988d"
     "cda6f3bfd15c4b4c4525004aa06eeff8"
     "ca61783aacec57fb3d1f92b0fe2fd1a8"
     "5f6724517b65e614ad6808d6f6ee34df"
     "f7310fdc82aebfd904b01e1dc54b2927"
     "094b2db68d6f903b68401adebf5a7e08"
     "d78ff4ef5d63653a65040cf9bfd4aca7"
     "984a74d37145986780fc0b16ac451649"
     "de6188a7dbdf191f64b5fc5e2ab47b57"
     "f7f7276cd419c17a3ca8e1b939ae49e4"
     "88acba6b965610b5480109c8b17b80e1"
     "b7b750dfc7598d5d5011fd2dcc5600a3"
     "2ef5b52a1ecc820e308aa342721aac09"
     "43bf6686b64b2579376504ccc493d97e"
     "6aed3fb0f9cd71a43dd497f01f17c0e2"
     "cb3797aa2a2f256656168e6c496afc5f"
     "b93246f6b1116398a346f1a641f3b041"
     "e989f7914f90cc2c7fff357876e506b5"
     "0d334ba77c225bc307ba537152f3f161"
     "0e4eafe595f6d9d90d11faa933a15ef1"
     "369546868a7f3a45a96768d40fd9d034"
     "12c091c6315cf4fde7cb68606937380d"
     "b2eaaa707b4c4185c32eddcdd306705e"
     "4dc1ffc872eeee475a64dfac86aba41c"
     "0618983f8741c5ef68d3a101e8a3b8ca"
     "c60c905c15fc910840b94c00a0b9d0",
     "0aab4c900501b3e24d7cdf4663326a3a"
     "87df5e4843b2cbdb67cbf6e460fec350"
     "aa5371b1508f9f4528ecea23c436d94b"
     "5e8fcd4f681e30a6ac00a9704a188a03"},
    {"TEST SHA(abc)",
     "833fe62409237b9d62ec77587520911e"
     "9a759cec1d19755b7da901b96dca3d42",
     "ec172b93ad5e563bf4932c70e1245034"
     "c35467ef2efd4d64ebf819683467e2bf",
     "ddaf35a193617abacc417349ae204131"
     "12e6fa4e89a97ea20a9eeee64b55d39a"
     "2192992a274fc1a836ba3c23a3feebbd"
     "454d4423643ce80e2a9ac94fa54ca49f",
     "dc2a4459e7369633a52b1bf277839a00"
     "201009a3efbf3ecb69bea2186c26b589"
     "09351fc9ac90b3ecfdfbc7c66431e030"
     "3dca179c138ac17ad9bef1177331a704"},
};

TEST(Rfc8032, EveryVectorVerifiesAndNoFlippedBitOfItDoes) {
  for (const Rfc8032Vector& vector : kRfc8032) {
    SCOPED_TRACE(vector.name);
    const auto public_key = Fixed<32>(vector.public_key);
    const std::vector<unsigned char> message = Bytes(vector.message);
    const auto signature = Fixed<64>(vector.signature);
    EXPECT_TRUE(platform::VerifyEd25519(public_key, message, signature));

    // One bit of the message (TEST 1 has none), and one byte more.
    for (std::size_t at = 0; at < message.size();
         at += std::max<std::size_t>(1, message.size() / 3)) {
      std::vector<unsigned char> flipped = message;
      flipped[at] ^= 0x01;
      EXPECT_FALSE(platform::VerifyEd25519(public_key, flipped, signature)) << "message " << at;
    }
    std::vector<unsigned char> longer = message;
    longer.push_back(0);
    EXPECT_FALSE(platform::VerifyEd25519(public_key, longer, signature)) << "a byte more";
    // One bit of R, of S, and of the key.
    for (std::size_t at : {std::size_t{0}, std::size_t{31}, std::size_t{32}, std::size_t{63}}) {
      platform::Ed25519Signature flipped = signature;
      flipped[at] ^= 0x01;
      EXPECT_FALSE(platform::VerifyEd25519(public_key, message, flipped)) << "signature " << at;
    }
    for (std::size_t at : {std::size_t{0}, std::size_t{17}, std::size_t{31}}) {
      platform::Ed25519PublicKey flipped = public_key;
      flipped[at] ^= 0x01;
      EXPECT_FALSE(platform::VerifyEd25519(flipped, message, signature)) << "key " << at;
    }
  }
}

// S must lie below the group order L (RFC 8032, 5.1.7): TEST 1's signature
// with L added to S passes the curve equation all the same.
TEST(Rfc8032, SignatureWithSPlusTheGroupOrderIsRefused) {
  const Rfc8032Vector& test1 = kRfc8032[0];
  const auto malleated = Fixed<64>(
      "e5564300c360ac729086e2cc806e828a"
      "84877f1eb8e5d974d873e06522490155"
      "4c8c7872aa064e049dbb3013fbf29380"
      "d25bf5f0595bbe24655141438e7a101b");
  EXPECT_FALSE(platform::VerifyEd25519(Fixed<32>(test1.public_key), {}, malleated));
}

// RFC 7693, Appendix A: BLAKE2b-512("abc").
TEST(Blake2b512, GivesTheRfc7693Digest) {
  platform::Blake2b512 hash;
  const std::string abc = "abc";
  hash.Add(std::span(reinterpret_cast<const unsigned char*>(abc.data()), abc.size()));
  EXPECT_EQ(ToHex(hash.Finish()),
            "ba80a53f981c4d0d6a2797b69f12f6e94c212f14685ac4b74b12bb6fdbffa2d1"
            "7d87c5392aab792dc252d5de4533cc9518d38aa8dbf1925ab92386edd4009923");
}

Digest DigestOf(std::string_view version_line, std::string_view program) {
  UpdateDigest digest(version_line);
  digest.Add(std::as_bytes(std::span(program.data(), program.size())));
  return digest.Finish();
}

TEST(UpdateDigest, CoversVersionLineOneLineFeedAndProgram) {
  const std::string message = std::string("1.2\n") + "program";
  platform::Blake2b512 whole;
  whole.Add(std::span(reinterpret_cast<const unsigned char*>(message.data()), message.size()));
  EXPECT_EQ(DigestOf("1.2", "program"), whole.Finish());
  // Moving a byte across the boundary changes the hash.
  EXPECT_NE(DigestOf("1.2", "3abc"), DigestOf("1.23", "abc"));
}

TEST(UpdateDigest, HashingInChunksEqualsHashingAtOnce) {
  std::string program(200000, '\0');
  for (std::size_t i = 0; i < program.size(); ++i) program[i] = static_cast<char>(i * 7 % 251);
  // Pieces of one byte, of none, across the 128-byte block and the boundaries of 7001.
  for (std::size_t piece_size :
       {std::size_t{1}, std::size_t{127}, std::size_t{128}, std::size_t{129}, std::size_t{7001}}) {
    UpdateDigest chunked("2");
    for (std::size_t at = 0; at < program.size(); at += piece_size) {
      const std::string_view piece = std::string_view(program).substr(at, piece_size);
      chunked.Add(std::as_bytes(std::span(piece.data(), piece.size())));
      chunked.Add({});
    }
    EXPECT_EQ(chunked.Finish(), DigestOf("2", program)) << piece_size;
  }
}

// The update as it is published: a program, its version line, and a
// signature file, checked with a key. The signer is the key of RFC 8032
// TEST 2, the stranger that of TEST 3; kSignatureFile is the signature over
// DigestOf("1.2", kProgram) with TEST 2's key.
const std::string kProgram = std::string(
    "\x7f"
    "ELF program bytes\0\r\n\xff",
    22);
const PublicKey kSigner = Fixed<32>(kRfc8032[1].public_key);
const PublicKey kStranger = Fixed<32>(kRfc8032[2].public_key);
const std::string kSignatureHex =
    "6cbba92e9a02d255072b472470e1ba17"
    "7a5166b41e3cdef4b31fb358d3f7c3c7"
    "b5e9f96c3da9940cec222fb6702bd8cb"
    "3ef9b42e7530ca19e7b25ebc1afd8905";

std::string FlipDigit(std::string text, std::size_t at) {
  text[at] = text[at] == '0' ? '1' : '0';
  return text;
}

std::string FlipByte(std::string text, std::size_t at) {
  text[at] = static_cast<char>(text[at] ^ 0x01);
  return text;
}

TEST(Signature, AcceptsOnlyTheSignedVersionLineAndProgramUnderTheSignersKey) {
  const struct {
    const char* what;
    std::string version_line;
    std::string program;
    std::string signature_file;
    PublicKey public_key;
    bool accepted;
  } cases[] = {
      {"valid", "1.2", kProgram, kSignatureHex + "\n", kSigner, true},
      {"valid, CR LF", "1.2", kProgram, kSignatureHex + "\r\n", kSigner, true},
      {"valid, no line end", "1.2", kProgram, kSignatureHex, kSigner, true},
      {"wrong key", "1.2", kProgram, kSignatureHex + "\n", kStranger, false},
      {"flipped first program byte", "1.2", FlipByte(kProgram, 0), kSignatureHex, kSigner, false},
      {"flipped middle program byte", "1.2", FlipByte(kProgram, 11), kSignatureHex, kSigner, false},
      {"flipped last program byte", "1.2", FlipByte(kProgram, 21), kSignatureHex, kSigner, false},
      {"program one byte longer", "1.2", kProgram + "x", kSignatureHex, kSigner, false},
      {"program one byte shorter", "1.2", kProgram.substr(1), kSignatureHex, kSigner, false},
      {"flipped digit of R", "1.2", kProgram, FlipDigit(kSignatureHex, 0), kSigner, false},
      {"flipped digit of S", "1.2", kProgram, FlipDigit(kSignatureHex, 100), kSigner, false},
      {"flipped last digit", "1.2", kProgram, FlipDigit(kSignatureHex, 127), kSigner, false},
      {"truncated by a digit", "1.2", kProgram, kSignatureHex.substr(0, 127), kSigner, false},
      {"truncated by a byte", "1.2", kProgram, kSignatureHex.substr(0, 126) + "\n", kSigner, false},
      {"empty signature file", "1.2", kProgram, "", kSigner, false},
      {"other version line", "1.3", kProgram, kSignatureHex, kSigner, false},
      {"version line with a blank", "1.2 ", kProgram, kSignatureHex, kSigner, false},
      {"version line with its CR", "1.2\r", kProgram, kSignatureHex, kSigner, false},
  };
  for (const auto& c : cases) {
    const auto signature = ParseSignatureFile(c.signature_file);
    const bool accepted =
        signature && Verify(c.public_key, DigestOf(c.version_line, c.program), *signature);
    EXPECT_EQ(accepted, c.accepted) << c.what;
  }
}

TEST(Signature, SignatureFileHoldsExactly128HexDigitsAndAtMostOneLineEnd) {
  const Signature signature = Fixed<64>(kSignatureHex);
  ASSERT_EQ(ToHex(signature), kSignatureHex);
  std::string upper = kSignatureHex;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

  for (const std::string& good :
       {kSignatureHex, kSignatureHex + "\n", kSignatureHex + "\r\n", upper}) {
    const auto parsed = ParseSignatureFile(good);
    ASSERT_TRUE(parsed.has_value()) << good;
    EXPECT_EQ(*parsed, signature);
  }
  const std::string& hex = kSignatureHex;
  const std::string bad[] = {
      hex.substr(0, 127),   // truncated by one digit
      hex.substr(0, 126),   // truncated by one byte
      hex + "0",            // one digit too many
      hex + "00",           // one byte too many
      hex + "\n\n",         // a second line
      hex + "\n" + hex,     // two signatures
      hex + "\r",           // a CR alone
      " " + hex,            // a blank before it
      hex + " ",            // a blank after it
      "g" + hex.substr(1),  // not a hex digit
      hex.substr(0, 64) + ":" + hex.substr(65),
      hex.substr(0, 64) + std::string(1, '\0') + hex.substr(65),
      "",
  };
  for (const std::string& text : bad) {
    EXPECT_FALSE(ParseSignatureFile(text).has_value()) << "'" << text << "'";
  }
}

TEST(Signature, PublicKeyIs64HexDigits) {
  const std::string hex = kRfc8032[3].public_key;
  ASSERT_TRUE(ParsePublicKey(hex).has_value());
  EXPECT_EQ(*ParsePublicKey(hex), Fixed<32>(hex));
  EXPECT_EQ(ToHex(*ParsePublicKey(hex)), hex);
  EXPECT_FALSE(ParsePublicKey("").has_value());
  EXPECT_FALSE(ParsePublicKey(hex.substr(0, 63)).has_value());
  EXPECT_FALSE(ParsePublicKey(hex + "\n").has_value());
  EXPECT_FALSE(ParsePublicKey(hex.substr(0, 63) + "x").has_value());
}

#ifdef TICKERLOOM_SIGNATURE_BACKEND_SIGNS
// The signing side (libsodium only): it reproduces the RFC's signatures and
// the table's signature above, and its fresh keys work.
TEST(Signing, ReproducesEveryRfc8032SignatureAndTheTablesOne) {
  for (const Rfc8032Vector& vector : kRfc8032) {
    SCOPED_TRACE(vector.name);
    const auto secret_key = Fixed<64>(std::string(vector.secret_key) + vector.public_key);
    EXPECT_EQ(ToHex(platform::Ed25519PublicKeyOf(secret_key)), vector.public_key);
    EXPECT_EQ(ToHex(platform::SignEd25519(secret_key, Bytes(vector.message))), vector.signature);
  }
  const auto signer = Fixed<64>(std::string(kRfc8032[1].secret_key) + kRfc8032[1].public_key);
  EXPECT_EQ(ToHex(Sign(signer, DigestOf("1.2", kProgram))), kSignatureHex);
}

TEST(Signing, FreshKeyPairsDifferAndSignForTheirPublicKeyOnly) {
  const platform::Ed25519KeyPair first = platform::MakeEd25519KeyPair();
  const platform::Ed25519KeyPair second = platform::MakeEd25519KeyPair();
  EXPECT_NE(first.public_key, second.public_key);
  EXPECT_EQ(platform::Ed25519PublicKeyOf(first.secret_key), first.public_key);
  const Digest digest = DigestOf("1.2", kProgram);
  const Signature signature = Sign(first.secret_key, digest);
  EXPECT_TRUE(Verify(first.public_key, digest, signature));
  EXPECT_FALSE(Verify(second.public_key, digest, signature));

  platform::Ed25519SecretKey wiped = first.secret_key;
  platform::WipeSecretKey(wiped);
  EXPECT_EQ(wiped, platform::Ed25519SecretKey{});
}
#endif

#ifdef TICKERLOOM_RELEASE_TOOL
// What the release tool (libsodium) publishes verifies with this backend.
TEST(Signature, WhatTheReleaseToolPublishesVerifies) {
  testing::TempFolder temp;
  const std::string key = temp.Path() + "/key";
  const std::string out = temp.Path() + "/out";
  std::string program(70000, '\0');
  for (std::size_t i = 0; i < program.size(); ++i) program[i] = static_cast<char>(i % 253);
  testing::WriteBytes(temp.Path() + "/program", program);
  const std::string tool = std::string("'") + TICKERLOOM_RELEASE_TOOL + "' ";
  for (const std::string& arguments :
       {"keygen '" + key + "'",
        "publish 1.2 '" + temp.Path() + "/program' '" + key + "' '" + out + "'"}) {
    const int status = std::system((tool + arguments + " >/dev/null").c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << arguments;
  }
  std::string public_hex = testing::ReadBytes(key + ".pub");
  public_hex.pop_back();
  const auto public_key = ParsePublicKey(public_hex);
  const auto signature = ParseSignatureFile(testing::ReadBytes(out + "/Quorvane.exe.sig"));
  ASSERT_TRUE(public_key.has_value() && signature.has_value());
  ASSERT_EQ(testing::ReadBytes(out + "/Quorvane.exeVer.txt"), "1.2\r\n");
  const std::string served = testing::ReadBytes(out + "/Quorvane.exe");
  EXPECT_TRUE(Verify(*public_key, DigestOf("1.2", served), *signature));
  EXPECT_FALSE(Verify(*public_key, DigestOf("1.2", FlipByte(served, 40000)), *signature));
  EXPECT_FALSE(Verify(*public_key, DigestOf("1.20", served), *signature));
}
#endif

}  // namespace
}  // namespace tickerloom::update
