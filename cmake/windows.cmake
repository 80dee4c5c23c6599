# Windows build (MinGW-w64): the shell, Veskar.scr, Runo_Effect.dll, and the tests run
# under Wine through CMAKE_CROSSCOMPILING_EMULATOR.
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                        _WIN32_WINNT=0x0A00 WINVER=0x0A00)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  add_compile_options(-msse2 -mfpmath=sse)
  # veskar_core was made before this file ran, so it needs the flags itself (the pixel
  # kernel falls back to plain C++ without SSE2).
  target_compile_options(veskar_core PRIVATE -msse2 -mfpmath=sse)
endif()
# The pixel kernel's AVX2 functions: on 64-bit Windows GCC cannot realign the stack to 32
# bytes (SEH unwinding), so a 256-bit spill must never be an aligned move (GCC bug 54412).
# The assembler writes every aligned vector move of that file as an unaligned one. The
# 32-bit build gets the same, though GCC realigns its stack there: the 32-bit AVX2 way
# cannot be run under Wine on every test machine, and the rule costs nothing.
set_source_files_properties(${PROJECT_SOURCE_DIR}/src/effects/pixelate_avx2.cpp PROPERTIES
                            COMPILE_OPTIONS "-Wa,-muse-unaligned-vector-move")
# Everything that runs goes to one folder: the e2e tests find Veskar.scr and
# Runo_Effect.dll beside themselves.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

# No MinGW DLLs to ship: the C and C++ runtimes and winpthreads are linked in.
add_link_options(-static -static-libgcc -static-libstdc++)

# Reproducible binaries: two builds of one commit give the same bytes, wherever the
# checkout and the build tree lie. No link time stamp in the PE headers, and no source or
# build folder in what the compiler writes (__FILE__, debug information).
# Only for Release, the build that is shipped: the test trees' programs find the source
# tree's test data through __FILE__.
add_compile_options("$<$<AND:$<COMPILE_LANGUAGE:C,CXX>,$<CONFIG:Release>>:-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.>"
                    "$<$<AND:$<COMPILE_LANGUAGE:C,CXX>,$<CONFIG:Release>>:-ffile-prefix-map=${CMAKE_BINARY_DIR}=build>")
add_link_options(-Wl,--no-insert-timestamp)
# What is shipped is a Release build without symbols; the test trees keep theirs.
add_link_options($<$<CONFIG:Release>:-s>)

# The one version (project(VERSION)) for both binaries' version resources.
configure_file(${PROJECT_SOURCE_DIR}/cmake/version.h.in ${CMAKE_BINARY_DIR}/generated/version.h @ONLY)
include_directories(${CMAKE_BINARY_DIR}/generated)
# The manifest's assembly version too; veskar.rc finds the made file through the include
# path of the generated folder.
configure_file(${PROJECT_SOURCE_DIR}/assets/veskar.manifest.in ${CMAKE_BINARY_DIR}/generated/veskar.manifest @ONLY)
set(VESKAR_VERSION_RESOURCE ${PROJECT_SOURCE_DIR}/assets/version_info.rc ${CMAKE_BINARY_DIR}/generated/version.h
    ${CMAKE_BINARY_DIR}/generated/veskar.manifest)

file(GLOB VESKAR_SHELL_SOURCES CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/src/win/*.cpp ${PROJECT_SOURCE_DIR}/src/*/*_win.cpp)
list(FILTER VESKAR_SHELL_SOURCES EXCLUDE REGEX "/codepage_win\\.cpp$")  # in the core (CMakeLists.txt)
add_library(veskar_shell STATIC ${VESKAR_SHELL_SOURCES})
target_link_libraries(veskar_shell PUBLIC veskar_core
  user32 gdi32 winmm comdlg32 shell32 msimg32 comctl32 ole32 oleaut32 oleacc shlwapi dwmapi windowscodecs uuid
  PRIVATE veskar_warnings)

# The screen saver itself.
add_executable(Veskar WIN32 src/app/entry/winmain_win.cpp assets/veskar.rc)
set_target_properties(Veskar PROPERTIES SUFFIX ".scr")
target_link_options(Veskar PRIVATE -municode)
target_link_libraries(Veskar PRIVATE veskar_shell veskar_warnings)
# The show holds two 32-bit pictures of every monitor (8 bytes a monitor pixel): the
# 32-bit program takes the 4 GiB of address space that 64-bit Windows gives a program
# that says it can (2 GiB otherwise). The 64-bit linker sets the flag by itself.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  target_link_options(Veskar PRIVATE -Wl,--large-address-aware)
endif()
# The resource compiler reads the manifest and the pictures; rebuild when one changes.
file(GLOB VESKAR_RESOURCE_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/assets/*.manifest.in
     ${PROJECT_SOURCE_DIR}/assets/*.bmp ${PROJECT_SOURCE_DIR}/assets/*.ico ${PROJECT_SOURCE_DIR}/assets/*.cur)
list(APPEND VESKAR_RESOURCE_FILES ${VESKAR_VERSION_RESOURCE})
set_property(SOURCE assets/veskar.rc APPEND PROPERTY OBJECT_DEPENDS ${VESKAR_RESOURCE_FILES})

# The effects library, loaded by name at run time by the show.
file(GLOB VESKAR_DLL_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/effects/dll/*.cpp)
if(VESKAR_DLL_SOURCES)
  add_library(Runo_Effect SHARED ${VESKAR_DLL_SOURCES} src/effects/dll/Runo_Effect.def assets/runo_effect.rc)
  set_property(SOURCE assets/runo_effect.rc APPEND PROPERTY OBJECT_DEPENDS ${VESKAR_VERSION_RESOURCE})
  set_target_properties(Runo_Effect PROPERTIES PREFIX "" OUTPUT_NAME "Runo_Effect")
  target_link_libraries(Runo_Effect PRIVATE veskar_core gdi32 veskar_warnings)
endif()

# GoogleTest, built with the cross compiler.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(${VESKAR_GTEST_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)
add_subdirectory(tests/unit)
add_subdirectory(tests/win32)
add_subdirectory(tests/e2e)
add_subdirectory(tests/desk)
add_subdirectory(tests/installer)
if(VESKAR_BENCH)
  add_subdirectory(bench)
endif()

# Helpers for scripts/run on a virtual display (never shipped).
add_executable(demo_host tools/demo_host.cpp)
target_link_options(demo_host PRIVATE -municode)
target_link_libraries(demo_host PRIVATE veskar_shell user32 gdi32 veskar_warnings)
