# Sourced: configure and build the trees. Each function takes no arguments.
VESKAR_ROOT=${VESKAR_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
VESKAR_JOBS=${VESKAR_JOBS:-$(nproc)}

# build/win is the 64-bit build that the Wine test layers run (wine64 in a win64 prefix:
# machines whose kernel has no 32-bit support cannot start the 32-bit loader at all).
build_win() {
  # A tree configured for i686 by an earlier version of this script is made anew.
  if grep -qs 'i686-w64-mingw32' "$VESKAR_ROOT/build/win/CMakeCache.txt"; then
    rm -rf "$VESKAR_ROOT/build/win"
  fi
  cmake -S "$VESKAR_ROOT" -B "$VESKAR_ROOT/build/win" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$VESKAR_ROOT/cmake/toolchain-x86_64-w64-mingw32.cmake" >/dev/null
  cmake --build "$VESKAR_ROOT/build/win" -j "$VESKAR_JOBS"
}

# build/win32: the 32-bit build, compiled with the same warnings.
build_win32() {
  cmake -S "$VESKAR_ROOT" -B "$VESKAR_ROOT/build/win32" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$VESKAR_ROOT/cmake/toolchain-i686-w64-mingw32.cmake" >/dev/null
  cmake --build "$VESKAR_ROOT/build/win32" -j "$VESKAR_JOBS"
}

build_host() {
  cmake -S "$VESKAR_ROOT" -B "$VESKAR_ROOT/build/host" -G Ninja >/dev/null
  cmake --build "$VESKAR_ROOT/build/host" -j "$VESKAR_JOBS"
}

build_fuzz() {
  CC=clang CXX=clang++ cmake -S "$VESKAR_ROOT" -B "$VESKAR_ROOT/build/fuzz" -G Ninja \
    -DVESKAR_FUZZ=ON >/dev/null
  cmake --build "$VESKAR_ROOT/build/fuzz" -j "$VESKAR_JOBS"
}
