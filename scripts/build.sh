# Sourced: configure and build the trees. Each function takes no arguments.
VESKAR_ROOT=${VESKAR_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
VESKAR_JOBS=${VESKAR_JOBS:-$(nproc)}

build_win() {
  cmake -S "$VESKAR_ROOT" -B "$VESKAR_ROOT/build/win" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$VESKAR_ROOT/cmake/toolchain-i686-w64-mingw32.cmake" >/dev/null
  cmake --build "$VESKAR_ROOT/build/win" -j "$VESKAR_JOBS"
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
