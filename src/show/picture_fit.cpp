#include "show/picture_fit.h"

#include <algorithm>

namespace show {

bool IsOneColour(const uint32_t* pixels, std::ptrdiff_t stride, int width, int height) {
  if (pixels == nullptr || width <= 0 || height <= 0) return true;
  constexpr uint32_t kColour = 0x00FFFFFF;
  const uint32_t first = pixels[0] & kColour;
  for (int y = 0; y < height; ++y) {
    const uint32_t* row = pixels + y * stride;
    for (int x = 0; x < width; ++x) {
      if ((row[x] & kColour) != first) return false;
    }
  }
  return true;
}

SourceRect CoverCrop(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight) {
  if (sourceWidth <= 0 || sourceHeight <= 0 || targetWidth <= 0 || targetHeight <= 0) return {};
  // Products of two positive ints fit in 64 bits, so the comparison and the division are
  // exact for any sizes.
  const uint64_t sw = uint64_t(sourceWidth), sh = uint64_t(sourceHeight);
  const uint64_t tw = uint64_t(targetWidth), th = uint64_t(targetHeight);
  // sw/sh <= tw/th: the source is the narrower (or the same shape); its full width is
  // used and its height cut. Rounding to nearest keeps the cut side within the source,
  // since the exact value is at most the source's side.
  auto cut = [](uint64_t keptSide, uint64_t wantNumerator, uint64_t wantDenominator, uint64_t limit) {
    const uint64_t side = (keptSide * wantNumerator + wantDenominator / 2) / wantDenominator;
    return int(std::clamp<uint64_t>(side, 1, limit));
  };
  SourceRect r;
  if (sw * th <= tw * sh) {
    r.width = sourceWidth;
    r.height = cut(sw, th, tw, sh);
  } else {
    r.height = sourceHeight;
    r.width = cut(sh, tw, th, sw);
  }
  r.left = (sourceWidth - r.width) / 2;
  r.top = (sourceHeight - r.height) / 2;
  return r;
}

}  // namespace show
