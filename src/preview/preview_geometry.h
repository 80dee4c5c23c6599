// Where the preview window and its picture go inside the caller's window.
#pragma once
#include <cstdint>

namespace preview {

// A window rectangle in pixels, as the platform reports it.
struct PixelRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// The preview window sits at the caller's top-left corner with the caller's size, and
// its one picture (Img_Prev) covers it exactly. Sizes are kept in twips, the unit the
// window's layout is written in, and in pixels, the unit the platform places windows in.
// Twips are 32-bit: in 16 bits they stop at 32 767, 2 184 pixels at 96 dpi, and a
// larger caller would get no preview at all.
struct PreviewGeometry {
  int32_t left = 0;  // twips; always 0
  int32_t top = 0;   // twips; always 0
  int32_t widthTwips = 0;
  int32_t heightTwips = 0;
  int32_t widthPixels = 0;  // the window's and Img_Prev's size
  int32_t heightPixels = 0;
};

// `parent` is the caller's rectangle; twips per pixel are the screen's (15 at 96 dpi).
// An empty or inverted rectangle gives size 0; sizes too large for 32 bits saturate.
PreviewGeometry PlacePreview(const PixelRect& parent, double twipsPerPixelX, double twipsPerPixelY);

}  // namespace preview
