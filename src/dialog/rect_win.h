// The dialog's plain rectangles as the platform's.
#pragma once
#include <windows.h>

#include "dialog/layout.h"

namespace dialog {

inline RECT ToRECT(const Rect& r) { return {r.left, r.top, r.right(), r.bottom()}; }

}  // namespace dialog
