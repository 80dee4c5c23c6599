// The running program's path and folder.
#include "win/module.h"

#include <windows.h>

#include "win/strings.h"

namespace win {

std::string ProgramPath() {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) {
      buffer.resize(n);
      return narrow(buffer);
    }
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::string ProgramFolder() {
  std::string path = ProgramPath();
  const size_t slash = path.find_last_of('\\');
  if (slash == std::string::npos) return {};
  path.resize(slash);
  if (path.size() == 2 && path[1] == ':') path += '\\';  // a drive root keeps its backslash
  return path;
}

}  // namespace win
