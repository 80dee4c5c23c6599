# Host build: core + native tests (+ fuzzers with clang, + benchmarks on request).
target_compile_options(veskar_core PRIVATE -msse2)

if(VESKAR_FUZZ)
  add_subdirectory(tests/fuzz)
  return()
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${VESKAR_GTEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The 32-bit kernel tree (build/kernel32): the vector code of the 32-bit library, with its
# eight registers and 32-bit sizes, held to the plain loop on every machine, also where
# the Linux kernel runs no 32-bit programs and Wine's 32-bit layers cannot start: the test
# program runs in qemu-i386.
if(VESKAR_KERNEL32)
  find_program(VESKAR_QEMU_I386 qemu-i386 REQUIRED)
  file(GLOB VESKAR_KERNEL_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/effects/*.cpp)
  add_library(veskar_kernel STATIC ${VESKAR_KERNEL_SOURCES})
  target_include_directories(veskar_kernel PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(veskar_kernel PRIVATE veskar_warnings)
  add_executable(kernel_tests ${PROJECT_SOURCE_DIR}/tests/unit/pixelate_test.cpp)
  target_include_directories(kernel_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(kernel_tests PRIVATE veskar_kernel gtest_main veskar_warnings)
  add_test(NAME kernel_tests_32bit COMMAND ${VESKAR_QEMU_I386} -cpu max $<TARGET_FILE:kernel_tests> --gtest_brief=1)
  return()
endif()

include(GoogleTest)
add_subdirectory(tests/unit)
add_subdirectory(tests/fuzz)
include(cmake/artwork.cmake)
if(VESKAR_BENCH)
  add_subdirectory(bench)
endif()
