// Twips (1/1440 inch) and pixels. Geometry tables keep their units; conversions happen here.
#pragma once
#include <cmath>
#include <cstdint>

namespace common {

constexpr int kTwipsPerInch = 1440;
constexpr int kStandardDpi = 96;  // 15 twips per pixel

inline double TwipsPerPixel(int dpi) { return static_cast<double>(kTwipsPerInch) / (dpi > 0 ? dpi : kStandardDpi); }

// A length in twips as whole pixels at `dpi`, rounded to nearest (halves away from zero).
inline int TwipsToPixels(double twips, int dpi) {
  return static_cast<int>(std::lround(twips / TwipsPerPixel(dpi)));
}

// A length given in pixels at 96 dpi, scaled to `dpi`.
inline int ScalePixels(int pixelsAt96, int dpi) {
  return static_cast<int>(std::lround(static_cast<double>(pixelsAt96) * (dpi > 0 ? dpi : kStandardDpi) / kStandardDpi));
}

}  // namespace common
