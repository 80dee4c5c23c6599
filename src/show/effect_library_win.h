// The effects library as the show calls it: Runo_Effect.dll is loaded at the first call by
// its full path in the program's own folder, never by a search (Windows starts a screen
// saver in a working folder the saver does not choose, and a library planted there or on
// PATH would run in the user's session), and GPX_Veskar looked up in it. When the file or
// the entry is missing, that call and every later one is skipped; the library is not
// looked for again.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "win/handle.h"

namespace show {

// Loads a library by its full path, its own dependencies from its folder and the system
// folder only; null when it cannot be loaded.
HMODULE LoadLibraryByPath(const std::wstring& path);

inline constexpr const wchar_t* kEffectLibrary = L"Runo_Effect.dll";
inline constexpr const char* kEffectEntry = "GPX_Veskar";

class EffectLibrary {
 public:
  using Entry = int32_t(__stdcall*)(HDC destination, HDC source, int32_t level, int32_t* result);

  // `name` is a file name in the program's folder.
  explicit EffectLibrary(std::wstring name = kEffectLibrary) : name_(std::move(name)) {}

  // Renders `source` into `destination` at `level`; false when the call was skipped.
  bool Call(HDC destination, HDC source, int32_t level, int32_t* result);
  // Whether the binding was tried and failed.
  bool missing() const { return bound_ && !entry_; }

 private:
  std::wstring name_;
  bool bound_ = false;
  win::UniqueLibrary library_;
  Entry entry_ = nullptr;
};

}  // namespace show
