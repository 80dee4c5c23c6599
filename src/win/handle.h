// RAII owners for Win32 handles. One move-only template, `Unique<Handle, Closer>`, in the
// manner of WIL's unique_any, plus the scoped helpers GDI needs: a DC released to its
// window, a BeginPaint/EndPaint pair, and an object selected into a DC for a scope.
#pragma once
#include <windows.h>

#include <utility>

namespace win {

// Traits name the handle type, its "no handle" value and how to close it.
template <typename Traits>
class Unique {
 public:
  using Handle = typename Traits::Handle;

  Unique() = default;
  explicit Unique(Handle h) : h_(h) {}
  ~Unique() { reset(); }
  Unique(Unique&& other) noexcept : h_(std::exchange(other.h_, Traits::Invalid())) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) reset(std::exchange(other.h_, Traits::Invalid()));
    return *this;
  }
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;

  Handle get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::Invalid(); }
  Handle release() { return std::exchange(h_, Traits::Invalid()); }
  void reset(Handle h = Traits::Invalid()) {
    if (h_ != Traits::Invalid()) Traits::Close(h_);
    h_ = h;
  }

 private:
  Handle h_ = Traits::Invalid();
};

template <typename H, auto CloseFn>
struct NullIsInvalid {
  using Handle = H;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { CloseFn(h); }
};

namespace detail {
inline void CloseKernel(HANDLE h) { ::CloseHandle(h); }
inline void DeleteGdi(HGDIOBJ h) { ::DeleteObject(h); }
inline void DeleteMemDc(HDC h) { ::DeleteDC(h); }
inline void DestroyWnd(HWND h) { ::DestroyWindow(h); }
inline void FreeLib(HMODULE h) { ::FreeLibrary(h); }
inline void DestroyIco(HICON h) { ::DestroyIcon(h); }
inline void DestroyCur(HCURSOR h) { ::DestroyCursor(h); }
inline void UnregisterPower(HPOWERNOTIFY h) { ::UnregisterPowerSettingNotification(h); }
struct FileTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { ::CloseHandle(h); }
};
}  // namespace detail

using UniqueHandle = Unique<NullIsInvalid<HANDLE, detail::CloseKernel>>;
using UniqueFile = Unique<detail::FileTraits>;  // CreateFile fails with INVALID_HANDLE_VALUE
using UniqueBitmap = Unique<NullIsInvalid<HBITMAP, detail::DeleteGdi>>;
using UniqueFont = Unique<NullIsInvalid<HFONT, detail::DeleteGdi>>;
using UniqueBrush = Unique<NullIsInvalid<HBRUSH, detail::DeleteGdi>>;
using UniquePen = Unique<NullIsInvalid<HPEN, detail::DeleteGdi>>;
using UniqueRegion = Unique<NullIsInvalid<HRGN, detail::DeleteGdi>>;
using UniqueMemDc = Unique<NullIsInvalid<HDC, detail::DeleteMemDc>>;
using UniqueWindow = Unique<NullIsInvalid<HWND, detail::DestroyWnd>>;
using UniqueLibrary = Unique<NullIsInvalid<HMODULE, detail::FreeLib>>;
using UniqueIcon = Unique<NullIsInvalid<HICON, detail::DestroyIco>>;
using UniqueCursor = Unique<NullIsInvalid<HCURSOR, detail::DestroyCur>>;
using UniquePowerNotification = Unique<NullIsInvalid<HPOWERNOTIFY, detail::UnregisterPower>>;

// GetDC/ReleaseDC pair; a null window means the screen.
class WindowDc {
 public:
  explicit WindowDc(HWND hwnd) : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(hwnd_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND hwnd_;
  HDC dc_;
};

class PaintDc {
 public:
  explicit PaintDc(HWND hwnd) : hwnd_(hwnd), dc_(::BeginPaint(hwnd, &ps_)) {}
  ~PaintDc() { ::EndPaint(hwnd_, &ps_); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  HDC get() const { return dc_; }
  const RECT& dirty() const { return ps_.rcPaint; }

 private:
  HWND hwnd_;
  PAINTSTRUCT ps_{};
  HDC dc_;
};

// Selects an object into a DC and puts the previous one back at the end of the scope.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ obj) : dc_(dc), old_(obj ? ::SelectObject(dc, obj) : nullptr) {}
  ~Selected() {
    if (old_) ::SelectObject(dc_, old_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

}  // namespace win
