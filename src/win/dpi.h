// Dots per inch of a window (the program is per-monitor DPI aware, see the manifest).
#pragma once
#include <windows.h>

namespace win {

// The window's DPI; the system's when the window is null or the platform is older.
int DpiOf(HWND hwnd);

}  // namespace win
