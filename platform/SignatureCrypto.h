// The cryptography behind the update's signatures: Ed25519 (RFC 8032) and
// unkeyed BLAKE2b-512 (RFC 7693), taken from a library. Each library is a
// backend in a folder of its own that defines everything here in one source
// file, and a program links exactly one: platform/sodium (libsodium, Linux)
// or platform/gcrypt (libgcrypt, Windows). Verifying and hashing need no
// randomness.
#pragma once

#include <array>
#include <memory>
#include <span>
#include <stdexcept>

namespace tickerloom::platform {

using Ed25519PublicKey = std::array<unsigned char, 32>;
// The 32-byte seed followed by the public key, as libsodium stores it.
using Ed25519SecretKey = std::array<unsigned char, 64>;
using Ed25519Signature = std::array<unsigned char, 64>;
using Blake2b512Digest = std::array<unsigned char, 64>;

// The library could not be started or failed inside (out of memory); never
// thrown for a signature that does not verify.
class CryptoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A BLAKE2b-512 hash fed piece by piece.
class Blake2b512 {
 public:
  Blake2b512();
  ~Blake2b512();
  Blake2b512(const Blake2b512&) = delete;
  Blake2b512& operator=(const Blake2b512&) = delete;

  void Add(std::span<const unsigned char> bytes);
  // The digest of everything added; call once, as the last thing.
  Blake2b512Digest Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// True only when signature is public_key's Ed25519 signature of message. A
// signature that is not even well formed gives false; so does such a key,
// except that libgcrypt aborts on a few degenerate ones (see its backend).
bool VerifyEd25519(const Ed25519PublicKey& public_key, std::span<const unsigned char> message,
                   const Ed25519Signature& signature);

// The signing side, for the release tool and the tests. Only the libsodium
// backend has it: a program linked with another backend cannot sign.
struct Ed25519KeyPair {
  Ed25519PublicKey public_key{};
  Ed25519SecretKey secret_key{};
};
Ed25519KeyPair MakeEd25519KeyPair();
Ed25519Signature SignEd25519(const Ed25519SecretKey& secret_key,
                             std::span<const unsigned char> message);
Ed25519PublicKey Ed25519PublicKeyOf(const Ed25519SecretKey& secret_key);
// Overwrites the key in a way the compiler cannot leave out.
void WipeSecretKey(Ed25519SecretKey& secret_key);

}  // namespace tickerloom::platform
