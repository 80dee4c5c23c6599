#!/usr/bin/env bash
# The installer end to end under Wine, in a fresh win64 prefix of its own (the tests'
# prefix is never touched): a silent install, the installed files against the zips, the
# registry and the two Start-menu shortcuts, the dialog opened by the shortcut's command
# saving beside the program; with that dialog open, a silent install and a silent
# uninstall that change nothing and end with 32, and an interactive install that asks to
# close it and goes on once it is closed; a silent install of the next version over it in
# a Japanese session that keeps the settings file, a silent uninstall that leaves only that
# file and puts the previous screen saver back, and one with /PURGE that leaves nothing.
#
#   run.sh [amd64|x86]   one stub; with neither, both (x86 only where its loader starts)
#
# It runs what scripts/package made, on each of NSIS's stubs: x86 is the shipped
# dist/ setup.exe, which 64-bit Windows runs as a 32-bit program (and its next version in
# build/package/test/); amd64 is the same installer script on the 64-bit stub in
# build/package/test/, the one that runs where the kernel has no 32-bit support. What the
# shipped setup.exe holds is compared with the zips by unpacking it.
# scripts/test runs it on its virtual display; standalone it needs DISPLAY set.
# For the signed package, VESKAR_DIST and VESKAR_PACKAGE_WORK name where scripts/package put
# it (dist/ and build/package by default), VESKAR_SIGN_CERT the certificate (PEM) whose
# signature every installed program must carry, and VESKAR_INSTALLER_RUN a word that
# names the run and keeps its prefix and logs apart.
# The last line says how it went; the exit status is 0 only when every check passed.
set -uo pipefail
VESKAR_ROOT=$(cd "$(dirname "$0")/../.." && pwd)
source "$VESKAR_ROOT/scripts/wine-env.sh"

if [ $# = 0 ]; then
  rc=0
  "$0" amd64 || rc=1
  if fault=$(wine_loader_fault "$VESKAR_WINE32"); then
    "$0" x86 || rc=1
  else
    echo "installer (x86 stub, the shipped setup.exe): not run — $fault"
  fi
  exit $rc
fi
stub=$1
started=$SECONDS
pkg="${VESKAR_PACKAGE_WORK:-$VESKAR_ROOT/build/package}/test"
dist="${VESKAR_DIST:-$VESKAR_ROOT/dist}"
cert=${VESKAR_SIGN_CERT:-}
run_name=$stub${VESKAR_INSTALLER_RUN:+-$VESKAR_INSTALLER_RUN}
check_exe="$VESKAR_ROOT/build/win/bin/installer_check.exe"
work="$VESKAR_ROOT/build/installer-test/$run_name"
case $stub in
  amd64)
    title="installer (amd64 stub${VESKAR_INSTALLER_RUN:+, $VESKAR_INSTALLER_RUN})"
    stub_loader=$VESKAR_WINE ;;
  x86)
    title="installer (x86 stub, the shipped setup.exe${VESKAR_INSTALLER_RUN:+, $VESKAR_INSTALLER_RUN})"
    stub_loader=$VESKAR_WINE32 ;;
  *) echo "run.sh: no stub '$stub' (amd64 or x86)" >&2; exit 2 ;;
esac
source "$VESKAR_ROOT/tests/installer/checks.sh"
finish() {
  wineserver -k 2>/dev/null || true
  report "$title" "$started"
  exit
}

[ -n "${DISPLAY:-}" ] || { fail "no DISPLAY: run under scripts/test or with a display"; finish; }
[ -f "$pkg/versions.txt" ] || { fail "missing $pkg/versions.txt (scripts/package makes it)"; finish; }
version=$(sed -n 1p "$pkg/versions.txt")
next=$(sed -n 2p "$pkg/versions.txt")
if [ "$stub" = x86 ]; then
  setup="$dist/Veskar-$version-setup.exe"
else
  setup="$pkg/setup-$stub.exe"
fi
setup_next="$pkg/setup-next-$stub.exe"
for f in "$setup" "$setup_next" "$check_exe"; do
  [ -f "$f" ] || { fail "missing $f (scripts/package and build/win make it)"; finish; }
done
if fault=$(wine_loader_fault "$stub_loader"); then :; else fail "$fault"; finish; fi

export WINEPREFIX="$VESKAR_ROOT/build/wine/prefix-installer-$run_name"
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64 WINELOADER="$VESKAR_WINE"
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX" "$work"
mkdir -p "$work" "$(dirname "$WINEPREFIX")"
timeout 300 "$VESKAR_WINE" wineboot -i >"$work/wineboot.log" 2>&1
timeout 60 wineserver -w 2>/dev/null
[ -f "$WINEPREFIX/system.reg" ] || { fail "no Wine prefix made:"; sed 's/^/    /' "$work/wineboot.log"; finish; }

# session: the environment of the session's language, empty for the prefix's own (English).
# Wine takes the interface language from LC_ALL, and the encoding of Unix file names from
# the C library's locale, compiled here rather than installed on the machine.
session=()
japanese=(LOCPATH="$work/locale" LC_ALL=ja_JP.UTF-8)
mkdir -p "$work/locale"
localedef -i ja_JP -f UTF-8 "$work/locale/ja_JP.UTF-8" >"$work/localedef.log" 2>&1 ||
  { fail "no Japanese locale for the session:"; sed 's/^/    /' "$work/localedef.log"; finish; }

# Runs a Windows program with a bound on its time and waits for the prefix to be idle (the
# uninstaller hands over to a copy of itself in %TEMP% and returns at once).
#   run_win <program> <arguments...>        through the 64-bit loader
#   run_stub <setup or uninstaller> <arguments...>   through the loader of the stub's width
run_with() {
  local loader=$1
  shift
  timeout 180 env "${session[@]}" "$loader" "$@" >>"$work/wine.log" 2>&1
  local rc=$?
  timeout 60 wineserver -w 2>/dev/null
  return $rc
}
run_win() { run_with "$VESKAR_WINE" "$@"; }
run_stub() { run_with "$stub_loader" "$@"; }
# checks <suite>: the installer_check tests of one suite, their output kept on failure.
# Wine's errors go to the log too. A start that never reached main (no "Running main()"
# line) is Wine's failure, not a check's: it is run once more, and the line says so.
checks() {
  local log="$work/check-$1.log" rc again=""
  run_check "$1" "$log"
  rc=$?
  if [ $rc != 0 ] && ! grep -q 'Running main()' "$log"; then
    again=" (after a start that ended with $rc before main: $(head -c 400 "$log" | tr '\n' ' '))"
    cp "$log" "$work/check-$1-first.log"
    run_check "$1" "$log"
    rc=$?
  fi
  if [ $rc = 0 ]; then
    ok "$1: $(grep -o '[0-9]* tests\? from [0-9]* test suites\? ran' "$log" | head -n1)$again"
  else
    fail "$1 (exit status $rc)$again:"
    sed 's/^/    /' "$log"
  fi
}
# run_check <suite> <log>: one start of installer_check on that suite; its exit status.
run_check() {
  timeout 400 env "${session[@]}" WINEDEBUG=err+all,fixme-all "$VESKAR_WINE" "$check_exe" \
    --gtest_filter="$1.*" --gtest_brief=1 >"$2" 2>&1
  local rc=$?
  timeout 60 wineserver -w 2>/dev/null
  return $rc
}
reg_set() {
  run_win reg add 'HKCU\Control Panel\Desktop' /v "$1" /t REG_SZ /d "$2" /f
}

# A screen saver chosen before ours, for the uninstaller to put back.
previous_saver='C:\windows\system32\previous.scr'
previous_active=0
check "a previous screen saver is set" reg_set SCRNSAVE.EXE "$previous_saver"
check "the screen saver is off" reg_set ScreenSaveActive "$previous_active"

check "silent install of $version exits 0" run_stub "$setup" /S
local_app=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local 2>/dev/null | grep -v '/Public/' | head -n1)
folder="$local_app/Programs/Veskar"
[ -d "$folder" ] || { fail "no folder $folder"; finish; }
VESKAR_EXPECT_VERSION=$version checks Installed
# signed <what>: with a certificate, the installed programs carry its signature; the
# uninstaller is the one the installer wrote, not a file of the package.
signed() {
  [ -n "$cert" ] || return 0
  local f
  for f in Veskar.scr Runo_Effect.dll uninstall.exe; do
    check "installed $f ($1) is signed by the test certificate" signed_by "$cert" "$folder/$f"
  done
}
signed "$version"

# Same bytes as the 64-bit zip: the prefix is 64-bit Windows, so either stub takes that
# pair (the x86 one by asking whether it runs under WoW64).
same_as_zip() {
  unzip -p "$dist/Veskar-$version-win$1.zip" "$2" | cmp -s - "$3"
}
for f in Veskar.scr Runo_Effect.dll readme.txt LICENSE.txt; do
  check "installed $f is the win64 zip's" same_as_zip 64 "$f" "$folder/$f"
done
# The shipped installer holds both pairs: each file is one of the zips' files (7z names the
# second of two files of one name Veskar_1.scr, so the bytes are matched, not the names).
unpacked="$work/setup"
if 7z x -aou -o"$unpacked" "$dist/Veskar-$version-setup.exe" >"$work/7z.log" 2>&1; then
  held=$(find "$unpacked" -type f -exec sha256sum {} + | cut -d' ' -f1 | sort)
  for bits in 32 64; do
    for f in Veskar.scr Runo_Effect.dll readme.txt LICENSE.txt; do
      sum=$(unzip -p "$dist/Veskar-$version-win$bits.zip" "$f" | sha256sum | cut -d' ' -f1)
      if grep -qx "$sum" <<<"$held"; then ok "setup.exe holds the win$bits zip's $f"
      else fail "setup.exe does not hold the win$bits zip's $f"; fi
    done
  done
else
  fail "7z cannot unpack the shipped setup.exe"
  sed 's/^/    /' "$work/7z.log"
fi

checks Configure
ini="$folder/ベスカル.ini"
cp "$ini" "$work/settings.ini" 2>/dev/null
check "the dialog saved ベスカル.ini beside Veskar.scr" test -s "$work/settings.ini"

# With Veskar's dialog open, from the installed folder.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
VESKAR_SETUP=$(windows_path "$setup") VESKAR_SETUP_NEXT=$(windows_path "$setup_next") \
  VESKAR_EXPECT_VERSION=$version checks InUse
check "ベスカル.ini is unchanged with Veskar running" cmp -s "$work/settings.ini" "$ini"

# The next version over it in a Japanese session: the Start-menu entry that chooses Veskar
# again is named in Japanese now, and the English one is gone.
session=("${japanese[@]}")
check "silent install of $next over $version (Japanese) exits 0" run_stub "$setup_next" /S
VESKAR_EXPECT_VERSION=$next checks Installed
session=()
signed "$next"
check "the upgrade kept ベスカル.ini byte for byte" cmp -s "$work/settings.ini" "$ini"

check "silent uninstall exits 0" run_stub "$folder/uninstall.exe" /S
left=$(cd "$folder" 2>/dev/null && find . -mindepth 1 | sort | tr '\n' ' ')
check "only ベスカル.ini is left (found: ${left:-nothing})" test "$left" = "./ベスカル.ini "
check "the kept ベスカル.ini is unchanged" cmp -s "$work/settings.ini" "$ini"
VESKAR_PREVIOUS_SAVER=$previous_saver VESKAR_PREVIOUS_ACTIVE=$previous_active checks Uninstalled

# Asked to, the uninstaller takes the settings and the folder too.
check "silent install of $version again exits 0" run_stub "$setup" /S
check "silent uninstall with /PURGE exits 0" run_stub "$folder/uninstall.exe" /S /PURGE
check "/PURGE leaves no folder" test ! -e "$folder"
VESKAR_PREVIOUS_SAVER=$previous_saver VESKAR_PREVIOUS_ACTIVE=$previous_active checks Uninstalled

finish
