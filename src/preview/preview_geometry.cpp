#include "preview/preview_geometry.h"

#include <cmath>
#include <limits>

namespace preview {

namespace {

constexpr int64_t kMax = std::numeric_limits<int32_t>::max();

// far - near in 64 bits (two 32-bit coordinates can be 2^32 apart), 0 when inverted.
int32_t Extent(int32_t nearEdge, int32_t farEdge) {
  const int64_t extent = static_cast<int64_t>(farEdge) - nearEdge;
  if (extent <= 0) return 0;
  return static_cast<int32_t>(extent > kMax ? kMax : extent);
}

int32_t ToTwips(int32_t pixels, double twipsPerPixel) {
  if (!(twipsPerPixel > 0.0)) return 0;
  const double twips = std::nearbyint(static_cast<double>(pixels) * twipsPerPixel);
  return twips >= static_cast<double>(kMax) ? static_cast<int32_t>(kMax) : static_cast<int32_t>(twips);
}

}  // namespace

PreviewGeometry PlacePreview(const PixelRect& parent, double twipsPerPixelX, double twipsPerPixelY) {
  PreviewGeometry g;
  g.widthPixels = Extent(parent.left, parent.right);
  g.heightPixels = Extent(parent.top, parent.bottom);
  g.widthTwips = ToTwips(g.widthPixels, twipsPerPixelX);
  g.heightTwips = ToTwips(g.heightPixels, twipsPerPixelY);
  return g;
}

}  // namespace preview
