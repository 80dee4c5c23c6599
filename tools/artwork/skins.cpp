// The six push-button skins. Every skin is the same 4-pixel frame, ring by ring from the
// outside: a light ring, a 1-pixel dark blue frame with rounded corners, then two rings
// that carry the look (bevel, glow or shading). Rounded corners are drawn by measuring
// each sample's distance to the corner's arc, 4 x 4 samples per pixel.
#include <algorithm>
#include <cmath>

#include "pictures.h"

namespace artwork {

namespace {

constexpr double kRadius = 4.0;  // the corner arc: the whole 4-pixel frame turns on it

enum class Side { Top, Bottom, Left, Right };

// Colours of one look: ring 0 and ring 1 are plain; rings 2 and 3 run from their top
// colour to their bottom colour down the sides.
struct Look {
  Rgba outside;  // corners beyond the arc
  Rgba ring0;
  Rgba ring1;
  Rgba top2, top3;
  Rgba bottom2, bottom3;
  Rgba faceTop, faceBottom;
};

constexpr Rgba kFrameBlue = Opaque(0, 60, 116);
constexpr Rgba kLightRing = Opaque(244, 243, 238);
constexpr Rgba kMargin = Opaque(236, 233, 216);
constexpr Rgba kFaceTop = Opaque(255, 255, 255);
constexpr Rgba kFaceBottom = Opaque(198, 197, 215);  // the lavender of the button's gradient

Look LookOf(Skin skin) {
  switch (skin) {
    case Skin::HighLight:
    case Skin::HighLightSelect:
      return {kLightRing, kLightRing, kFrameBlue, Opaque(255, 240, 207), Opaque(252, 210, 121),
              Opaque(229, 151, 0), Opaque(246, 190, 75), kFaceTop, kFaceBottom};
    case Skin::Selected:
      return {kLightRing, kLightRing, kFrameBlue, Opaque(206, 231, 255), Opaque(188, 212, 246),
              Opaque(105, 130, 238), Opaque(137, 173, 228), kFaceTop, kFaceBottom};
    case Skin::Pressed:
      // Sunken: the shading is dark along the top and light along the bottom.
      return {kLightRing, kLightRing, kFrameBlue, Opaque(209, 204, 192), Opaque(222, 219, 210),
              Opaque(244, 243, 238), Opaque(250, 250, 248), Opaque(234, 233, 238), kFaceBottom};
    case Skin::Disable: {
      const Rgba pale = Opaque(245, 244, 234);
      return {kMargin, kMargin, Opaque(201, 199, 186), pale, pale, pale, pale, pale, pale};
    }
    case Skin::Normal:
    default:
      return {kLightRing, kLightRing, kFrameBlue, Opaque(255, 255, 255), Opaque(250, 250, 248),
              Opaque(226, 223, 214), Opaque(214, 208, 197), kFaceTop, kFaceBottom};
  }
}

// The colour of the frame at the sample point (sx, sy), in pixels from the top-left
// corner of a W x H frame.
Rgba FrameSample(const Look& look, double sx, double sy, double w, double h) {
  const double left = sx, top = sy, right = w - sx, bottom = h - sy;
  double depth;
  Side side;
  const bool cornerX = left < kRadius || right < kRadius;
  const bool cornerY = top < kRadius || bottom < kRadius;
  if (cornerX && cornerY) {
    const double cx = left < kRadius ? kRadius : w - kRadius;
    const double cy = top < kRadius ? kRadius : h - kRadius;
    const double dx = sx - cx, dy = sy - cy;
    depth = kRadius - std::sqrt(dx * dx + dy * dy);
    if (std::abs(dy) >= std::abs(dx)) side = top < kRadius ? Side::Top : Side::Bottom;
    else side = left < kRadius ? Side::Left : Side::Right;
  } else {
    depth = std::min(std::min(left, right), std::min(top, bottom));
    if (depth == top) side = Side::Top;
    else if (depth == bottom) side = Side::Bottom;
    else if (depth == left) side = Side::Left;
    else side = Side::Right;
  }
  if (depth < 0.0) return look.outside;
  const int ring = static_cast<int>(depth);
  if (ring == 0) return look.ring0;
  if (ring == 1) return look.ring1;
  if (ring >= 4) return Mix(look.faceTop, look.faceBottom, sy / h);
  const Rgba topColour = ring == 2 ? look.top2 : look.top3;
  const Rgba bottomColour = ring == 2 ? look.bottom2 : look.bottom3;
  if (side == Side::Top) return topColour;
  if (side == Side::Bottom) return bottomColour;
  return Mix(topColour, bottomColour, std::clamp((sy - kRadius) / (h - 2 * kRadius), 0.0, 1.0));
}

Image Frame(const Look& look, int width, int height) {
  constexpr int kSamples = 4;
  Image image(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      Average mean;
      for (int j = 0; j < kSamples; ++j) {
        for (int i = 0; i < kSamples; ++i) {
          mean.add(FrameSample(look, x + (i + 0.5) / kSamples, y + (j + 0.5) / kSamples, width, height));
        }
      }
      image.at(x, y) = mean.mean();
    }
  }
  return image;
}

}  // namespace

Image SkinPicture(Skin skin) {
  const Look look = LookOf(skin);
  if (skin != Skin::Pressed) return Frame(look, kSkinWidth, kSkinHeight);
  // Pressed: the frame moves one pixel right and down; the strip it uncovers at the top
  // and the left is a plain margin, and its own right and bottom rings fall off the edge.
  const Image frame = Frame(look, kSkinWidth, kSkinHeight);
  Image pressed(kSkinWidth, kSkinHeight, kMargin);
  for (int y = 1; y < kSkinHeight; ++y) {
    for (int x = 1; x < kSkinWidth; ++x) pressed.at(x, y) = frame.at(x - 1, y - 1);
  }
  return pressed;
}

}  // namespace artwork
