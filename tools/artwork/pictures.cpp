// The preview picture, the texture strip, the radio looks, the hand cursor and the icon.
#include "pictures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string_view>

namespace artwork {

namespace {

void FillRect(Image& image, int left, int top, int right, int bottom, Rgba colour) {
  for (int y = std::max(top, 0); y < std::min(bottom, image.height); ++y) {
    for (int x = std::max(left, 0); x < std::min(right, image.width); ++x) image.at(x, y) = colour;
  }
}

// Replaces every block x block square by the mean of its pixels: what the show's effect
// does to the desktop.
void Pixelate(Image& image, int block) {
  for (int by = 0; by < image.height; by += block) {
    for (int bx = 0; bx < image.width; bx += block) {
      Average mean;
      for (int y = by; y < std::min(by + block, image.height); ++y)
        for (int x = bx; x < std::min(bx + block, image.width); ++x) mean.add(image.at(x, y));
      FillRect(image, bx, by, bx + block, by + block, mean.mean());
    }
  }
}

bool InEllipse(double x, double y, double cx, double cy, double rx, double ry) {
  const double dx = (x - cx) / rx, dy = (y - cy) / ry;
  return dx * dx + dy * dy <= 1.0;
}

// ---- preview picture

Rgba Wallpaper(double x, double y) {
  // Sky, two clouds, and two green hills (arcs of large circles).
  Rgba colour = Mix(Opaque(40, 96, 200), Opaque(150, 200, 242), y / 72.0);
  if (InEllipse(x, y, 112, 22, 16, 5) || InEllipse(x, y, 124, 18, 10, 6) || InEllipse(x, y, 62, 34, 12, 4)) {
    colour = Opaque(246, 248, 252);
  }
  const double far = (x - 118) * (x - 118) + (y - 178) * (y - 178);
  if (far <= 108.0 * 108.0) colour = Mix(Opaque(88, 168, 70), Opaque(50, 120, 44), (y - 70) / 40.0);
  const double near = (x - 30) * (x - 30) + (y - 190) * (y - 190);
  if (near <= 116.0 * 116.0) colour = Mix(Opaque(110, 190, 80), Opaque(56, 138, 48), (y - 74) / 36.0);
  return colour;
}

void DesktopIcon(Image& image, int left, int top, int kind) {
  // 12 x 10 pictures with a white caption line under each.
  switch (kind) {
    case 0:  // the computer: a grey monitor with a blue screen
      FillRect(image, left, top, left + 12, top + 9, Opaque(200, 200, 196));
      FillRect(image, left + 2, top + 2, left + 10, top + 7, Opaque(40, 110, 190));
      FillRect(image, left + 4, top + 9, left + 8, top + 10, Opaque(120, 120, 120));
      break;
    case 1:  // documents: a yellow folder
      FillRect(image, left, top + 1, left + 5, top + 3, Opaque(236, 196, 70));
      FillRect(image, left, top + 2, left + 12, top + 10, Opaque(250, 214, 92));
      break;
    case 2:  // the network: a blue-green globe
      for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x)
          if (InEllipse(x + 0.5, y + 0.5, 6, 5, 5.5, 5)) image.at(left + x, top + y) = (x + y) % 5 < 2 ? Opaque(70, 170, 80) : Opaque(60, 130, 220);
      break;
    default:  // the waste basket: pale grey
      FillRect(image, left + 1, top, left + 11, top + 2, Opaque(170, 176, 184));
      FillRect(image, left + 2, top + 2, left + 10, top + 10, Opaque(214, 220, 228));
      break;
  }
  FillRect(image, left - 3, top + 14, left + 15, top + 16, Opaque(255, 255, 255));
}

// ---- icon

// The mosaic on the icon's screen, 5 x 4 blocks: sky, sun, hills.
constexpr std::array<std::array<Rgba, 5>, 4> kIconScreen = {{
    {Opaque(40, 100, 210), Opaque(60, 120, 220), Opaque(70, 140, 230), Opaque(255, 210, 60), Opaque(80, 150, 235)},
    {Opaque(90, 160, 235), Opaque(110, 180, 240), Opaque(120, 190, 240), Opaque(130, 195, 240), Opaque(140, 200, 240)},
    {Opaque(60, 160, 60), Opaque(80, 180, 60), Opaque(140, 200, 240), Opaque(100, 190, 70), Opaque(70, 170, 60)},
    {Opaque(40, 130, 40), Opaque(60, 150, 50), Opaque(70, 160, 50), Opaque(50, 140, 40), Opaque(40, 120, 40)},
}};

bool InRoundRect(double x, double y, double left, double top, double right, double bottom, double radius) {
  if (x < left || x > right || y < top || y > bottom) return false;
  const double cx = std::clamp(x, left + radius, right - radius);
  const double cy = std::clamp(y, top + radius, bottom - radius);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
}

}  // namespace

Image PreviewPicture() {
  Image image(kPreviewWidth, kPreviewHeight);
  for (int y = 0; y < kPreviewHeight; ++y) {
    for (int x = 0; x < kPreviewWidth; ++x) {
      Average mean;  // 2 x 2 samples soften the hills' edges before the blocks do the rest
      for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i) mean.add(Wallpaper(x + 0.25 + 0.5 * i, y + 0.25 + 0.5 * j));
      image.at(x, y) = mean.mean();
    }
  }
  for (int kind = 0; kind < 4; ++kind) DesktopIcon(image, 8, 8 + kind * 24, kind);
  // Task bar: a blue bar with a lighter top line, the green start button, one task
  // button and the clock's tray.
  const int bar = kPreviewHeight - 8;
  FillRect(image, 0, bar, kPreviewWidth, kPreviewHeight, Opaque(36, 94, 220));
  FillRect(image, 0, bar, kPreviewWidth, bar + 1, Opaque(90, 150, 250));
  FillRect(image, 0, bar, 32, kPreviewHeight, Opaque(58, 160, 58));
  FillRect(image, 36, bar + 2, 76, kPreviewHeight - 1, Opaque(70, 130, 240));
  FillRect(image, kPreviewWidth - 28, bar, kPreviewWidth, kPreviewHeight, Opaque(20, 140, 236));
  Pixelate(image, kPreviewBlock);
  return image;
}

Image TexturePicture() {
  const Rgba left = Opaque(223, 223, 223), right = Opaque(176, 168, 160);
  Image image(kTextureWidth, kTextureHeight);
  Grain grain(0x5EED1234u);
  constexpr int kStreak = 24;  // a streak is a run of noise averaged over this many pixels
  for (int y = 0; y < kTextureHeight; ++y) {
    std::array<double, kTextureWidth> noise{};
    for (double& n : noise) n = grain.signedUnit();
    const double rowTone = grain.signedUnit() * 3.0;
    double window = 0.0;
    for (int k = 0; k < kStreak; ++k) window += noise[static_cast<size_t>(k)];
    for (int x = 0; x < kTextureWidth; ++x) {
      // A running mean over the next kStreak samples, wrapping round the strip's end.
      const double streak = window / kStreak * 14.0;
      window += noise[static_cast<size_t>((x + kStreak) % kTextureWidth)] - noise[static_cast<size_t>(x)];
      const double fine = grain.signedUnit() * 2.0;
      const Rgba base = Mix(left, right, static_cast<double>(x) / (kTextureWidth - 1));
      image.at(x, y) = Rgba{Clamp8(base.r + rowTone + streak + fine), Clamp8(base.g + rowTone + streak + fine),
                            Clamp8(base.b + rowTone + streak + fine), 255};
    }
  }
  return image;
}

Image RadioPicture(bool on) {
  Image image(kRadioSize, kRadioSize);
  const int last = kRadioSize - 1;
  for (int y = 0; y < kRadioSize; ++y) {
    for (int x = 0; x < kRadioSize; ++x) {
      const bool edge = x == 0 || y == 0 || x == last || y == last;
      const double t = static_cast<double>(y - 1) / (kRadioSize - 3);
      if (on) image.at(x, y) = edge ? Opaque(124, 170, 250) : Mix(Opaque(52, 110, 226), Opaque(18, 62, 178), t);
      else image.at(x, y) = edge ? Opaque(128, 128, 128) : Opaque(255, 255, 255);
    }
  }
  return image;
}

Image HandPicture() {
  // '#' black, 'o' white, '.' clear. The fingertip's middle pixel is (12, 10).
  static constexpr std::array<std::string_view, kHandSize> rows = {
      "................................", "................................",
      "................................", "................................",
      "................................", "................................",
      "................................", "................................",
      "................................", "................................",
      "...........###..................", "..........#ooo#.................",
      "..........#ooo#.................", "..........#ooo#.................",
      "..........#ooo#.................", "..........#ooo####..............",
      "..........#ooo#ooo####..........", "..........#ooo#ooo#ooo#.........",
      "..........#ooo#ooo#ooo###.......", "..........#ooo#ooo#ooo#oo#......",
      "......#####ooo#ooo#ooo#oo#......", ".....#oooo#ooo#ooo#ooo#oo#......",
      ".....#ooooooooooooooooooo#......", "......#oooooooooooooooooo#......",
      ".......#ooooooooooooooooo#......", "........#oooooooooooooooo#......",
      ".........#ooooooooooooooo#......", "..........#ooooooooooooo#.......",
      "..........#ooooooooooooo#.......", "..........#ooooooooooooo#.......",
      "..........###############.......", "................................",
  };
  Image image(kHandSize, kHandSize, kClear);
  for (std::string_view row : rows) {
    if (row.size() != kHandSize) throw std::logic_error("hand cursor rows must be 32 wide");
  }
  for (int y = 0; y < kHandSize; ++y) {
    for (int x = 0; x < kHandSize; ++x) {
      const char c = rows[static_cast<size_t>(y)][static_cast<size_t>(x)];
      if (c == '#') image.at(x, y) = Opaque(0, 0, 0);
      else if (c == 'o') image.at(x, y) = Opaque(255, 255, 255);
    }
  }
  return image;
}

Image IconPicture(int size) {
  if (size <= 0) throw std::invalid_argument("icon size");
  const double s = size;
  // Monitor body, screen and stand in fractions of the size; the screen's edges fall on
  // whole pixels so that its blocks stay sharp at every size.
  const int screenLeft = static_cast<int>(s * 0.12 + 0.5), screenRight = size - screenLeft;
  const int screenTop = static_cast<int>(s * 0.13 + 0.5);
  const int screenBottom = screenTop + static_cast<int>((screenRight - screenLeft) * 0.72 + 0.5);
  const double bodyLeft = screenLeft - s * 0.07, bodyRight = screenRight + s * 0.07;
  const double bodyTop = screenTop - s * 0.07, bodyBottom = screenBottom + s * 0.09;
  const double radius = s * 0.07;
  const int samples = size >= 128 ? 2 : 4;

  Image image(size, size, kClear);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      if (x >= screenLeft && x < screenRight && y >= screenTop && y < screenBottom) {
        const size_t col = static_cast<size_t>((x - screenLeft) * 5 / (screenRight - screenLeft));
        const size_t row = static_cast<size_t>((y - screenTop) * 4 / (screenBottom - screenTop));
        image.at(x, y) = kIconScreen[row][col];
        continue;
      }
      Average mean;
      for (int j = 0; j < samples; ++j) {
        for (int i = 0; i < samples; ++i) {
          const double px = x + (i + 0.5) / samples, py = y + (j + 0.5) / samples;
          Rgba c = kClear;
          if (InRoundRect(px, py, bodyLeft, bodyTop, bodyRight, bodyBottom, radius)) {
            // The bezel: light at the top edge, darker below.
            c = Mix(Opaque(96, 100, 112), Opaque(44, 46, 54), (py - bodyTop) / (bodyBottom - bodyTop));
            if (py - bodyTop < s / 48.0 + 0.5) c = Opaque(150, 154, 166);
          } else if (px >= s * 0.42 && px <= s * 0.58 && py > bodyBottom && py <= s * 0.86) {
            c = Opaque(70, 72, 82);  // the neck
          } else if (InRoundRect(px, py, s * 0.24, s * 0.84, s * 0.76, s * 0.93, s * 0.03)) {
            c = Mix(Opaque(110, 114, 126), Opaque(60, 62, 72), (py - s * 0.84) / (s * 0.09));  // the foot
          }
          mean.add(c);
        }
      }
      image.at(x, y) = mean.mean();
    }
  }
  return image;
}

std::vector<Rgba> IconPalette() {
  std::vector<Rgba> palette = {Opaque(0, 0, 0)};
  for (const auto& row : kIconScreen) palette.insert(palette.end(), row.begin(), row.end());
  for (int k = 1; k <= 19; ++k) {  // the bezel's blue-greys, dark to light
    palette.push_back(Mix(Opaque(36, 38, 46), Opaque(160, 164, 176), k / 19.0));
  }
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        if (r + g + b > 0) palette.push_back(Opaque(r * 51, g * 51, b * 51));
  return palette;  // 1 + 20 + 19 + 215 = 255 colours
}

}  // namespace artwork
