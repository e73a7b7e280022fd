// The update's signature primitives with libgcrypt: the Windows program's
// (linked statically from the mingw package). It verifies and hashes only;
// neither needs libgcrypt's random number generator, which is never started.
#include <gcrypt.h>

#include <algorithm>
#include <limits>
#include <string>

#include "platform/SignatureCrypto.h"

namespace tickerloom::platform {
namespace {

[[noreturn]] void Fail(const std::string& what, gcry_error_t error) {
  throw CryptoError("libgcrypt: " + what + ": " + gcry_strerror(error));
}

// libgcrypt must be started once before its first use; a function-local
// static does that exactly once, also when threads race to it.
void StartGcrypt() {
  static const bool started = [] {
    if (gcry_check_version(GCRYPT_VERSION) == nullptr) {
      throw CryptoError(std::string("libgcrypt ") + gcry_check_version(nullptr) +
                        " is older than " GCRYPT_VERSION);
    }
    // Another part of the process may have set the library up already.
    if (gcry_control(GCRYCTL_INITIALIZATION_FINISHED_P) == 0) {
      // Only public keys and published programs pass through here.
      gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
      gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    }
    return true;
  }();
  static_cast<void>(started);
}

// An S-expression that frees itself.
class Sexp {
 public:
  Sexp() = default;
  ~Sexp() { gcry_sexp_release(sexp_); }
  Sexp(const Sexp&) = delete;
  Sexp& operator=(const Sexp&) = delete;
  gcry_sexp_t* Out() { return &sexp_; }
  gcry_sexp_t Get() const { return sexp_; }

 private:
  gcry_sexp_t sexp_ = nullptr;
};

int Length(std::span<const unsigned char> bytes) {
  if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
    throw CryptoError("libgcrypt: a message of " + std::to_string(bytes.size()) +
                      " bytes is too long to verify in one piece");
  }
  return static_cast<int>(bytes.size());
}

// RFC 8032 (5.1.7) allows only S below the group order L; libgcrypt 1.10
// also takes S + L, which libsodium refuses. Both backends must agree.
bool IsBelowGroupOrder(std::span<const unsigned char, 32> s) {
  // L = 2^252 + 27742317777372353535851937790883648493, little-endian.
  static constexpr std::array<unsigned char, 32> kGroupOrder = {
      0xed, 0xd3, 0xf5, 0x5c, 0x1a, 0x63, 0x12, 0x58, 0xd6, 0x9c, 0xf7,
      0xa2, 0xde, 0xf9, 0xde, 0x14, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10};
  for (std::size_t i = s.size(); i-- > 0;) {
    if (s[i] != kGroupOrder[i]) return s[i] < kGroupOrder[i];
  }
  return false;
}

}  // namespace

struct Blake2b512::State {
  gcry_md_hd_t hash = nullptr;
  ~State() { gcry_md_close(hash); }
};

Blake2b512::Blake2b512() : state_(std::make_unique<State>()) {
  StartGcrypt();
  const gcry_error_t error = gcry_md_open(&state_->hash, GCRY_MD_BLAKE2B_512, 0);
  if (error != 0) Fail("cannot start a BLAKE2b-512 hash", error);
}

Blake2b512::~Blake2b512() = default;

void Blake2b512::Add(std::span<const unsigned char> bytes) {
  gcry_md_write(state_->hash, bytes.data(), bytes.size());
}

Blake2b512Digest Blake2b512::Finish() {
  Blake2b512Digest digest{};
  const unsigned char* result = gcry_md_read(state_->hash, GCRY_MD_BLAKE2B_512);
  if (result == nullptr) throw CryptoError("libgcrypt: the BLAKE2b-512 hash gave no digest");
  std::copy_n(result, digest.size(), digest.begin());
  return digest;
}

bool VerifyEd25519(const Ed25519PublicKey& public_key, std::span<const unsigned char> message,
                   const Ed25519Signature& signature) {
  StartGcrypt();
  const std::span<const unsigned char, 32> r = std::span(signature).first<32>();
  const std::span<const unsigned char, 32> s = std::span(signature).last<32>();
  if (!IsBelowGroupOrder(s)) return false;
  // libgcrypt 1.10 aborts the process on some degenerate keys (the neutral
  // point, all zeros); the key is the one built into the program, never one
  // that a server sends.
  Sexp key;
  Sexp data;
  Sexp signature_value;
  gcry_error_t error =
      gcry_sexp_build(key.Out(), nullptr, "(public-key (ecc (curve Ed25519) (flags eddsa) (q %b)))",
                      static_cast<int>(public_key.size()), public_key.data());
  if (error == 0) {
    error =
        gcry_sexp_build(data.Out(), nullptr, "(data (flags eddsa) (hash-algo sha512) (value %b))",
                        Length(message), message.data());
  }
  if (error == 0) {
    error =
        gcry_sexp_build(signature_value.Out(), nullptr, "(sig-val (eddsa (r %b) (s %b)))",
                        static_cast<int>(r.size()), r.data(), static_cast<int>(s.size()), s.data());
  }
  if (error != 0) Fail("cannot hold a signature to verify", error);
  // Short of memory is a failure; any other answer means "not signed with this
  // key", a signature point that is not on the curve as much as a bad one.
  error = gcry_pk_verify(signature_value.Get(), data.Get(), key.Get());
  if (gcry_err_code(error) == GPG_ERR_ENOMEM) Fail("cannot verify", error);
  return error == 0;
}

}  // namespace tickerloom::platform
