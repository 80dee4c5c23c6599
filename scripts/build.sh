# Sourced: configure and build the trees. Each build_* function takes no arguments and
# returns non-zero when its configure or its build fails.
VESKAR_ROOT=${VESKAR_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
VESKAR_JOBS=${VESKAR_JOBS:-$(nproc)}
VESKAR_TOOLCHAIN_32="$VESKAR_ROOT/cmake/toolchain-i686-w64-mingw32.cmake"
VESKAR_TOOLCHAIN_64="$VESKAR_ROOT/cmake/toolchain-x86_64-w64-mingw32.cmake"

# configure_tree <build folder> <cmake arguments...>
# Quiet when it works; when it fails, its output is shown and the caller is told, so that
# nothing is built on the configuration a failed run left behind.
configure_tree() {
  local dir=$1
  shift
  mkdir -p "$dir"
  if ! cmake -S "$VESKAR_ROOT" -B "$dir" -G Ninja "$@" >"$dir/configure.log" 2>&1; then
    echo "configure of $dir failed:" >&2
    cat "$dir/configure.log" >&2
    return 1
  fi
}

# build_tree <build folder> <cmake arguments...> [-- <targets...>]
build_tree() {
  local dir=$1
  shift
  local args=() targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do args+=("$1"); shift; done
  [ "${1:-}" = "--" ] && shift && targets=("$@")
  configure_tree "$dir" "${args[@]}" || return 1
  if [ ${#targets[@]} -gt 0 ]; then
    cmake --build "$dir" -j "$VESKAR_JOBS" --target "${targets[@]}"
  else
    cmake --build "$dir" -j "$VESKAR_JOBS"
  fi
}

# build/win is the 64-bit build that the Wine test layers run (wine64 in a win64 prefix:
# machines whose kernel has no 32-bit support cannot start the 32-bit loader at all).
build_win() {
  # A tree configured for i686 by an earlier version of this script is made anew.
  if grep -qs 'i686-w64-mingw32' "$VESKAR_ROOT/build/win/CMakeCache.txt"; then
    rm -rf "$VESKAR_ROOT/build/win"
  fi
  build_tree "$VESKAR_ROOT/build/win" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$VESKAR_TOOLCHAIN_64"
}

# build/win32: the 32-bit build, compiled with the same warnings.
build_win32() {
  build_tree "$VESKAR_ROOT/build/win32" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$VESKAR_TOOLCHAIN_32"
}

build_host() {
  build_tree "$VESKAR_ROOT/build/host"
}

# build/kernel32: the pixel kernel's tests as a 32-bit program (run in qemu-i386).
build_kernel32() {
  build_tree "$VESKAR_ROOT/build/kernel32" -DVESKAR_KERNEL32=ON -- kernel_tests
}

build_fuzz() {
  CC=clang CXX=clang++ build_tree "$VESKAR_ROOT/build/fuzz" -DVESKAR_FUZZ=ON
}

# The shipped pair, Veskar.scr and Runo_Effect.dll: Release, stripped, into <folder>/bin.
#   build_release <folder> <32|64>
build_release() {
  local toolchain=$VESKAR_TOOLCHAIN_64
  [ "$2" = 32 ] && toolchain=$VESKAR_TOOLCHAIN_32
  build_tree "$1" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain" -- Veskar Runo_Effect
}
