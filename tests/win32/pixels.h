// Pixels of bitmaps and of the screen, for the shell tests that look at pictures.
#pragma once
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace testpix {

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> data;  // 0x00RRGGBB, row by row from the top
  uint32_t at(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
};

inline BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = -height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  return bmi;
}

// A bitmap's pixels; `bitsPerPixel` receives its stored depth. Empty for no bitmap.
inline Pixels OfBitmap(HBITMAP bitmap, int* bitsPerPixel = nullptr) {
  Pixels p;
  DIBSECTION dib{};
  if (!bitmap || !GetObjectW(bitmap, sizeof dib, &dib)) return p;
  if (bitsPerPixel) *bitsPerPixel = dib.dsBm.bmBitsPixel;
  p.width = dib.dsBm.bmWidth;
  p.height = dib.dsBm.bmHeight;
  p.data.resize(static_cast<size_t>(p.width) * p.height);
  BITMAPINFO bmi = TopDown32(p.width, p.height);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, static_cast<UINT>(p.height), p.data.data(), &bmi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  for (uint32_t& c : p.data) c &= 0x00FFFFFF;
  return p;
}

// What the screen shows in `area`.
inline Pixels OfScreen(const RECT& area) {
  Pixels p;
  p.width = area.right - area.left;
  p.height = area.bottom - area.top;
  if (p.width <= 0 || p.height <= 0) return p;
  p.data.resize(static_cast<size_t>(p.width) * p.height);
  BITMAPINFO bmi = TopDown32(p.width, p.height);
  HDC screen = GetDC(nullptr);
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC mem = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(mem, dib);
  BitBlt(mem, 0, 0, p.width, p.height, screen, area.left, area.top, SRCCOPY);
  GdiFlush();
  std::copy_n(static_cast<const uint32_t*>(bits), p.data.size(), p.data.begin());
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(dib);
  ReleaseDC(nullptr, screen);
  for (uint32_t& c : p.data) c &= 0x00FFFFFF;
  return p;
}

}  // namespace testpix
