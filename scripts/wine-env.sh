# Sourced by scripts/test and scripts/run: a private Wine environment inside the build
# folder (never the user's ~/.wine), a virtual X display when needed, and an ALSA
# configuration whose default device writes what Wine plays to a raw file.
#
#   wine_env_start [need_virtual_display]   sets WINEPREFIX, HOME, DISPLAY, ...
#   wine_env_stop                           stops wineserver and the virtual display

VESKAR_ROOT=${VESKAR_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
VESKAR_WINE_DIR="$VESKAR_ROOT/build/wine"
VESKAR_XVFB_PID=""

# The 64-bit loader, named directly: Debian's `wine` and `wineboot` scripts pick the 32-bit
# loader whenever it is installed, and it cannot start where the kernel has no 32-bit
# support. A win64 prefix runs 64-bit programs (and 32-bit ones where the kernel can).
VESKAR_WINE=/usr/lib/wine/wine64
wine() { "$VESKAR_WINE" "$@"; }
# The 32-bit loader: the 32-bit tree's programs and the shipped installer's x86 stub.
VESKAR_WINE32=/usr/lib/wine/wine

# wine_loader_fault <loader>: tries the loader once. Prints nothing and returns 0 when it
# starts; else prints why not in a few plain words and returns 1. (A kernel without
# 32-bit support cannot start the 32-bit loader at all.)
wine_loader_fault() {
  if [ ! -x "$1" ]; then
    echo "no Wine loader at $1"
    return 1
  fi
  local said
  if ! said=$(timeout 60 "$1" --version 2>&1); then
    # The kernel refuses the program (exec's ENOEXEC), and timeout's execvp then hands
    # the binary to /bin/sh, which stops at its first bytes.
    if grep -qE 'Exec format error|Syntax error' <<<"$said"; then
      echo "$1 cannot start: this kernel does not run 32-bit programs"
    else
      echo "$1 cannot start: ${said##*$'\n'}"
    fi
    return 1
  fi
}

wine_env_start() {
  local want_virtual=${1:-1}
  mkdir -p "$VESKAR_WINE_DIR/home"
  export WINEPREFIX="$VESKAR_WINE_DIR/prefix64"
  export HOME="$VESKAR_WINE_DIR/home"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win64
  export WINELOADER="$VESKAR_WINE"
  export VESKAR_AUDIO_RAW_UNIX="$VESKAR_WINE_DIR/audio.raw"
  # The tests read this Windows path: Wine maps the Unix root to drive Z:.
  export VESKAR_AUDIO_RAW="Z:$(printf '%s' "$VESKAR_AUDIO_RAW_UNIX" | tr '/' '\\')"
  cat > "$HOME/.asoundrc" <<ASOUND
pcm.!default {
  type file
  slave.pcm "null"
  file "$VESKAR_AUDIO_RAW_UNIX"
  format "raw"
}
ASOUND

  if [ "$want_virtual" = 1 ] || [ -z "${DISPLAY:-}" ]; then
    local out="$VESKAR_WINE_DIR/xvfb.display"
    rm -f "$out"
    Xvfb -displayfd 1 -screen 0 "${VESKAR_SCREEN:-1024x768x24}" -nolisten tcp >"$out" 2>/dev/null &
    VESKAR_XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
      [ -s "$out" ] && break
      sleep 0.1
    done
    [ -s "$out" ] || { echo "wine-env: Xvfb did not start" >&2; return 1; }
    export DISPLAY=":$(head -n1 "$out")"
  fi

  wineserver -k 2>/dev/null || true
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-env: creating the Wine prefix in $WINEPREFIX" >&2
    wine wineboot -i >/dev/null 2>&1 || true
    wineserver -w 2>/dev/null || true
  fi
}

wine_env_stop() {
  wineserver -k 2>/dev/null || true
  if [ -n "$VESKAR_XVFB_PID" ]; then
    kill "$VESKAR_XVFB_PID" 2>/dev/null || true
    wait "$VESKAR_XVFB_PID" 2>/dev/null || true
    VESKAR_XVFB_PID=""
  fi
}
