// A capture that shows nothing: the one-colour test over a captured picture, and the part
// of a wallpaper that is scaled to cover the screen.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "show/picture_fit.h"

namespace {

using show::CoverCrop;
using show::IsOneColour;
using show::SourceRect;

TEST(BlankCapture, OnlyTheColourBytesCount) {
  // A 5 x 3 picture inside rows of 8: the pixels past the width are not the picture's.
  std::vector<uint32_t> rows(8 * 3, 0x00102030);
  for (int y = 0; y < 3; ++y)
    for (int x = 5; x < 8; ++x) rows[y * 8 + x] = 0x00FFFFFF;
  EXPECT_TRUE(IsOneColour(rows.data(), 8, 5, 3));

  // The top byte is not colour: a capture leaves it 0, a decoder may leave it 0xFF.
  rows[0] = 0xFF102030;
  rows[8 * 2 + 4] = 0x7F102030;
  EXPECT_TRUE(IsOneColour(rows.data(), 8, 5, 3));

  // One channel of one pixel differs, wherever it is: the first, the last and the first
  // of a later row are the places a loop gets wrong.
  for (const int at : {0, 8 * 2 + 4, 8 * 1 + 0, 8 * 1 + 4}) {
    for (const uint32_t flip : {0x00000001u, 0x00000100u, 0x00010000u}) {
      std::vector<uint32_t> p(8 * 3, 0x00102030);
      p[at] ^= flip;
      EXPECT_FALSE(IsOneColour(p.data(), 8, 5, 3)) << "pixel " << at << " channel " << flip;
    }
  }
}

TEST(BlankCapture, DegeneratePictures) {
  const uint32_t one = 0x00ABCDEF;
  EXPECT_TRUE(IsOneColour(&one, 1, 1, 1));
  EXPECT_TRUE(IsOneColour(nullptr, 0, 1024, 768)) << "no bits: the capture failed, nothing to show";
  EXPECT_TRUE(IsOneColour(&one, 1, 0, 1));
  EXPECT_TRUE(IsOneColour(&one, 1, 1, -1));
  // One column, rows far apart: only the first pixel of each row is read.
  std::vector<uint32_t> column(100 * 4, 0x00FFFFFF);
  for (int y = 0; y < 4; ++y) column[y * 100] = 0x00000000;
  EXPECT_TRUE(IsOneColour(column.data(), 100, 1, 4));
  column[3 * 100] = 0x00000001;
  EXPECT_FALSE(IsOneColour(column.data(), 100, 1, 4));
}

TEST(WallpaperCover, KeepsTheAspectAndCentresTheCut) {
  struct Case {
    int sw, sh, tw, th;
    SourceRect want;
  };
  const Case cases[] = {
      {1024, 768, 1024, 768, {0, 0, 1024, 768}},     // the screen's own size
      {512, 384, 1024, 768, {0, 0, 512, 384}},       // same shape, scaled up
      {1920, 1080, 1024, 768, {240, 0, 1440, 1080}},  // wide: full height, sides cut
      {1080, 1920, 1024, 768, {0, 555, 1080, 810}},   // tall: full width, top and bottom cut
      {200, 100, 1024, 768, {33, 0, 133, 100}},      // 133.33 rounds down; the cut is centred
      {100, 300, 1024, 768, {0, 112, 100, 75}},      // 112.5 starts at 112
      {3, 2, 2, 1, {0, 0, 3, 2}},                    // 1.5 rounds up to the whole height
      {1, 1, 1920, 1080, {0, 0, 1, 1}},              // one pixel covers any screen
  };
  for (const auto& c : cases) {
    const SourceRect r = CoverCrop(c.sw, c.sh, c.tw, c.th);
    EXPECT_EQ(r, c.want) << c.sw << "x" << c.sh << " onto " << c.tw << "x" << c.th << ": got " << r.left
                         << "," << r.top << " " << r.width << "x" << r.height;
  }
}

// The cut always lies inside the source, has at least one pixel, uses a whole side, and
// its aspect is the target's as nearly as whole pixels allow.
TEST(WallpaperCover, ExtremeAndHugeSizesStayInsideTheSource) {
  const int sizes[] = {1, 2, 3, 7, 152, 767, 1024, 65535, 65536, 70001, 1 << 20, INT_MAX};
  for (int sw : sizes)
    for (int sh : sizes)
      for (const auto& [tw, th] : {std::pair{1024, 768}, std::pair{1, 3840}, std::pair{INT_MAX, 1},
                                   std::pair{65536, 65536}}) {
        const SourceRect r = CoverCrop(sw, sh, tw, th);
        ASSERT_GE(r.width, 1);
        ASSERT_GE(r.height, 1);
        ASSERT_GE(r.left, 0);
        ASSERT_GE(r.top, 0);
        ASSERT_LE(int64_t(r.left) + r.width, sw);
        ASSERT_LE(int64_t(r.top) + r.height, sh);
        // Centred: the parts cut off on either side differ by at most one pixel.
        EXPECT_GE((sw - r.width) - 2 * r.left, 0);
        EXPECT_LE((sw - r.width) - 2 * r.left, 1);
        EXPECT_GE((sh - r.height) - 2 * r.top, 0);
        EXPECT_LE((sh - r.height) - 2 * r.top, 1);
        // The cut side is within half a pixel of the exact one (at least 1).
        const bool heightCut = uint64_t(sw) * uint64_t(th) <= uint64_t(tw) * uint64_t(sh);
        const long double exact = heightCut ? (long double)sw * th / tw : (long double)sh * tw / th;
        const int cutSide = heightCut ? r.height : r.width;
        EXPECT_EQ(heightCut ? r.width : r.height, heightCut ? sw : sh);
        if (cutSide > 1) {
          EXPECT_LE(std::fabs(cutSide - exact), 0.5L) << sw << "x" << sh << " onto " << tw << "x" << th;
        } else {
          EXPECT_LT(exact, 1.5L);
        }
      }
}

TEST(WallpaperCover, NoSizeGivesNoCut) {
  EXPECT_TRUE(CoverCrop(0, 100, 1024, 768).empty());
  EXPECT_TRUE(CoverCrop(100, -1, 1024, 768).empty());
  EXPECT_TRUE(CoverCrop(100, 100, 0, 768).empty());
  EXPECT_TRUE(CoverCrop(100, 100, 1024, INT_MIN).empty());
}

}  // namespace
