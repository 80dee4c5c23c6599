#!/usr/bin/env bash
# The signed package end to end, with a throwaway self-signed certificate (build/signed/):
# scripts/package signs with it (dist/ stays the unsigned package a run without a
# certificate makes); every signed file is verified against that certificate alone; a
# wrong password, a missing PFX and an unreachable timestamp server each stop the package
# with a message naming the cause and leave it untouched; then its winget manifest, and
# the installer tests on it (run.sh checks the uninstaller the installer writes).
#   signed.sh [stub...]   the stubs for run.sh (amd64 when none)
# The last line says how it went; the exit status is 0 only when every check passed.
set -uo pipefail
VESKAR_ROOT=$(cd "$(dirname "$0")/../.." && pwd)
source "$VESKAR_ROOT/tests/installer/checks.sh"
started=$SECONDS
title="signed package"
stubs=("$@")
[ ${#stubs[@]} -gt 0 ] || stubs=(amd64)
root="$VESKAR_ROOT/build/signed"
keys="$root/keys"
export VESKAR_DIST="$root/dist" VESKAR_PACKAGE_WORK="$root/package"
release_url=https://releases.example.org/veskar
finish() {
  report "$title" "$started"
  exit
}

rm -rf "$root"
mkdir -p "$keys"
chmod 700 "$keys"
cert="$keys/cert.pem"
printf 'throwaway %s\n' "$(openssl rand -hex 12)" >"$keys/password"
if ! openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -keyout "$keys/key.pem" -out "$cert" \
       -subj "/CN=Veskar test signing (throwaway)" -addext "keyUsage=critical,digitalSignature" \
       -addext "extendedKeyUsage=critical,codeSigning" >"$keys/openssl.log" 2>&1 ||
   ! openssl pkcs12 -export -inkey "$keys/key.pem" -in "$cert" -out "$keys/test.pfx" \
       -passout "file:$keys/password" >>"$keys/openssl.log" 2>&1; then
  fail "a throwaway certificate:"
  sed 's/^/    /' "$keys/openssl.log"
  finish
fi
ok "a throwaway self-signed code-signing certificate"

# package <log> [VAR=value...]: scripts/package with the certificate, changed as given.
package() {
  local log=$1
  shift
  env VESKAR_SIGN_PFX="$keys/test.pfx" VESKAR_SIGN_PASSWORD_FILE="$keys/password" \
    VESKAR_RELEASE_URL="$release_url" "$@" "$VESKAR_ROOT/scripts/package" >"$root/$log" 2>&1
}
if ! package package.log; then
  fail "scripts/package with the certificate:"
  sed 's/^/    /' "$root/package.log"
  finish
fi
ok "scripts/package with the certificate"

version=$(sed -n 1p "$VESKAR_PACKAGE_WORK/test/versions.txt")
setup="$VESKAR_DIST/Veskar-$version-setup.exe"
for f in "$setup" "$VESKAR_PACKAGE_WORK"/test/setup-*.exe; do
  check "$(basename "$f") is signed by the test certificate" signed_by "$cert" "$f"
done
for bits in 32 64; do
  unpacked="$root/zip$bits"
  unzip -q -o "$VESKAR_DIST/Veskar-$version-win$bits.zip" -d "$unpacked"
  for f in Veskar.scr Runo_Effect.dll; do
    check "the win$bits zip's $f is signed by the test certificate" signed_by "$cert" "$unpacked/$f"
  done
done
unsigned="$VESKAR_ROOT/dist/Veskar-$version-setup.exe"
unsigned_file() { [ -f "$1" ] && ! osslsigncode verify -in "$1" >/dev/null 2>&1; }
check "the unsigned dist/ setup.exe carries no signature" unsigned_file "$unsigned"

winget_log="$root/winget.log"
if /usr/bin/python3 "$VESKAR_ROOT/tests/installer/winget_check.py" "$VESKAR_DIST" "$release_url" >"$winget_log" 2>&1; then
  ok "the signed package's winget manifest: $(tail -n1 "$winget_log")"
else
  fail "the signed package's winget manifest:"
  sed 's/^/    /' "$winget_log"
fi

# Each bad run must fail, say why, and leave the signed package as it was.
fingerprint() { (cd "$VESKAR_DIST" && find . -type f -exec sha256sum {} + | sort); }
before=$(fingerprint)
# refused <what> <expected words in the message> [VAR=value...]
refusals=0
refused() {
  local what=$1 words=$2
  refusals=$((refusals + 1))
  local log="refused-$refusals.log"
  shift 2
  # Its own work folder: the signed package's test stubs stay for run.sh.
  if package "$log" VESKAR_PACKAGE_WORK="$root/refused" "$@"; then
    fail "$what: scripts/package went on"
  elif ! grep -qiF "$words" "$root/$log"; then
    fail "$what: the message does not say \"$words\":"
    sed 's/^/    /' "$root/$log"
  elif [ "$(fingerprint)" != "$before" ]; then
    fail "$what: the package changed"
  else
    ok "$what stops scripts/package, says \"$words\", and changes nothing"
  fi
}
printf 'not the password\n' >"$keys/wrong"
refused "a wrong password" "wrong password" VESKAR_SIGN_PASSWORD_FILE="$keys/wrong"
refused "a missing PFX" "no readable file" VESKAR_SIGN_PFX="$keys/missing.pfx"
# Port 9 (discard) of this machine answers nobody: the first signature fails, after the
# builds, with the staging folder half made.
refused "an unreachable timestamp server" "could not be signed" VESKAR_SIGN_TIMESTAMP_URL=http://127.0.0.1:9/

for stub in "${stubs[@]}"; do
  log="$root/installer-$stub.log"
  VESKAR_SIGN_CERT="$cert" VESKAR_INSTALLER_RUN=signed "$VESKAR_ROOT/tests/installer/run.sh" "$stub" >"$log" 2>&1
  rc=$?
  sed 's/^/  /' "$log"
  if [ "$rc" = 0 ]; then ok "$(tail -n1 "$log")"; else fail "$(tail -n1 "$log")"; fi
done
finish
