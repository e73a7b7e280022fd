#!/bin/bash
# Signs the Windows program with Authenticode (osslsigncode), so that
# SmartScreen, Smart App Control and virus scanners see who published it.
# A release signs it before the update's Ed25519 signature is made: that one
# covers the program's bytes, Authenticode signature included.
#   TICKERLOOM_AUTHENTICODE_CERT  the code signing certificate: a PKCS#12 file
#       (.p12 or .pfx) that holds the private key too, or a PEM file (the
#       certificate first, then any intermediate ones) beside
#   TICKERLOOM_AUTHENTICODE_KEY   its PEM private key
#   TICKERLOOM_AUTHENTICODE_PASSWORD_FILE  a file holding the password of the
#       key or the PKCS#12 file, when it has one
#   TICKERLOOM_AUTHENTICODE_TIMESTAMP_URL  an RFC 3161 timestamp server, so that
#       the signature stays valid after the certificate expires
# Without a certificate the program is copied unchanged, and that is said.
# Usage: authenticode.sh <program> <signed program>
set -euo pipefail
if (($# != 2)); then
  echo "usage: authenticode.sh <program> <signed program>" >&2
  exit 2
fi
program="$1"
signed="$2"
cert="${TICKERLOOM_AUTHENTICODE_CERT:-}"
key="${TICKERLOOM_AUTHENTICODE_KEY:-}"
mkdir -p "$(dirname "$signed")"
rm -f "$signed"

if [[ -z "$cert" ]]; then
  cp "$program" "$signed"
  echo "authenticode.sh: the Windows program is not Authenticode-signed" \
    "(no TICKERLOOM_AUTHENTICODE_CERT)"
  exit 0
fi

options=(sign -h sha256 -n Tickerloom -i https://www.zeltrin.example.com/)
case "${cert,,}" in
  *.p12 | *.pfx) options+=(-pkcs12 "$cert") ;;
  *)
    # A certificate without its key would publish an unsigned program as if
    # it were signed: refused.
    [[ -n "$key" ]] || {
      echo "authenticode.sh: $cert is PEM: TICKERLOOM_AUTHENTICODE_KEY must name its key" >&2
      exit 1
    }
    options+=(-certs "$cert" -key "$key")
    ;;
esac
[[ -z "${TICKERLOOM_AUTHENTICODE_PASSWORD_FILE:-}" ]] ||
  options+=(-readpass "$TICKERLOOM_AUTHENTICODE_PASSWORD_FILE")
[[ -z "${TICKERLOOM_AUTHENTICODE_TIMESTAMP_URL:-}" ]] ||
  options+=(-ts "$TICKERLOOM_AUTHENTICODE_TIMESTAMP_URL")

# Into a temporary file first: a failed signing leaves no program to publish.
if ! osslsigncode "${options[@]}" -in "$program" -out "$signed.part" >"$signed.log" 2>&1 </dev/null; then
  cat "$signed.log" >&2
  rm -f "$signed.part" "$signed.log"
  echo "authenticode.sh: signing $program failed" >&2
  exit 1
fi
rm -f "$signed.log"
chmod --reference="$program" "$signed.part"
mv "$signed.part" "$signed"
echo "authenticode.sh: $signed is Authenticode-signed with $cert"
