# Shared by both MinGW toolchain files: find the tools by triple and fail loudly when one
# is missing, so a half-installed machine never produces a build with the wrong compiler.
foreach(tool IN ITEMS gcc g++ windres)
  find_program(VESKAR_${tool}_PATH NAMES ${VESKAR_TRIPLE}-${tool}-posix ${VESKAR_TRIPLE}-${tool}
               NO_CACHE)
  if(NOT VESKAR_${tool}_PATH)
    message(FATAL_ERROR
      "MinGW-w64 tool '${VESKAR_TRIPLE}-${tool}' was not found. Run scripts/setup "
      "(it installs g++-mingw-w64-*-posix and binutils-mingw-w64-*).")
  endif()
endforeach()
set(CMAKE_C_COMPILER ${VESKAR_gcc_PATH})
set(CMAKE_CXX_COMPILER ${VESKAR_g++_PATH})
set(CMAKE_RC_COMPILER ${VESKAR_windres_PATH})

set(CMAKE_FIND_ROOT_PATH /usr/${VESKAR_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Programs of this build run under Wine (ctest, gtest discovery), through the loader of
# their own width, named directly: Debian's `wine` and `wine64` commands are scripts that
# pick a loader for themselves (`wine` the 32-bit one whenever it is installed). Both
# loaders share the win64 prefix of the tests. The 32-bit loader may be missing, or unable
# to start where the kernel has no 32-bit support: the 32-bit tree still builds, and
# scripts/test says why its programs are not run.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(VESKAR_WINE_LOADER_NAME wine64)
else()
  set(VESKAR_WINE_LOADER_NAME wine)
endif()
find_program(VESKAR_WINE_LOADER NAMES ${VESKAR_WINE_LOADER_NAME} PATHS /usr/lib/wine
             NO_DEFAULT_PATH NO_CACHE)
if(VESKAR_WINE_LOADER)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VESKAR_WINE_LOADER})
elseif(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  message(FATAL_ERROR "Wine's 64-bit loader /usr/lib/wine/wine64 was not found. Run scripts/setup.")
else()
  message(STATUS "Wine's 32-bit loader /usr/lib/wine/wine was not found: this tree's tests cannot run.")
endif()
