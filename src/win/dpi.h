// Dots per inch of a window (the program is per-monitor DPI aware, see the manifest).
#pragma once
#include <windows.h>

namespace win {

// The window's DPI; the system's when the window is null or the platform is older.
int DpiOf(HWND hwnd);

// The outer rectangle whose client area is `client`, for a window of these styles whose
// frame is drawn at `dpi` (AdjustWindowRectExForDpi; before Windows 10 1607, the frame at
// the system's DPI).
RECT WindowRectForClient(const RECT& client, DWORD style, DWORD exStyle, int dpi);

// A system metric (SM_CXSMICON, ...) at `dpi` (GetSystemMetricsForDpi; before Windows 10
// 1607, the system's value scaled from the system's DPI).
int SystemMetricAt(int index, int dpi);

}  // namespace win
