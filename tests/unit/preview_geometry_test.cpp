// Preview geometry: the preview fills the caller's window at any size and resolution.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "preview/preview_geometry.h"

using preview::PixelRect;
using preview::PlacePreview;

TEST(PreviewGeometry, FillsTheCallerAtTheOriginInTwipsAndPixels) {
  // Windows' own pane: 152 x 112 pixels, 2280 x 1680 twips at 96 dpi.
  const auto g = PlacePreview(PixelRect{300, 200, 452, 312}, 15.0, 15.0);
  EXPECT_EQ(g.left, 0);
  EXPECT_EQ(g.top, 0);
  EXPECT_EQ(g.widthTwips, 2280);
  EXPECT_EQ(g.heightTwips, 1680);
  EXPECT_EQ(g.widthPixels, 152);
  EXPECT_EQ(g.heightPixels, 112);
}

TEST(PreviewGeometry, LargeCallersAreFilledWhereSixteenBitsWouldOverflow) {
  // 2 184 pixels is the last width whose twips fit 16 bits at 96 dpi; one more, and far
  // more, still get a preview of the caller's whole size.
  for (int32_t width : {2184, 2185, 3840, 30000}) {
    const auto g = PlacePreview(PixelRect{0, 0, width, width + 1}, 15.0, 15.0);
    EXPECT_EQ(g.widthPixels, width);
    EXPECT_EQ(g.heightPixels, width + 1);
    EXPECT_EQ(g.widthTwips, width * 15);
    EXPECT_EQ(g.heightTwips, (width + 1) * 15);
  }
}

TEST(PreviewGeometry, PixelsAreTheCallersAtEveryResolution) {
  // 96, 120, 144, 192 and 288 dpi, with odd sizes whose twips are fractions at 7.5 and 5.
  for (double twipsPerPixel : {15.0, 12.0, 10.0, 7.5, 5.0}) {
    for (int32_t size : {1, 151, 152, 153, 1921}) {
      const auto g = PlacePreview(PixelRect{-7, 3, size - 7, size + 3}, twipsPerPixel, twipsPerPixel);
      EXPECT_EQ(g.widthPixels, size) << twipsPerPixel;
      EXPECT_EQ(g.heightPixels, size) << twipsPerPixel;
      EXPECT_NEAR(g.widthTwips, size * twipsPerPixel, 0.5) << twipsPerPixel;
    }
  }
  // Different horizontal and vertical resolutions are kept apart.
  const auto g = PlacePreview(PixelRect{0, 0, 100, 100}, 15.0, 10.0);
  EXPECT_EQ(g.widthTwips, 1500);
  EXPECT_EQ(g.heightTwips, 1000);
}

TEST(PreviewGeometry, EmptyInvertedAndExtremeRectanglesStayInRange) {
  // A failed rectangle query leaves all zeros.
  const auto zero = PlacePreview(PixelRect{}, 15.0, 15.0);
  EXPECT_EQ(zero.widthPixels, 0);
  EXPECT_EQ(zero.heightPixels, 0);
  EXPECT_EQ(zero.widthTwips, 0);
  // Inverted (right < left) is no size, not a negative one.
  const auto inverted = PlacePreview(PixelRect{500, 400, 100, 0}, 15.0, 15.0);
  EXPECT_EQ(inverted.widthPixels, 0);
  EXPECT_EQ(inverted.heightPixels, 0);
  // The widest rectangle 32-bit coordinates can describe does not overflow anything.
  constexpr int32_t lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max();
  const auto huge = PlacePreview(PixelRect{lo, lo, hi, hi}, 15.0, 15.0);
  EXPECT_EQ(huge.widthPixels, hi);
  EXPECT_EQ(huge.heightPixels, hi);
  EXPECT_EQ(huge.widthTwips, hi);
  EXPECT_EQ(huge.heightTwips, hi);
  // A resolution the platform could not tell gives no twips, and still the pixels.
  const auto unknown = PlacePreview(PixelRect{0, 0, 152, 112}, 0.0, -1.0);
  EXPECT_EQ(unknown.widthTwips, 0);
  EXPECT_EQ(unknown.heightTwips, 0);
  EXPECT_EQ(unknown.widthPixels, 152);
}
