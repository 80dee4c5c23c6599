# The core must build without Windows: a source or header under src/ that is neither shell
# code by name (*_win.*) nor part of the toolkit (src/win/) may not include <windows.h> or
# another Windows SDK header, nor a shell header. The native build would catch most such
# includes only when they are not behind #ifdef _WIN32, and a header included only by
# shell code would never be caught at all; this check catches both, in every tree.
#
# Included by CMakeLists.txt: veskar_core_portable_files(<out> <source root>) lists the
# files the rule covers, and the check runs once at configure time.
# Run as a script (cmake -DROOT=<source root> -DSTAMP=<file> -P portable_core.cmake):
# the same check at build time, so that an include added to an existing file fails the
# build; STAMP is touched when it passes.

function(veskar_core_portable_files out root)
  # Re-globbed at build time in a configured tree, so that a new file is checked too.
  set(again CONFIGURE_DEPENDS)
  if(CMAKE_SCRIPT_MODE_FILE)
    set(again "")
  endif()
  file(GLOB_RECURSE files ${again} ${root}/src/*.h ${root}/src/*.hpp ${root}/src/*.cpp ${root}/src/*.c)
  list(FILTER files EXCLUDE REGEX "_win\\.[^/]*$")
  list(FILTER files EXCLUDE REGEX "/src/win/")
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# The platform's headers (any case: the MinGW headers are lower case, Windows' own are
# not), and our shell's: the toolkit and every *_win header.
set(VESKAR_WINDOWS_HEADERS
    "windows|windowsx|winuser|wingdi|winbase|winnt|windef|winreg|winerror|mmsystem|commdlg|commctrl|shellapi|shlobj|shlwapi|objbase|ole2|dwmapi|winternl|wtypes|unknwn")
set(VESKAR_SHELL_INCLUDE
    "^[ \t]*#[ \t]*include[ \t]*(<(${VESKAR_WINDOWS_HEADERS})\\.h>|\"(win/[^\"]*|[^\"]*_win\\.h)\")")

function(veskar_check_portable_core root)
  veskar_core_portable_files(files ${root})
  set(faults "")
  foreach(file IN LISTS files)
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include")
    foreach(line IN LISTS lines)
      string(TOLOWER "${line}" lower)
      if(lower MATCHES "${VESKAR_SHELL_INCLUDE}")
        file(RELATIVE_PATH name ${root} ${file})
        string(APPEND faults "\n  ${name}: ${line}")
      endif()
    endforeach()
  endforeach()
  if(faults)
    message(FATAL_ERROR "Core files include Windows or shell headers (name the file *_win.* "
                        "or move the code to src/win/):${faults}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  veskar_check_portable_core(${ROOT})
  file(TOUCH ${STAMP})
endif()
