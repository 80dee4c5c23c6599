// Pixels of bitmaps and of the screen as 0x00RRGGBB, row by row from the top, for the tests
// that look at pictures, and a way to keep one as a file to look at.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/win32_helpers.h"
#include "win/handle.h"

namespace testing_support {

struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> data;
  uint32_t at(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
};

// Noise: every block average differs from its neighbours' and from the sharp picture.
inline Pixels NoisePixels(int width, int height, uint32_t seed = 12345) {
  Pixels p;
  p.width = width;
  p.height = height;
  p.data.resize(static_cast<size_t>(width) * height);
  uint32_t state = seed;
  for (auto& v : p.data) {
    state = state * 1664525u + 1013904223u;
    v = state >> 8;
  }
  return p;
}

// The part of a picture at (left, top) of the given size.
inline Pixels PartOf(const Pixels& whole, int left, int top, int width, int height) {
  Pixels p;
  p.width = width;
  p.height = height;
  for (int y = top; y < top + height; ++y) {
    const auto row = whole.data.begin() + (static_cast<ptrdiff_t>(y) * whole.width + left);
    p.data.insert(p.data.end(), row, row + width);
  }
  return p;
}

// A bitmap's pixels; `bitsPerPixel` receives its stored depth. Empty for no bitmap.
inline Pixels BitmapPixels(HBITMAP bitmap, int* bitsPerPixel = nullptr) {
  Pixels p;
  DIBSECTION dib{};
  if (!bitmap || !GetObjectW(bitmap, sizeof dib, &dib)) return p;
  if (bitsPerPixel) *bitsPerPixel = dib.dsBm.bmBitsPixel;
  p.width = dib.dsBm.bmWidth;
  p.height = dib.dsBm.bmHeight;
  p.data.resize(static_cast<size_t>(p.width) * p.height);
  BITMAPINFO bmi = TopDown32(p.width, p.height);
  const win::WindowDc screen(nullptr);
  GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(p.height), p.data.data(), &bmi, DIB_RGB_COLORS);
  for (uint32_t& c : p.data) c &= 0x00FFFFFF;
  return p;
}

// What the screen shows in `area` (black where it cannot be read).
inline Pixels CaptureScreen(const RECT& area) {
  Pixels p;
  p.width = area.right - area.left;
  p.height = area.bottom - area.top;
  if (p.width <= 0 || p.height <= 0) return p;
  p.data.resize(static_cast<size_t>(p.width) * p.height);
  const win::WindowDc screen(nullptr);
  BITMAPINFO bmi = TopDown32(p.width, p.height);
  void* bits = nullptr;
  const win::UniqueBitmap dib(CreateDIBSection(screen.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
  const win::UniqueMemDc mem(CreateCompatibleDC(screen.get()));
  if (!dib || !mem || !bits) return p;
  {
    const win::Selected picture(mem.get(), dib.get());
    BitBlt(mem.get(), 0, 0, p.width, p.height, screen.get(), area.left, area.top, SRCCOPY);
    GdiFlush();
  }
  const auto* src = static_cast<const uint32_t*>(bits);
  for (size_t i = 0; i < p.data.size(); ++i) p.data[i] = src[i] & 0x00FFFFFF;
  return p;
}

// The whole primary screen.
inline Pixels CaptureScreen() {
  return CaptureScreen(RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

// Writes `p` as a 24-bit bitmap file. False on failure.
inline bool SaveBmp(const Pixels& p, const std::wstring& path) {
  const int rowBytes = (p.width * 3 + 3) & ~3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(rowBytes * p.height);
  info.biSize = sizeof info;
  info.biWidth = p.width;
  info.biHeight = -p.height;  // top-down, as the pixels are kept
  info.biPlanes = 1;
  info.biBitCount = 24;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
  bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
  std::string row(static_cast<size_t>(rowBytes), '\0');
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const uint32_t c = p.at(x, y);
      row[static_cast<size_t>(x) * 3] = static_cast<char>(c & 0xFF);
      row[static_cast<size_t>(x) * 3 + 1] = static_cast<char>((c >> 8) & 0xFF);
      row[static_cast<size_t>(x) * 3 + 2] = static_cast<char>((c >> 16) & 0xFF);
    }
    bytes += row;
  }
  return WriteFileBytes(path, bytes);
}

}  // namespace testing_support
