// Binding the effects library at the first call.
#include "show/effect_library_win.h"

#include "win/module.h"
#include "win/strings.h"

namespace show {

HMODULE LoadLibraryByPath(const std::wstring& path) {
  // The safe search flags need an absolute path. Windows 7 without its 2011 loader update
  // refuses them with ERROR_INVALID_PARAMETER; there the altered search path does the same
  // for a full path (dependencies looked for beside the library first).
  HMODULE module =
      LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!module && GetLastError() == ERROR_INVALID_PARAMETER) {
    module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  return module;
}

bool EffectLibrary::Call(HDC destination, HDC source, int32_t level, int32_t* result) {
  if (!bound_) {
    bound_ = true;
    const std::string folder = win::ProgramFolder();
    if (!folder.empty()) {
      // No error box for a missing or broken file: the show goes on without the effect.
      const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
      const std::wstring path =
          win::widen(folder) + (folder.back() == '\\' ? L"" : L"\\") + name_;
      library_.reset(LoadLibraryByPath(path));
      SetErrorMode(oldMode);
    }
    if (library_) entry_ = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library_.get(), kEffectEntry)));
  }
  if (!entry_) return false;
  entry_(destination, source, level, result);  // its return value is not used
  return true;
}

}  // namespace show
