# Sourced by scripts/test and scripts/run: a private Wine environment inside the build
# folder (never the user's ~/.wine), a virtual X display when needed, and an ALSA
# configuration whose default device writes what Wine plays to a raw file.
#
#   wine_env_start [need_virtual_display]   sets WINEPREFIX, HOME, DISPLAY, ...
#   wine_env_stop                           stops wineserver and the virtual display
#   wine_desk_start [WxH monitor...]        the same on a virtual screen split into monitors
#   wine_desk_stop                          ... and the prefix back to one monitor

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
    # shellcheck disable=SC2086
    Xvfb -displayfd 1 -screen 0 "${VESKAR_SCREEN:-1024x768x24}" -nolisten tcp ${VESKAR_XVFB_ARGS:-} \
      >"$out" 2>/dev/null &
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

# The desk of the several-monitor tests (and of `scripts/run /s desk`): a 1280x1024 primary,
# an 800x600 monitor above and to its left and a 544x960 one to its right, gaps between
# them. Each is "name width/mm x height/mm + x + y" for `xrandr --setmonitor`; a leading *
# marks the primary, whose top-left corner Wine makes Windows' (0, 0).
VESKAR_DESK_SCREEN=2624x1368
VESKAR_DESK_MONITORS=("*P 1280/338x1024/270+800+344" "L 800/211x600/159+0+0" "R 544/144x960/254+2080+0")

# wine_desk_start [screen WxH monitor...]: one X screen as large as the monitors' bounding
# box, split into RandR monitors, and Wine told to read them: Wine 8 sees one monitor through
# XRandR on Xvfb, but every monitor through Xinerama, which Xvfb builds from the RandR
# monitors. -noreset keeps them when the last client leaves.
wine_desk_start() {
  local screen=${1:-$VESKAR_DESK_SCREEN}
  [ $# -gt 0 ] && shift
  local monitors=("$@")
  [ ${#monitors[@]} -gt 0 ] || monitors=("${VESKAR_DESK_MONITORS[@]}")
  VESKAR_SCREEN="${screen}x24" VESKAR_XVFB_ARGS=-noreset wine_env_start 1 || return 1
  local m name output
  for m in "${monitors[@]}"; do
    name=${m%% *}
    output=none
    [ "${name:0:1}" = "*" ] && output=screen
    xrandr --setmonitor "$name" "${m#* }" "$output" >/dev/null || { echo "wine-env: xrandr --setmonitor $m failed" >&2; return 1; }
  done
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /t REG_SZ /d N /f >/dev/null 2>&1
  # Wine's desktop process has read the monitors already: the next program starts anew.
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  export VESKAR_DESK=1
}

wine_desk_stop() {
  # The value may be gone already (a second stop, a prefix made afresh): not a failure.
  wine reg delete 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /f >/dev/null 2>&1 || true
  unset VESKAR_DESK
  wine_env_stop
}
