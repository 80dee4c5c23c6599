# Sourced by the installer's test scripts: counted checks and the signature check.
#   ok <what> / fail <what>        one check's result, printed and counted
#   check <what> <command...>      ok when the command succeeds
#   report <title> <started>       the last line (how it went); returns 0 only when all passed
#   signed_by <certificate.pem> <file>
#                                  the file carries an Authenticode SHA-256 signature by
#                                  that certificate, and its digest matches the file
failed=0
checks=0

ok() { checks=$((checks + 1)); echo "  ok: $*"; }
fail() { checks=$((checks + 1)); failed=$((failed + 1)); echo "  FAILED: $*"; }
check() {
  local what=$1
  shift
  if "$@"; then ok "$what"; else fail "$what"; fi
}
report() {
  if [ "$failed" = 0 ]; then
    echo "$1: $checks checks passed in $((SECONDS - $2)) s"
  else
    echo "$1: $failed of $checks checks FAILED (in $((SECONDS - $2)) s)"
  fi
  [ "$failed" = 0 ]
}

# The certificate is the only one trusted for the verification, so a signature by any other
# fails; osslsigncode 2.5 (Debian 12) and later print the digest line alike.
signed_by() {
  local said
  said=$(osslsigncode verify -CAfile "$1" -in "$2" 2>&1) &&
    grep -qE 'Message digest algorithm *: SHA256' <<<"$said"
}
