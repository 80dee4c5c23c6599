// Monitors through EnumDisplayMonitors. Their rectangles are taken from GetMonitorInfoW,
// not from the display settings: Wine reads a secondary monitor's mode as 0 x 0.
#include "show/desk_win.h"

#include <windows.h>

#include <vector>

namespace show {

namespace {

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto& monitors = *reinterpret_cast<std::vector<DeskRect>*>(data);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(monitor, &info)) return TRUE;
  const RECT& r = info.rcMonitor;
  const DeskRect rect{r.left, r.top, r.right, r.bottom};
  // The primary first: its picture is the first drawn in every frame.
  if (info.dwFlags & MONITORINFOF_PRIMARY) {
    monitors.insert(monitors.begin(), rect);
  } else {
    monitors.push_back(rect);
  }
  return TRUE;
}

}  // namespace

DeskLayout ReadDesk() {
  std::vector<DeskRect> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  DeskRect virtualScreen{x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
  // A system without the virtual-screen metrics: the primary screen.
  if (virtualScreen.empty()) virtualScreen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  return LayOutDesk(virtualScreen, monitors);
}

}  // namespace show
