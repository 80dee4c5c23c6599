// The platform calls the dialog makes beyond its own windows, for real, and the zoom
// animation that goes through one of them.
#include "dialog/settings_dialog_win.h"

#include <shellapi.h>

namespace dialog {

namespace {
constexpr int kIdaniCaption = 3;  // IDANI_CAPTION: a title-bar outline
}  // namespace

Platform Platform::Real(settings::FilePort& files) {
  Platform p;
  p.drawAnimatedRects = [](HWND hwnd, int id, const RECT* from, const RECT* to) {
    return DrawAnimatedRects(hwnd, id, from, to);
  };
  p.getOpenFileName = [](OPENFILENAMEW* request) { return GetOpenFileNameW(request); };
  p.shellExecute = [](HWND owner, const wchar_t* op, const wchar_t* file, const wchar_t* params,
                      const wchar_t* folder, int show) {
    return ShellExecuteW(owner, op, file, params, folder, show);
  };
  p.messageBox = [](HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    return MessageBoxW(owner, text, caption, type);
  };
  p.getCursorPos = [](POINT* at) { return GetCursorPos(at); };
  p.files = &files;
  return p;
}

// ---- the zoom animation

namespace {
ScreenRect WindowRectOf(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return {r.left, r.top, r.right, r.bottom};
}

void Animate(HWND hwnd, const Zoom& zoom, const Platform& platform) {
  const RECT from{zoom.from.left, zoom.from.top, zoom.from.right, zoom.from.bottom};
  const RECT to{zoom.to.left, zoom.to.top, zoom.to.right, zoom.to.bottom};
  if (platform.drawAnimatedRects) platform.drawAnimatedRects(hwnd, kIdaniCaption, &from, &to);
}
}  // namespace

void AnimateOpen(HWND hwnd, Point anchor, const Platform& platform) {
  Animate(hwnd, OpeningZoom(anchor, WindowRectOf(hwnd)), platform);
}

void AnimateClose(HWND hwnd, Point anchor, const Platform& platform) {
  Animate(hwnd, ClosingZoom(anchor, WindowRectOf(hwnd)), platform);
}

}  // namespace dialog
