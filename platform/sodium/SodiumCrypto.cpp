// The update's signature primitives with libsodium: the Linux program's, and
// the only backend that signs (the release tool).
#include <sodium.h>

#include "platform/SignatureCrypto.h"

namespace tickerloom::platform {
namespace {

static_assert(std::tuple_size_v<Ed25519PublicKey> == crypto_sign_ed25519_PUBLICKEYBYTES);
static_assert(std::tuple_size_v<Ed25519SecretKey> == crypto_sign_ed25519_SECRETKEYBYTES);
static_assert(std::tuple_size_v<Ed25519Signature> == crypto_sign_ed25519_BYTES);
static_assert(std::tuple_size_v<Blake2b512Digest> == crypto_generichash_blake2b_BYTES_MAX);

// sodium_init is thread-safe and does its work only once.
void StartSodium() {
  if (sodium_init() < 0) throw CryptoError("libsodium cannot be initialised");
}

}  // namespace

struct Blake2b512::State {
  crypto_generichash_blake2b_state hash;
};

Blake2b512::Blake2b512() : state_(std::make_unique<State>()) {
  StartSodium();
  crypto_generichash_blake2b_init(&state_->hash, nullptr, 0, crypto_generichash_blake2b_BYTES_MAX);
}

Blake2b512::~Blake2b512() = default;

void Blake2b512::Add(std::span<const unsigned char> bytes) {
  crypto_generichash_blake2b_update(&state_->hash, bytes.data(), bytes.size());
}

Blake2b512Digest Blake2b512::Finish() {
  Blake2b512Digest digest{};
  crypto_generichash_blake2b_final(&state_->hash, digest.data(), digest.size());
  return digest;
}

bool VerifyEd25519(const Ed25519PublicKey& public_key, std::span<const unsigned char> message,
                   const Ed25519Signature& signature) {
  StartSodium();
  return crypto_sign_ed25519_verify_detached(signature.data(), message.data(), message.size(),
                                             public_key.data()) == 0;
}

Ed25519KeyPair MakeEd25519KeyPair() {
  StartSodium();
  Ed25519KeyPair pair;
  crypto_sign_ed25519_keypair(pair.public_key.data(), pair.secret_key.data());
  return pair;
}

Ed25519Signature SignEd25519(const Ed25519SecretKey& secret_key,
                             std::span<const unsigned char> message) {
  StartSodium();
  Ed25519Signature signature{};
  crypto_sign_ed25519_detached(signature.data(), nullptr, message.data(), message.size(),
                               secret_key.data());
  return signature;
}

Ed25519PublicKey Ed25519PublicKeyOf(const Ed25519SecretKey& secret_key) {
  Ed25519PublicKey public_key{};
  crypto_sign_ed25519_sk_to_pk(public_key.data(), secret_key.data());
  return public_key;
}

void WipeSecretKey(Ed25519SecretKey& secret_key) {
  sodium_memzero(secret_key.data(), secret_key.size());
}

}  // namespace tickerloom::platform
