// The dialog's plain rectangles as the platform's.
#pragma once
#include <windows.h>

#include "dialog/layout.h"

namespace dialog {

inline RECT ToRECT(const Rect& r) { return {r.left, r.top, r.right(), r.bottom()}; }

// Moves and sizes a child window to `r`, leaving its z-order and activation alone.
inline void PlaceChild(HWND child, const Rect& r) {
  SetWindowPos(child, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace dialog
