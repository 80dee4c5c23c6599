// Where the skinned button's paint goes: the eight frame pieces cut from a skin picture,
// the two-colour face gradient and the caption's place. Pure arithmetic; the window code
// carries it out with StretchBlt, GradientFill and DrawText.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace controls {

// Every skin is a 64 x 25-pixel picture, 960 x 375 twips at its own 15 twips per pixel.
inline constexpr int kSkinWidth = 64;
inline constexpr int kSkinHeight = 25;
inline constexpr int kSkinTwipsPerPixel = 15;

// The caption label: one text line, 195 twips high, 10 twips above the vertical centre.
inline constexpr int kCaptionHeightTwips = 195;
inline constexpr int kCaptionRaiseTwips = 20;  // taken from the free height: half of it above

// The frame geometry in twips, kept between paints in 16 bits. A value that does not fit
// (a control more than 32,767 + 60 twips wide or high) keeps the value it had.
struct FrameGeometry {
  int16_t CornerWidth = 0, CornerHeight = 0;              // 60 x 60
  int16_t OriginX = 0, OriginY = 0;                       // 1, 1
  int16_t SourceWidth = 0, SourceHeight = 0;              // 960 x 375
  int16_t MiddleWidth = 0, MiddleHeight = 0;              // W - 120, H - 120
  int16_t RightX = 0, BottomY = 0;                        // W - 60, H - 60
  int16_t SourceMiddleWidth = 0, SourceMiddleHeight = 0;  // 840 x 255
  int16_t SourceRightX = 0, SourceBottomY = 0;            // 900, 315
};

// Recomputes the geometry for a control of `widthTwips` x `heightTwips` (whole twips).
void ComputeFrameGeometry(FrameGeometry& g, int32_t widthTwips, int32_t heightTwips);

struct Rect {
  int32_t x = 0, y = 0, width = 0, height = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

// One frame piece: the part of the skin picture and where it goes on the control.
struct FramePiece {
  Rect source;
  Rect dest;
};

// The eight pieces in drawing order (top-left corner, top edge, top-right corner, right
// edge, bottom-right, bottom edge, bottom-left, left edge), both rectangles in twips.
std::array<FramePiece, 8> FramePiecesInTwips(const FrameGeometry& g);

// The same pieces in pixels, ready for StretchBlt: sources in skin pixels (the skin's own
// 15 twips per pixel, whatever the screen), destinations in control pixels at
// `twipsPerPixel`, so the frame grows with the DPI. Pieces are converted by their edges,
// so neighbours meet without gaps. When the control is too small for two corners side by
// side (or one above the other), the corners share the space, each keeping the outer part
// of its picture, and the edge pieces between them get no size: a piece with an empty
// destination is not drawn.
std::array<FramePiece, 8> FramePiecesInPixels(const FrameGeometry& g, double twipsPerPixel);

// The face gradient: vertex 0 at the top-left pixel, vertex 1 at the bottom-right one,
// one rectangle from vertex 1 (upper-left index) to vertex 0 (lower-right index), filled
// vertically, so each colour lies along its own edge.
struct GradientVertex {
  int32_t x = 0, y = 0;
  uint16_t red = 0, green = 0, blue = 0, alpha = 0;
};
struct FaceGradient {
  std::array<GradientVertex, 2> vertices;
  uint32_t upperLeft = 1;
  uint32_t lowerRight = 0;
};

// The two colour constants of the face, as colour texts.
inline constexpr std::string_view kFaceWhite = "&HFFFFFF";
inline constexpr std::string_view kFaceLavender = "&HC6C5D7";

// A colour text ("&H" and hexadecimal digits) as the three 16-bit channels of a gradient
// vertex. The digits are taken by position, six of them, the first pair being red; each
// pair p is the 8-bit value times 256.
struct Channels {
  uint16_t red = 0, green = 0, blue = 0;
  friend bool operator==(const Channels&, const Channels&) = default;
};
Channels VertexChannels(std::string_view colourText);

// White on top and lavender below, or the other way round when `inverted`.
FaceGradient ComputeFaceGradient(int32_t widthPixels, int32_t heightPixels, bool inverted);

// The caption's place: full width, left 0, `kCaptionHeightTwips` high, its top at
// (H - height - 20) / 2. Twips, and the same in pixels.
struct CaptionLayout {
  double topTwips = 0.0;
  int32_t leftTwips = 0;
  int32_t widthTwips = 0;
  int32_t heightTwips = kCaptionHeightTwips;
  Rect pixels;
};
CaptionLayout ComputeCaptionLayout(int32_t widthTwips, int32_t heightTwips, double twipsPerPixel);

}  // namespace controls
