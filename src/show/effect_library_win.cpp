// Binding the effects library at the first call.
#include "show/effect_library_win.h"

namespace show {

bool EffectLibrary::Call(HDC destination, HDC source, int32_t level, int32_t* result) {
  if (!bound_) {
    bound_ = true;
    // No error box for a missing or broken file: the show goes on without the effect.
    const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    library_.reset(LoadLibraryW(name_.c_str()));
    SetErrorMode(oldMode);
    if (library_) entry_ = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library_.get(), kEffectEntry)));
  }
  if (!entry_) return false;
  entry_(destination, source, level, result);  // its return value is not used
  return true;
}

}  // namespace show
