// What the skinned button paints: the frame pieces (twips, then pixels at any DPI and
// any size), the face gradient's two colours and the caption's place.
#include <gtest/gtest.h>

#include <vector>

#include "common/twips.h"
#include "controls/command_model.h"
#include "controls/skin_geometry.h"

using controls::FrameGeometry;
using controls::FramePiece;
using controls::Rect;

namespace {

FrameGeometry GeometryFor(int32_t w, int32_t h) {
  FrameGeometry g;
  controls::ComputeFrameGeometry(g, w, h);
  return g;
}

std::vector<FramePiece> PiecesAt(int widthPx, int heightPx, int dpi) {
  const double tpp = common::TwipsPerPixel(dpi);
  const auto g = GeometryFor(static_cast<int32_t>(std::lround(widthPx * tpp)),
                             static_cast<int32_t>(std::lround(heightPx * tpp)));
  const auto p = controls::FramePiecesInPixels(g, tpp);
  return {p.begin(), p.end()};
}

}  // namespace

TEST(FrameGeometry, TheEightPiecesInTwips) {
  // A 77 x 25-pixel button (1155 x 375 twips), the dialog's Cmd_Set.
  const auto p = controls::FramePiecesInTwips(GeometryFor(1155, 375));
  const FramePiece expected[8] = {
      {{0, 0, 60, 60}, {1, 1, 60, 60}},        {{60, 1, 840, 60}, {60, 1, 1035, 60}},
      {{900, 1, 60, 60}, {1095, 1, 60, 60}},   {{900, 60, 60, 255}, {1095, 60, 60, 255}},
      {{900, 315, 60, 60}, {1095, 315, 60, 60}}, {{60, 315, 840, 60}, {60, 315, 1035, 60}},
      {{0, 315, 60, 60}, {1, 315, 60, 60}},    {{1, 60, 60, 255}, {1, 60, 60, 255}},
  };
  for (size_t i = 0; i < 8; ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(p[i].source, expected[i].source);
    EXPECT_EQ(p[i].dest, expected[i].dest);
  }
}

TEST(FrameGeometry, AValueBeyond16BitsKeepsItsPreviousValue) {
  FrameGeometry g = GeometryFor(1155, 375);
  controls::ComputeFrameGeometry(g, 32850, 375);  // W - 120 fits, W - 60 does not
  EXPECT_EQ(g.MiddleWidth, 32730);
  EXPECT_EQ(g.RightX, 1095);
  controls::ComputeFrameGeometry(g, 40000, 40000);
  EXPECT_EQ(g.MiddleWidth, 32730);
  EXPECT_EQ(g.MiddleHeight, 255);
  EXPECT_EQ(g.BottomY, 315);
  EXPECT_EQ(g.CornerWidth, 60);
}

TEST(FramePixels, AFourPixelFrameAt15TwipsPerPixel) {
  const auto p = PiecesAt(77, 25, 96);
  const FramePiece expected[8] = {
      {{0, 0, 4, 4}, {0, 0, 4, 4}},       {{4, 0, 56, 4}, {4, 0, 69, 4}},
      {{60, 0, 4, 4}, {73, 0, 4, 4}},     {{60, 4, 4, 17}, {73, 4, 4, 17}},
      {{60, 21, 4, 4}, {73, 21, 4, 4}},   {{4, 21, 56, 4}, {4, 21, 69, 4}},
      {{0, 21, 4, 4}, {0, 21, 4, 4}},     {{0, 4, 4, 17}, {0, 4, 4, 17}},
  };
  for (size_t i = 0; i < 8; ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(p[i].source, expected[i].source);
    EXPECT_EQ(p[i].dest, expected[i].dest);
  }
}

TEST(FramePixels, OtherDpiScaleTheFrameButNotTheSource) {
  // 150 %: the same button is 116 x 38 pixels with a 6-pixel frame cut from 4 skin pixels.
  const auto p = PiecesAt(116, 38, 144);
  EXPECT_EQ(p[0].dest, (Rect{0, 0, 6, 6}));
  EXPECT_EQ(p[0].source, (Rect{0, 0, 4, 4}));
  EXPECT_EQ(p[4].dest, (Rect{110, 32, 6, 6}));
  EXPECT_EQ(p[4].source, (Rect{60, 21, 4, 4}));
  EXPECT_EQ(p[1].dest, (Rect{6, 0, 104, 6}));
  EXPECT_EQ(p[1].source, (Rect{4, 0, 56, 4}));
  EXPECT_EQ(PiecesAt(100, 40, 120)[2].dest, (Rect{95, 0, 5, 5}));
  EXPECT_EQ(PiecesAt(100, 40, 192)[6].dest, (Rect{0, 32, 8, 8}));
}

// For every size from tiny to roomy and several DPI settings: the pieces stay inside the
// control, never overlap, and cover exactly the frame band (all of the control when it is
// too small for a middle); sources stay inside the skin and are never empty for a piece
// that is drawn.
TEST(FramePixels, PiecesTileTheFrameBandAtEverySize) {
  for (int dpi : {72, 96, 120, 144, 192}) {
    const int band = static_cast<int>(std::lround(60 / common::TwipsPerPixel(dpi)));
    for (int w = 1; w <= 40; ++w) {
      for (int h : {1, 2, 3, 5, 7, 8, 9, 12, 16, 17, 25, 31}) {
        SCOPED_TRACE(testing::Message() << dpi << " dpi, " << w << " x " << h);
        std::vector<int> hits(static_cast<size_t>(w * h), 0);
        for (const FramePiece& piece : PiecesAt(w, h, dpi)) {
          const Rect& d = piece.dest;
          const Rect& s = piece.source;
          ASSERT_GE(d.width, 0);
          ASSERT_GE(d.height, 0);
          if (d.width == 0 || d.height == 0) continue;
          ASSERT_GE(d.x, 0);
          ASSERT_GE(d.y, 0);
          ASSERT_LE(d.x + d.width, w);
          ASSERT_LE(d.y + d.height, h);
          ASSERT_GT(s.width, 0);
          ASSERT_GT(s.height, 0);
          ASSERT_GE(s.x, 0);
          ASSERT_GE(s.y, 0);
          ASSERT_LE(s.x + s.width, controls::kSkinWidth);
          ASSERT_LE(s.y + s.height, controls::kSkinHeight);
          for (int y = d.y; y < d.y + d.height; ++y) {
            for (int x = d.x; x < d.x + d.width; ++x) ++hits[static_cast<size_t>(y * w + x)];
          }
        }
        for (int y = 0; y < h; ++y) {
          for (int x = 0; x < w; ++x) {
            const bool inBand = x < band || x >= w - band || y < band || y >= h - band;
            ASSERT_EQ(hits[static_cast<size_t>(y * w + x)], inBand ? 1 : 0) << "at " << x << "," << y;
          }
        }
      }
    }
  }
}

TEST(FramePixels, SmallButtonsKeepTheOuterPartOfEachCorner) {
  // 6 x 5 pixels: no edges, each corner 3 x 2 or 3 x 3 pixels of its skin corner's outside.
  const auto p = PiecesAt(6, 5, 96);
  EXPECT_EQ(p[0].dest, (Rect{0, 0, 3, 2}));
  EXPECT_EQ(p[0].source, (Rect{0, 0, 3, 2}));
  EXPECT_EQ(p[2].dest, (Rect{3, 0, 3, 2}));
  EXPECT_EQ(p[2].source, (Rect{61, 0, 3, 2}));
  EXPECT_EQ(p[4].dest, (Rect{3, 2, 3, 3}));
  EXPECT_EQ(p[4].source, (Rect{61, 22, 3, 3}));
  EXPECT_EQ(p[6].source, (Rect{0, 22, 3, 3}));
  for (size_t edge : {1u, 3u, 5u, 7u}) {
    EXPECT_TRUE(p[edge].dest.width == 0 || p[edge].dest.height == 0) << edge;
  }
  // Exactly 120 twips wide: corners meet and the edges between them vanish.
  const auto q = PiecesAt(8, 25, 96);
  EXPECT_EQ(q[1].dest.width, 0);
  EXPECT_EQ(q[2].dest, (Rect{4, 0, 4, 4}));
}

TEST(FaceGradient, ColourTextsTurnIntoChannelsByPosition) {
  using controls::Channels;
  EXPECT_EQ(controls::VertexChannels(controls::kFaceWhite), (Channels{0xFF00, 0xFF00, 0xFF00}));
  EXPECT_EQ(controls::VertexChannels(controls::kFaceLavender), (Channels{0xC600, 0xC500, 0xD700}));
  // Leading zeros are not lost: the digits keep their places.
  EXPECT_EQ(controls::VertexChannels("&H0000FF"), (Channels{0, 0, 0xFF00}));
  EXPECT_EQ(controls::VertexChannels("&h00a0b0"), (Channels{0, 0xA000, 0xB000}));
}

TEST(FaceGradient, VerticesSitInOppositeCornersWithSwappedIndices) {
  const auto rest = controls::ComputeFaceGradient(77, 25, false);
  EXPECT_EQ(rest.upperLeft, 1u);
  EXPECT_EQ(rest.lowerRight, 0u);
  EXPECT_EQ(rest.vertices[0].x, 0);
  EXPECT_EQ(rest.vertices[0].y, 0);
  EXPECT_EQ(rest.vertices[1].x, 76);
  EXPECT_EQ(rest.vertices[1].y, 24);
  EXPECT_EQ(rest.vertices[0].red, 0xFF00);  // white at the top
  EXPECT_EQ(rest.vertices[1].red, 0xC600);  // lavender at the bottom
  EXPECT_EQ(rest.vertices[1].blue, 0xD700);
  EXPECT_EQ(rest.vertices[0].alpha | rest.vertices[1].alpha, 0);

  const auto hover = controls::ComputeFaceGradient(77, 25, true);
  EXPECT_EQ(hover.vertices[0].x, 0);
  EXPECT_EQ(hover.vertices[0].green, 0xC500);
  EXPECT_EQ(hover.vertices[1].green, 0xFF00);
}

TEST(CaptionLayout, TenTwipsAboveTheCentreOverTheFullWidth) {
  for (int32_t h : {315, 375, 420, 1000}) {
    const auto c = controls::ComputeCaptionLayout(1155, h, 15.0);
    EXPECT_DOUBLE_EQ(c.topTwips + c.heightTwips / 2.0, h / 2.0 - 10) << h;
    EXPECT_EQ(c.leftTwips, 0);
    EXPECT_EQ(c.widthTwips, 1155);
  }
  const auto set = controls::ComputeCaptionLayout(1155, 375, 15.0);
  EXPECT_DOUBLE_EQ(set.topTwips, 80.0);
  EXPECT_EQ(set.pixels, (Rect{0, 5, 77, 13}));
  const auto design = controls::ComputeCaptionLayout(1755, 420, 15.0);
  EXPECT_DOUBLE_EQ(design.topTwips, 102.5);  // floating point, not cut to whole twips
  // Lower than the caption: the top goes above the control, still centred.
  EXPECT_LT(controls::ComputeCaptionLayout(300, 100, 15.0).pixels.y, 0);
}

TEST(PaintSkin, CarriesTheGeometryOfTheCurrentSizeAndDpi) {
  struct Port : controls::CommandPort {
    void PaintSkin(const controls::SkinPaint& p) override { last = p; }
    void LookChanged() override {}
    void PropertyChanged(std::string_view) override {}
    void Click() override {}
    void HoverTimer(bool, unsigned) override {}
    controls::SkinPaint last;
  } port;
  controls::CommandModel b(port);
  b.Resize(116, 38, 144);
  EXPECT_EQ(b.widthTwips(), 1160);
  EXPECT_EQ(b.heightTwips(), 380);
  EXPECT_EQ(port.last.skin, controls::Skin::Disable);  // a new instance is not enabled yet
  EXPECT_EQ(port.last.widthPixels, 116);
  EXPECT_EQ(port.last.gradient.vertices[1].x, 115);
  EXPECT_EQ(port.last.gradient.vertices[1].y, 37);
  EXPECT_EQ(port.last.frame[0].dest, (Rect{0, 0, 6, 6}));
  EXPECT_EQ(port.last.caption.pixels, (Rect{0, 8, 116, 20}));
  EXPECT_EQ(b.state().Frame.RightX, 1100);
}
