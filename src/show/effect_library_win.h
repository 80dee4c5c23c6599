// The effects library as the show calls it: Runo_Effect.dll is loaded by name (the usual
// library search, which looks in the program's folder first) and GPX_Veskar looked up at
// the first call. When the file or the entry is missing, that call and every later one
// is skipped; the library is not looked for again.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "win/handle.h"

namespace show {

inline constexpr const wchar_t* kEffectLibrary = L"Runo_Effect.dll";
inline constexpr const char* kEffectEntry = "GPX_Veskar";

class EffectLibrary {
 public:
  using Entry = int32_t(__stdcall*)(HDC destination, HDC source, int32_t level, int32_t* result);

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
