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

# Programs of this build run under Wine (ctest, gtest discovery). Debian's `wine` script
# always picks the 32-bit loader when it is installed, and that loader cannot run where
# the kernel has no 32-bit support, so a 64-bit build names the 64-bit loader itself.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  find_program(VESKAR_WINE_LOADER NAMES wine64 PATHS /usr/lib/wine NO_CACHE)
else()
  find_program(VESKAR_WINE_LOADER NAMES wine NO_CACHE)
endif()
if(NOT VESKAR_WINE_LOADER)
  message(FATAL_ERROR "Wine's loader for ${CMAKE_SYSTEM_PROCESSOR} was not found. Run scripts/setup.")
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${VESKAR_WINE_LOADER})
