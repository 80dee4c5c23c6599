// The settings dialog's geometry: the layout table in pixels at 96 dpi, its scaling to a
// window's DPI, the placement on the screen, the gradient of the window, the tiling of the
// panel's texture and the rectangles of the zoom animation.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace dialog {

// A rectangle by its left, top, width and height, in pixels.
struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int right() const { return left + width; }
  int bottom() const { return top + height; }
  bool contains(int x, int y) const { return x >= left && x < right() && y >= top && y < bottom(); }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Client area of the window at 96 dpi.
inline constexpr int kClientWidth = 496;
inline constexpr int kClientHeight = 246;

// A value given in pixels at 96 dpi, at `dpi`.
int Scale(int pixelsAt96, int dpi);
Rect Scale(const Rect& at96, int dpi);

// Which window a control sits in: the dialog's client area or the panel `Pic_C`.
enum class Container { Window, Panel };

// The windowed controls, by the ids their windows carry (so that tools and tests can find
// them with GetDlgItem).
enum ControlId : int {
  kIdPanel = 100,     // Pic_C, child of the window
  kIdRepeat = 101,    // BGM_Repeat, child of the panel
  kIdDegreeBar = 102, // HS_Doai, child of the panel
  kIdSet = 1001,      // Cmd_Set, child of the window
  kIdCancel = 1002,   // Cmd_Can, child of the window
  kIdFile = 1003,     // Cmd_File, child of the panel
};

struct WindowedControl {
  ControlId id;
  Container container;
  Rect rect;  // at 96 dpi, relative to the container's client area
};

inline constexpr WindowedControl kPanel{kIdPanel, Container::Window, {12, 16, 469, 165}};
inline constexpr WindowedControl kRepeatCombo{kIdRepeat, Container::Panel, {112, 52, 41, 20}};
inline constexpr WindowedControl kDegreeBar{kIdDegreeBar, Container::Panel, {328, 52, 89, 17}};
inline constexpr WindowedControl kSetButton{kIdSet, Container::Window, {324, 200, 77, 25}};
inline constexpr WindowedControl kCancelButton{kIdCancel, Container::Window, {404, 200, 77, 25}};
inline constexpr WindowedControl kFileButton{kIdFile, Container::Panel, {28, 116, 41, 21}};

// The labels. They have no windows: their container draws them on a transparent
// background. The numbers are those of the labels the dialog was designed with.
enum class Label {
  MusicHeading,   // lbl(15) "BGM"
  DegreeHeading,  // lbl(0)
  MusicCd,        // lbl_BGM(1)
  RepeatCaption,  // lbl(14)
  MusicNone,      // lbl_BGM(0)
  MusicFile,      // lbl_BGM(2)
  Degree,         // lbl_Doai
  FileName,       // lbl_Fname
  Credit,         // lbl(7)
  WebAddress,     // lbl_URL
};
inline constexpr int kLabelCount = 10;

enum class Align { Left, Centre };
enum class TextColour { Black, White };

struct LabelSpec {
  Label label;
  std::string_view name; // the label's name in the dialog's design ("lbl_Doai", "lbl(7)")
  Container container;
  Rect rect;             // at 96 dpi; an auto-sized label's width and height follow its text
  std::string_view text; // the design-time caption; empty for those set at run time
  TextColour colour;
  Align align;
  bool autoSize;
  bool border;           // a sunken single-line border (lbl_Fname)
  bool underline;        // the web address
};

// Every label, in drawing order.
const std::array<LabelSpec, kLabelCount>& Labels();
const LabelSpec& SpecOf(Label label);

// The outlines that frame the two headings (Shape3), inside the panel.
inline constexpr std::array<Rect, 2> kHeadingFrames{{{20, 20, 113, 21}, {276, 20, 113, 21}}};

// The radio marks Img_BGM, indexed by music kind; the rows stand 1, 0, 2 from the top.
inline constexpr std::array<Rect, 3> kRadioMarks{{{28, 76, 13, 13}, {28, 56, 13, 13}, {28, 96, 13, 13}}};
// The caption label of each row, indexed by music kind.
inline constexpr std::array<Label, 3> kRowCaptions{Label::MusicNone, Label::MusicCd, Label::MusicFile};

// Pictures kept by the dialog, in pixels of their own at 96 dpi.
inline constexpr int kTextureWidth = 556;   // Pic_Mbl
inline constexpr int kTextureHeight = 20;
inline constexpr int kRadioLookSize = 12;   // Img_Ra(0) off, Img_Ra(1) on

// Colours, 0xRRGGBB.
inline constexpr uint32_t kWindowBackColour = 0xC0C0C0;
inline constexpr uint32_t kPanelBackColour = 0xE0E0E0;

// Where the window goes: centred across, at a third of the free height down. Both use the
// outer size of the window; the divisions truncate toward zero.
struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};
Point PlaceWindow(int screenWidth, int screenHeight, int windowWidth, int windowHeight);

// The colour of row y of the window's gradient for a client height of `height`:
// c = |sin(y / (height / 3.142))| x 220, rounded; red c, green c, blue c + 30.
struct Rgb {
  int red = 0;
  int green = 0;
  int blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
Rgb GradientColour(int y, int height);

// Where TileBackground copies a w x h texture in a box of boxWidth x boxHeight: column by
// column from the top-left corner, each column one tile past the bottom edge, the last
// column past the right edge. Nothing for a texture without area.
std::vector<Point> TilePositions(int w, int h, int boxWidth, int boxHeight);

// The two rectangles of the zoom animation, in screen coordinates.
struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};
struct Zoom {
  ScreenRect from;
  ScreenRect to;
  friend bool operator==(const Zoom&, const Zoom&) = default;
};
// Opening: from the zero-size rectangle at the anchor to the window. Closing: back again.
Zoom OpeningZoom(Point anchor, const ScreenRect& window);
Zoom ClosingZoom(Point anchor, const ScreenRect& window);

}  // namespace dialog
