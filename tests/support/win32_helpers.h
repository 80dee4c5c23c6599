// Small Win32 helpers shared by the shell tests and the end-to-end tests.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "win/handle.h"

namespace testing_support {

// A 32-bit top-down DIB of the given size.
inline BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = -height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  return bmi;
}

// A whole file ("" when it cannot be opened). Shared for deletion too: the saver may be
// replacing the file while a test looks.
inline std::string ReadFileBytes(const std::wstring& path) {
  win::UniqueFile f(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return {};
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(f.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
  return bytes;
}

inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  win::UniqueFile f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return false;
  DWORD written = 0;
  return WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

// A mouse event at a screen point, in SendInput's absolute units (0..65535 across the
// primary screen, rounded to the nearest pixel).
inline INPUT AbsoluteMouse(int x, int y, DWORD flags) {
  INPUT in{};
  in.type = INPUT_MOUSE;
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  in.mi.dx = static_cast<LONG>((static_cast<int64_t>(x) * 65535 + (w - 1) / 2) / std::max(1, w - 1));
  in.mi.dy = static_cast<LONG>((static_cast<int64_t>(y) * 65535 + (h - 1) / 2) / std::max(1, h - 1));
  in.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | flags;
  return in;
}

// Handles what is queued for this thread until `done` holds, looking every 10 ms; false
// when `timeoutMs` passed first. A WM_QUIT is left in the queue for the test to find.
template <typename F>
bool PumpUntil(F done, DWORD timeoutMs = 5000) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT) {
      PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(10);
  }
}

// A window of the test program at `at` (the primary screen's top-left corner unless told), of the class `className`
// (registered the first time with `proc`, a white background and the arrow cursor).
inline win::UniqueWindow MakeTestWindow(const wchar_t* className, WNDPROC proc, const std::wstring& title,
                                        DWORD style, DWORD exStyle = 0, int width = 1, int height = 1,
                                        POINT at = {0, 0}) {
  const HINSTANCE self = GetModuleHandleW(nullptr);
  WNDCLASSW wc{};
  if (!GetClassInfoW(self, className, &wc)) {
    wc.lpfnWndProc = proc;
    wc.hInstance = self;
    wc.lpszClassName = className;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClassW(&wc);
  }
  return win::UniqueWindow(
      CreateWindowExW(exStyle, className, title.c_str(), style, at.x, at.y, width, height, nullptr, nullptr, self, nullptr));
}

}  // namespace testing_support
