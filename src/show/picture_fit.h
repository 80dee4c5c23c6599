// Pictures for a capture that shows nothing: whether a captured picture is one colour all
// over, and which part of a wallpaper to scale so that it covers the screen.
#pragma once
#include <cstddef>
#include <cstdint>

namespace show {

// True when every pixel of a 32-bit picture (0xXXRRGGBB, rows `stride` pixels apart) has
// the same red, green and blue; the top byte is not colour and is ignored. A picture
// without pixels (no bits, or a width or height of 0 or less) shows nothing too.
bool IsOneColour(const uint32_t* pixels, std::ptrdiff_t stride, int width, int height);

struct SourceRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool empty() const { return width <= 0 || height <= 0; }
  friend bool operator==(const SourceRect&, const SourceRect&) = default;
};

// The rectangle of a source picture that, scaled to the target's size, covers the whole
// target with the source's aspect kept: the source's full width or full height, the other
// side cut to the target's aspect (rounded to the nearest pixel, at least 1) and centred.
// Empty when either size has a side of 0 or less.
SourceRect CoverCrop(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight);

}  // namespace show
