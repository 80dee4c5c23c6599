// The panel's window: painting its picture and passing the mouse and the bar on.
#include "dialog/settings_dialog_panel_win.h"

#include <windowsx.h>

namespace dialog {

bool Panel::make(HWND parent, int id) {
  return create({L"Veskar.Panel"}, WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT,
                WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, L"", 0, 0, 1, 1, parent,
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

LRESULT Panel::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      PaintComposed(hwnd(), texture_, compose_, [this](HDC dc) { owner_.DrawOverPanel(dc); });
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
      owner_.PanelPressed(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      return msg == WM_XBUTTONDOWN ? TRUE : 0;
    case WM_HSCROLL:
      owner_.PanelScrolled(reinterpret_cast<HWND>(lp), wp);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      owner_.PanelFocusChanged(hwnd(), msg == WM_SETFOCUS);
      return 0;
    case WM_COMMAND:
      // A combo box tells its parent when its edit field takes or loses the focus.
      if (HIWORD(wp) == CBN_SETFOCUS || HIWORD(wp) == CBN_KILLFOCUS) {
        owner_.PanelFocusChanged(reinterpret_cast<HWND>(lp), HIWORD(wp) == CBN_SETFOCUS);
      }
      return Window::onMessage(msg, wp, lp);
    case WM_GETOBJECT:
      if (const LRESULT answer = owner_.PanelGetObject(wp, lp)) return answer;
      return Window::onMessage(msg, wp, lp);
    default:
      return Window::onMessage(msg, wp, lp);
  }
}

}  // namespace dialog
