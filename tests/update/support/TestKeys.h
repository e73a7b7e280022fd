// A fresh key pair for a test that publishes signed updates, made by the
// signing backend (libsodium) so that the test needs no library of its own.
#pragma once

#include "platform/SignatureCrypto.h"
#include "update/Signature.h"

namespace tickerloom::testing {

struct TestKeys {
  update::PublicKey public_key{};
  update::SecretKey secret_key{};

  TestKeys() {
    const platform::Ed25519KeyPair pair = platform::MakeEd25519KeyPair();
    public_key = pair.public_key;
    secret_key = pair.secret_key;
  }
};

}  // namespace tickerloom::testing
