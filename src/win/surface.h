// A persistent picture: a memory DC holding a 32-bit top-down DIB section whose bits the
// program can reach directly. Painting a window that shows a Surface is one copy.
#pragma once
#include <windows.h>

#include <cstdint>

#include "win/handle.h"

namespace win {

class Surface {
 public:
  Surface() = default;
  // A moved-from surface is empty, with no DC, and can be created again.
  Surface(Surface&& other) noexcept;
  Surface& operator=(Surface&& other) noexcept;
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
  ~Surface();

  // (Re)creates the picture at the given size, black. False when the platform refused
  // (the surface is then empty but its DC, if any, stays usable).
  bool create(int width, int height);

  HDC dc() const { return dc_.get(); }
  HBITMAP bitmap() const { return bitmap_.get(); }
  uint32_t* bits() const { return bits_; }
  int width() const { return width_; }
  int height() const { return height_; }
  int stride() const { return width_; }  // in pixels: 32-bit rows are never padded
  bool empty() const { return bits_ == nullptr; }

  // Copies the whole picture to (x, y) of `target`.
  BOOL copyTo(HDC target, int x = 0, int y = 0) const;

 private:
  void free();            // back to a default-made surface
  void releasePicture();  // the bitmap goes, the DC stays

  UniqueMemDc dc_;
  UniqueBitmap bitmap_;
  HGDIOBJ original_ = nullptr;  // the memory DC's own bitmap, put back before deletion
  uint32_t* bits_ = nullptr;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace win
