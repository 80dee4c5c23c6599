#include "controls/skin_geometry.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <string>

namespace controls {

namespace {

// A 16-bit member takes a new value only when it fits; otherwise it keeps the old one.
void Assign16(int16_t& member, int32_t value) {
  if (value >= std::numeric_limits<int16_t>::min() && value <= std::numeric_limits<int16_t>::max()) {
    member = static_cast<int16_t>(value);
  }
}

int32_t ToPixels(int32_t twips, double twipsPerPixel) {
  return static_cast<int32_t>(std::lround(twips / twipsPerPixel));
}

// A twips rectangle in pixels, converted by its edges so that rectangles that share an
// edge in twips share it in pixels.
Rect EdgesToPixels(const Rect& r, double twipsPerPixel) {
  const int32_t left = ToPixels(r.x, twipsPerPixel);
  const int32_t top = ToPixels(r.y, twipsPerPixel);
  return {left, top, ToPixels(r.x + r.width, twipsPerPixel) - left,
          ToPixels(r.y + r.height, twipsPerPixel) - top};
}

// How much of a source span is kept when its destination shrinks from `full` to `kept`
// pixels: the same share, at least one pixel while anything is drawn.
int32_t KeptSource(int32_t source, int32_t full, int32_t kept) {
  if (kept <= 0) return 0;
  if (full <= 0 || kept >= full) return source;
  const auto share = static_cast<int32_t>(std::lround(static_cast<double>(source) * kept / full));
  return std::clamp(share, int32_t{1}, source);
}

// Pieces of the first (left or top) corner column/row end at `split`; those of the second
// begin there. Each keeps the outer part of its picture. `horizontal` picks x or y.
void ShareCorners(std::array<FramePiece, 8>& p, std::initializer_list<int> first,
                  std::initializer_list<int> second, std::initializer_list<int> middle,
                  bool horizontal) {
  auto pos = [horizontal](Rect& r) -> int32_t& { return horizontal ? r.x : r.y; };
  auto len = [horizontal](Rect& r) -> int32_t& { return horizontal ? r.width : r.height; };

  Rect& a = p[static_cast<size_t>(*first.begin())].dest;
  Rect& b = p[static_cast<size_t>(*second.begin())].dest;
  const int32_t firstEnd = pos(a) + len(a);
  const int32_t secondBegin = pos(b);
  if (firstEnd > secondBegin) {
    const int32_t begin = pos(a);
    const int32_t end = std::max(begin, pos(b) + len(b));
    const int32_t split = begin + (end - begin) / 2;
    for (int i : first) {
      FramePiece& piece = p[static_cast<size_t>(i)];
      const int32_t full = len(piece.dest);
      len(piece.dest) = std::max(0, split - pos(piece.dest));
      len(piece.source) = KeptSource(len(piece.source), full, len(piece.dest));
    }
    for (int i : second) {
      FramePiece& piece = p[static_cast<size_t>(i)];
      const int32_t full = len(piece.dest);
      const int32_t pieceEnd = pos(piece.dest) + full;
      const int32_t newBegin = std::max(pos(piece.dest), split);
      pos(piece.dest) = newBegin;
      len(piece.dest) = std::max(0, pieceEnd - newBegin);
      const int32_t sourceEnd = pos(piece.source) + len(piece.source);
      len(piece.source) = KeptSource(len(piece.source), full, len(piece.dest));
      pos(piece.source) = sourceEnd - len(piece.source);
    }
  }
  for (int i : middle) {
    Rect& d = p[static_cast<size_t>(i)].dest;
    if (len(d) < 0) len(d) = 0;
  }
}

}  // namespace

void ComputeFrameGeometry(FrameGeometry& g, int32_t widthTwips, int32_t heightTwips) {
  g.CornerWidth = 60;
  g.CornerHeight = 60;
  g.OriginX = 1;
  g.OriginY = 1;
  g.SourceWidth = 960;
  g.SourceHeight = 375;
  Assign16(g.MiddleWidth, widthTwips - 120);
  Assign16(g.MiddleHeight, heightTwips - 120);
  Assign16(g.RightX, widthTwips - 60);
  Assign16(g.BottomY, heightTwips - 60);
  g.SourceMiddleWidth = 840;
  g.SourceMiddleHeight = 255;
  g.SourceRightX = 900;
  g.SourceBottomY = 315;
}

std::array<FramePiece, 8> FramePiecesInTwips(const FrameGeometry& g) {
  const int32_t cw = g.CornerWidth, ch = g.CornerHeight, ox = g.OriginX, oy = g.OriginY;
  const int32_t mw = g.MiddleWidth, mh = g.MiddleHeight, rx = g.RightX, by = g.BottomY;
  const int32_t smw = g.SourceMiddleWidth, smh = g.SourceMiddleHeight;
  const int32_t srx = g.SourceRightX, sby = g.SourceBottomY;
  return {{
      {{0, 0, cw, ch}, {ox, oy, cw, ch}},           // top-left corner
      {{cw, 1, smw, ch}, {cw, oy, mw, ch}},         // top edge
      {{srx, 1, cw, ch}, {rx, oy, cw, ch}},         // top-right corner
      {{srx, ch, cw, smh}, {rx, ch, cw, mh}},       // right edge
      {{srx, sby, cw, ch}, {rx, by, cw, ch}},       // bottom-right corner
      {{cw, sby, smw, ch}, {cw, by, mw, ch}},       // bottom edge
      {{0, sby, cw, ch}, {ox, by, cw, ch}},         // bottom-left corner
      {{1, ch, cw, smh}, {ox, ch, cw, mh}},         // left edge
  }};
}

std::array<FramePiece, 8> FramePiecesInPixels(const FrameGeometry& g, double twipsPerPixel) {
  std::array<FramePiece, 8> p = FramePiecesInTwips(g);
  for (FramePiece& piece : p) {
    piece.source = EdgesToPixels(piece.source, kSkinTwipsPerPixel);
    piece.dest = EdgesToPixels(piece.dest, twipsPerPixel);
  }
  // Columns: left corners and edge {0, 6, 7}, right {2, 3, 4}, top and bottom edges {1, 5}.
  ShareCorners(p, {0, 6, 7}, {2, 3, 4}, {1, 5}, true);
  // Rows: top corners and edge {0, 1, 2}, bottom {6, 5, 4}, side edges {3, 7}.
  ShareCorners(p, {0, 1, 2}, {6, 5, 4}, {3, 7}, false);
  return p;
}

Channels VertexChannels(std::string_view colourText) {
  // Read the text as a number, then write it out again as upper-case hexadecimal. Short
  // results are padded to six digits so that the pairs keep their places.
  uint32_t value = 0;
  std::string_view digits = colourText;
  if (digits.size() >= 2 && digits[0] == '&' && (digits[1] == 'H' || digits[1] == 'h')) {
    digits.remove_prefix(2);
  }
  for (char c : digits) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    if (d < 0) break;
    value = (value << 4) | static_cast<uint32_t>(d);
  }
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string hex;
  for (uint32_t v = value; v != 0; v >>= 4) hex.insert(hex.begin(), kHex[v & 0xF]);
  if (hex.size() < 6) hex.insert(0, 6 - hex.size(), '0');
  auto pair = [&hex](size_t at) {
    const auto high = static_cast<uint16_t>(std::string_view(kHex).find(hex[at]));
    const auto low = static_cast<uint16_t>(std::string_view(kHex).find(hex[at + 1]));
    return static_cast<uint16_t>(((high << 4) | low) << 8);
  };
  return {pair(0), pair(2), pair(4)};
}

FaceGradient ComputeFaceGradient(int32_t widthPixels, int32_t heightPixels, bool inverted) {
  const Channels white = VertexChannels(kFaceWhite);
  const Channels lavender = VertexChannels(kFaceLavender);
  const Channels& first = inverted ? lavender : white;
  const Channels& second = inverted ? white : lavender;
  FaceGradient f;
  f.vertices[0] = {0, 0, first.red, first.green, first.blue, 0};
  f.vertices[1] = {widthPixels - 1, heightPixels - 1, second.red, second.green, second.blue, 0};
  return f;
}

CaptionLayout ComputeCaptionLayout(int32_t widthTwips, int32_t heightTwips, double twipsPerPixel) {
  CaptionLayout c;
  c.topTwips = (static_cast<double>(heightTwips) - c.heightTwips - kCaptionRaiseTwips) / 2.0;
  c.leftTwips = 0;
  c.widthTwips = widthTwips;
  c.pixels = {0, static_cast<int32_t>(std::lround(c.topTwips / twipsPerPixel)),
              ToPixels(widthTwips, twipsPerPixel), ToPixels(c.heightTwips, twipsPerPixel)};
  return c;
}

}  // namespace controls
