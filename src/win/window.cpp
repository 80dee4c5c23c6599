// The window base: class registration, the this-pointer hand-over and message forwarding.
#include "win/window.h"

namespace win {

HINSTANCE ThisModule() {
  // The module that holds this code, which for a static library is the program or the
  // test executable it is linked into.
  static const HINSTANCE module = [] {
    HMODULE m = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &m);
    return m;
  }();
  return module;
}

Window::~Window() {
  if (hwnd_) {
    // The window outlives nothing it points to: unhook before destroying.
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    HWND h = hwnd_;
    hwnd_ = nullptr;
    DestroyWindow(h);
  }
}

bool Window::create(const WindowClass& cls, DWORD exStyle, DWORD style, const std::wstring& title,
                    int x, int y, int width, int height, HWND parent, HMENU menuOrId) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(ThisModule(), cls.name, &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.style = cls.style;
    wc.lpfnWndProc = &Window::Proc;
    wc.hInstance = ThisModule();
    wc.hCursor = cls.cursor ? cls.cursor : LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = cls.background;
    wc.hIcon = cls.icon;
    wc.hIconSm = cls.smallIcon;
    wc.lpszClassName = cls.name;
    if (!RegisterClassExW(&wc)) return false;
  }
  return CreateWindowExW(exStyle, cls.name, title.c_str(), style, x, y, width, height, parent,
                         menuOrId, ThisModule(), this) != nullptr;
}

LRESULT Window::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK Window::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  Window* self = nullptr;
  if (msg == WM_NCCREATE) {
    self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    const LRESULT r = self->onMessage(msg, wp, lp);
    self->hwnd_ = nullptr;
    self->onDestroyed();
    return r;
  }
  return self->onMessage(msg, wp, lp);
}

}  // namespace win
