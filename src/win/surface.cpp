// Surfaces: persistent 32-bit pictures in memory DCs.
#include "win/surface.h"

#include <utility>

namespace win {

Surface::Surface(Surface&& other) noexcept
    : dc_(std::move(other.dc_)),
      bitmap_(std::move(other.bitmap_)),
      original_(std::exchange(other.original_, nullptr)),
      bits_(std::exchange(other.bits_, nullptr)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)) {}

Surface& Surface::operator=(Surface&& other) noexcept {
  if (this != &other) {
    free();
    dc_ = std::move(other.dc_);
    bitmap_ = std::move(other.bitmap_);
    original_ = std::exchange(other.original_, nullptr);
    bits_ = std::exchange(other.bits_, nullptr);
    width_ = std::exchange(other.width_, 0);
    height_ = std::exchange(other.height_, 0);
  }
  return *this;
}

Surface::~Surface() { free(); }

void Surface::free() {
  releasePicture();
  dc_.reset();
}

void Surface::releasePicture() {
  // The DC's own bitmap goes back in before our bitmap is deleted.
  if (dc_ && original_) SelectObject(dc_.get(), original_);
  original_ = nullptr;
  bitmap_.reset();
  bits_ = nullptr;
  width_ = height_ = 0;
}

bool Surface::create(int width, int height) {
  if (!dc_) {
    dc_.reset(CreateCompatibleDC(nullptr));
    if (!dc_) return false;
  }
  releasePicture();
  if (width <= 0 || height <= 0) return false;

  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = -height;  // top-down
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  bitmap_.reset(CreateDIBSection(dc_.get(), &bmi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap_ || !bits) {
    bitmap_.reset();
    return false;
  }
  original_ = SelectObject(dc_.get(), bitmap_.get());
  bits_ = static_cast<uint32_t*>(bits);
  width_ = width;
  height_ = height;
  return true;
}

BOOL Surface::copyTo(HDC target, int x, int y) const {
  return BitBlt(target, x, y, width_, height_, dc_.get(), 0, 0, SRCCOPY);
}

}  // namespace win
