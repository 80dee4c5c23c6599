// Base of every window of the program: registers its class once, keeps `this` in the
// window from WM_NCCREATE to WM_NCDESTROY, and forwards messages to onMessage.
#pragma once
#include <windows.h>

#include <string>

namespace win {

struct WindowClass {
  const wchar_t* name;
  UINT style = 0;
  HBRUSH background = nullptr;  // not owned; a stock object or a brush the window keeps
  HCURSOR cursor = nullptr;     // null: the arrow
  HICON icon = nullptr;
  HICON smallIcon = nullptr;
};

class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hwnd() const { return hwnd_; }

 protected:
  // Creates the window; false when the platform refused.
  bool create(const WindowClass& cls, DWORD exStyle, DWORD style, const std::wstring& title,
              int x, int y, int width, int height, HWND parent = nullptr, HMENU menuOrId = nullptr);

  // Everything not handled goes to DefWindowProc.
  virtual LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp);
  // Called from WM_NCDESTROY, after which the window no longer reaches this object.
  virtual void onDestroyed() {}

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  HWND hwnd_ = nullptr;
};

HINSTANCE ThisModule();

}  // namespace win
