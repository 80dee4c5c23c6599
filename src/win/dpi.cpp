// DPI lookup and the per-DPI metrics. GetDpiForWindow, AdjustWindowRectExForDpi and
// GetSystemMetricsForDpi exist from Windows 10 1607 on: they are looked up at run time so
// that the program still starts on older systems, which fall back to the system's DPI
// (the screen DC's LOGPIXELSX) and the metrics for it.
#include "win/dpi.h"

#include "win/handle.h"

namespace win {

namespace {
template <typename Fn>
Fn User32Function(const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

int SystemDpi() { return DpiOf(nullptr); }
}  // namespace

int DpiOf(HWND hwnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (hwnd && getDpiForWindow) {
    const UINT dpi = getDpiForWindow(hwnd);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  WindowDc screen(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 96;
  return dpi > 0 ? dpi : 96;
}

RECT WindowRectForClient(const RECT& client, DWORD style, DWORD exStyle, int dpi) {
  using AdjustFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjustForDpi = User32Function<AdjustFn>("AdjustWindowRectExForDpi");
  RECT r = client;
  if (!adjustForDpi || !adjustForDpi(&r, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
    r = client;
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
  }
  return r;
}

int SystemMetricAt(int index, int dpi) {
  using MetricFn = int(WINAPI*)(int, UINT);
  static const auto metricForDpi = User32Function<MetricFn>("GetSystemMetricsForDpi");
  if (metricForDpi) {
    const int value = metricForDpi(index, static_cast<UINT>(dpi));
    if (value > 0) return value;
  }
  return MulDiv(GetSystemMetrics(index), dpi, SystemDpi());
}

}  // namespace win
