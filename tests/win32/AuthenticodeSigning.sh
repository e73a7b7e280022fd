#!/bin/bash
# The release's Authenticode signing (tools/release/authenticode.sh) of a copy
# of the built program, with a throwaway self-signed certificate made here:
# without a certificate the copy is byte for byte the program, and that is
# said; with one, as PEM files or as PKCS#12 with a password, the signed
# program verifies against it; a PEM certificate without its key is refused
# (as a PKCS#12 file without its password is) and leaves nothing to publish.
# Usage: AuthenticodeSigning.sh <authenticode.sh> <Quorvane.exe> <work folder>
set -euo pipefail
sign="$(realpath "$1")"
program="$(realpath "$2")"
work="$3"
fail() {
  echo "FAIL: $*"
  exit 1
}
rm -rf "$work"
mkdir -p "$work"
cd "$work"
unset TICKERLOOM_AUTHENTICODE_CERT TICKERLOOM_AUTHENTICODE_KEY \
  TICKERLOOM_AUTHENTICODE_PASSWORD_FILE TICKERLOOM_AUTHENTICODE_TIMESTAMP_URL
cp "$program" program.exe
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tickerloom test signer" \
  -addext extendedKeyUsage=codeSigning -keyout key.pem -out cert.pem 2>/dev/null
echo "throwaway password" >password.txt
openssl pkcs12 -export -in cert.pem -inkey key.pem -passout file:password.txt -out signer.p12
verify() { osslsigncode verify -CAfile cert.pem -in "$1" >"$1.verify" 2>&1 </dev/null; }

bash "$sign" program.exe unsigned/Quorvane.exe >said.txt
cmp program.exe unsigned/Quorvane.exe || fail "the copy without a certificate is not the program"
grep -q "not Authenticode-signed" said.txt || fail "not told that the program is unsigned: $(cat said.txt)"
! verify unsigned/Quorvane.exe || fail "an unsigned program verifies"

# A PEM certificate without its key, a PKCS#12 file without its password.
for alone in cert.pem signer.p12; do
  TICKERLOOM_AUTHENTICODE_CERT="$alone" bash "$sign" program.exe refused/Quorvane.exe 2>/dev/null &&
    fail "signed with $alone alone"
  left="$(ls -A refused 2>/dev/null | tr "\n" " ")"
  [[ -z "$left" ]] || fail "signing with $alone alone left $left"
done

TICKERLOOM_AUTHENTICODE_CERT=cert.pem TICKERLOOM_AUTHENTICODE_KEY=key.pem \
  bash "$sign" program.exe pem/Quorvane.exe >/dev/null || fail "PEM: not signed"
TICKERLOOM_AUTHENTICODE_CERT=signer.p12 TICKERLOOM_AUTHENTICODE_PASSWORD_FILE=password.txt \
  bash "$sign" program.exe pkcs12/Quorvane.exe >/dev/null || fail "PKCS#12: not signed"
for kind in pem pkcs12; do
  verify "$kind/Quorvane.exe" || fail "$kind: $(cat "$kind/Quorvane.exe.verify")"
  grep -q "Subject: /CN=Tickerloom test signer" "$kind/Quorvane.exe.verify" || fail "$kind: other signer"
done
cmp "$program" program.exe || fail "signing changed the program it was given"
echo "PASS: unsigned without a certificate, verified with PEM and PKCS#12"
