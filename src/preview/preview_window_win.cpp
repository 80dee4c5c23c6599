// The preview window: creation, re-parenting into the caller's window, and painting.
#include "preview/preview_window_win.h"

#include <utility>

namespace preview {

bool PreviewWindow::open(HWND parent, win::UniqueBitmap picture) {
  if (!IsWindow(parent)) return false;
  win::WindowClass cls{kPreviewClass};
  cls.style = CS_HREDRAW | CS_VREDRAW;
  cls.background = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));  // exactly 192, 192, 192
  if (!create(cls, 0, WS_POPUP, kPreviewCaption, 0, 0, 0, 0)) return false;
  Img_Prev.setPicture(std::move(picture));

  // The caller's client area, at its top-left corner: a preview pane has no border, and
  // for a window that has one the picture then fits what is visible instead of running
  // under the frame. Sizes stay in pixels: the window has no layout of its own to keep in
  // twips.
  RECT client{};
  GetClientRect(parent, &client);

  // Windows wants the child style in place before SetParent, and WS_POPUP gone with it.
  const HWND self = hwnd();
  const LONG style = GetWindowLongW(self, GWL_STYLE);
  SetWindowLongW(self, GWL_STYLE, (style | WS_CHILD) & ~static_cast<LONG>(WS_POPUP));
  if (!SetParent(self, parent)) {  // the caller's window went away meanwhile
    DestroyWindow(self);
    return false;
  }
  SetWindowPos(self, nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
  Img_Prev.place(0, 0, client.right, client.bottom);
  ShowWindow(self, SW_SHOWNA);
  return true;
}

LRESULT PreviewWindow::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      win::PaintDc dc(hwnd());
      Img_Prev.paint(dc.get());
      return 0;
    }
    case WM_ENDSESSION:
      if (wp) DestroyWindow(hwnd());  // the session ends: so does the preview
      return 0;
    case WM_DESTROY:
      // Closed by the caller, or destroyed with the caller's window: nothing is left to
      // show, so the loop (and with it the preview process) ends.
      PostQuitMessage(0);
      return 0;
    default:
      return Window::onMessage(msg, wp, lp);
  }
}

}  // namespace preview
