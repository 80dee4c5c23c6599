#include "saver_resources.h"

namespace e2e {

SaverResources::SaverResources()
    : module_(LoadLibraryExW((BuildFolder() + L"\\Veskar.scr").c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}

SaverResources::~SaverResources() {
  if (module_) FreeLibrary(module_);
}

Pixels SaverResources::bitmap(int id, int* bitsPerPixel) const {
  Pixels p;
  HBITMAP bitmap = static_cast<HBITMAP>(
      LoadImageW(module_, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  if (!bitmap) return p;
  DIBSECTION dib{};
  GetObjectW(bitmap, sizeof dib, &dib);
  if (bitsPerPixel) *bitsPerPixel = dib.dsBmih.biBitCount;
  p.width = dib.dsBm.bmWidth;
  p.height = dib.dsBm.bmHeight;
  p.data.resize(static_cast<size_t>(p.width) * p.height);
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = p.width;
  bmi.bmiHeader.biHeight = -p.height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, static_cast<UINT>(p.height), p.data.data(), &bmi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  DeleteObject(bitmap);
  for (uint32_t& c : p.data) c &= 0x00FFFFFF;
  return p;
}

std::string SaverResources::bytes(const wchar_t* type, int id) const {
  HRSRC found = FindResourceW(module_, MAKEINTRESOURCEW(id), type);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module_, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return {};
  return std::string(static_cast<const char*>(data), SizeofResource(module_, found));
}

}  // namespace e2e
