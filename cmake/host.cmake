# Host build: core + native tests (+ fuzzers with clang, + benchmarks on request).
target_compile_options(veskar_core PRIVATE -msse2)

if(VESKAR_FUZZ)
  add_subdirectory(tests/fuzz)
  return()
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${VESKAR_GTEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)
add_subdirectory(tests/unit)
add_subdirectory(tests/fuzz)
if(VESKAR_BENCH)
  add_subdirectory(bench)
endif()
