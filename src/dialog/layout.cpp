#include "dialog/layout.h"

#include <cmath>

#include "common/twips.h"

namespace dialog {

int Scale(int pixelsAt96, int dpi) { return common::ScalePixels(pixelsAt96, dpi); }

Rect Scale(const Rect& r, int dpi) {
  // Edges are scaled, not sizes, so that neighbours that touch at 96 dpi still touch.
  const int left = Scale(r.left, dpi);
  const int top = Scale(r.top, dpi);
  return {left, top, Scale(r.left + r.width, dpi) - left, Scale(r.top + r.height, dpi) - top};
}

const std::array<LabelSpec, kLabelCount>& Labels() {
  using enum Label;
  using enum Container;
  using enum TextColour;
  using enum Align;
  static const std::array<LabelSpec, kLabelCount> labels{{
      {MusicHeading, "lbl(15)", Panel, {20, 24, 111, 13}, "BGM", Black, Centre, false, false, false},
      {DegreeHeading, "lbl(0)", Panel, {276, 24, 115, 13}, "ﾍﾞｽｶﾙの度合い", Black, Centre, false, false, false},
      {MusicCd, "lbl_BGM(1)", Panel, {44, 56, 43, 13}, "音楽CD", Black, Left, true, false, false},
      {RepeatCaption, "lbl(14)", Panel, {156, 56, 66, 13}, "曲目をﾘﾋﾟｰﾄ", Black, Left, true, false, false},
      {MusicNone, "lbl_BGM(0)", Panel, {44, 76, 22, 13}, "なし", Black, Left, true, false, false},
      {MusicFile, "lbl_BGM(2)", Panel, {44, 96, 60, 13}, "MP3、WAV", Black, Left, true, false, false},
      {Degree, "lbl_Doai", Panel, {328, 72, 89, 13}, "99", Black, Centre, false, false, false},
      {FileName, "lbl_Fname", Panel, {72, 116, 373, 33}, "", Black, Left, false, true, false},
      {Credit, "lbl(7)", Window, {12, 192, 165, 13}, "", White, Left, true, false, false},
      {WebAddress, "lbl_URL", Window, {12, 208, 207, 13}, "", White, Left, true, false, true},
  }};
  return labels;
}

const LabelSpec& SpecOf(Label label) { return Labels()[static_cast<size_t>(label)]; }

Point PlaceWindow(int screenWidth, int screenHeight, int windowWidth, int windowHeight) {
  // C++ integer division truncates toward zero, as the placement wants.
  return {(screenWidth - windowWidth) / 2, (screenHeight - windowHeight) / 3};
}

Rgb GradientColour(int y, int height) {
  const double d = height / 3.142;  // 3.142, not pi: the bottom row is not quite black
  const double s = d != 0.0 ? std::sin(y / d) : 0.0;
  const int c = static_cast<int>(std::nearbyint(std::fabs(s) * 220.0));
  return {c, c, c + 30};
}

std::vector<Point> TilePositions(int w, int h, int boxWidth, int boxHeight) {
  std::vector<Point> out;
  if (w <= 0 || h <= 0) return out;  // a texture without area would never leave the box
  int x = 0;
  int y = 0;
  for (;;) {
    out.push_back({x, y});
    if (y > boxHeight) {
      if (x > boxWidth) break;
      x += w;
      y = 0;
    } else {
      y += h;
    }
  }
  return out;
}

Zoom OpeningZoom(Point anchor, const ScreenRect& window) {
  return {{anchor.x, anchor.y, anchor.x, anchor.y}, window};
}

Zoom ClosingZoom(Point anchor, const ScreenRect& window) {
  return {window, {anchor.x, anchor.y, anchor.x, anchor.y}};
}

}  // namespace dialog
