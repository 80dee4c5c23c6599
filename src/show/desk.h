// The desk the show covers: every monitor of the virtual screen, each with a picture of its
// own placed in the one show window. Rectangles are in virtual-screen coordinates (the
// primary monitor's top-left is (0, 0), so monitors left of or above it are negative);
// places inside the window are relative to the window's top-left corner.
#pragma once
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace show {

struct DeskRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  friend bool operator==(const DeskRect&, const DeskRect&) = default;
};

// The common part of two rectangles; empty when they do not overlap.
DeskRect Intersect(const DeskRect& a, const DeskRect& b);

// One monitor's picture: where the monitor is on the virtual screen, and where its picture
// goes in the window (x, y of its top-left corner).
struct MonitorPlace {
  DeskRect screen;
  int x = 0;
  int y = 0;
  int width() const { return screen.width(); }
  int height() const { return screen.height(); }
  friend bool operator==(const MonitorPlace&, const MonitorPlace&) = default;
};

struct DeskLayout {
  DeskRect window;                     // the show window, on the virtual screen
  std::vector<MonitorPlace> monitors;  // one picture each; what lies between them is black
};

// The show window over `virtualScreen` and every monitor (their bounding box, should the
// two ever disagree), and a picture for each monitor in the order given. Empty monitors
// and repeats of one rectangle (mirrored displays) get no picture of their own. With no
// monitor at all, the virtual screen is taken as the one monitor.
DeskLayout LayOutDesk(const DeskRect& virtualScreen, std::span<const DeskRect> monitors);

// A piece of an old monitor's picture that a new monitor's picture keeps after the desk
// changed: the part of the virtual screen that both monitors show, in each picture's own
// coordinates.
struct CarriedPiece {
  size_t from = 0;  // index of the old monitor
  size_t to = 0;    // index of the new monitor
  int fromX = 0;
  int fromY = 0;
  int toX = 0;
  int toY = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const CarriedPiece&, const CarriedPiece&) = default;
};

// What the new monitors keep of the old monitors' captures: every overlap on the virtual
// screen. What no old monitor showed stays black in the new pictures (it was never
// captured).
std::vector<CarriedPiece> CarryOver(std::span<const MonitorPlace> before, std::span<const MonitorPlace> after);

// What becomes of the monitors' pictures when the desk changes. A monitor whose place and
// size on the virtual screen are unchanged keeps its pictures, moved with the window; every
// other monitor gets new ones, and only those receive what the old captures showed of
// their part of the desk.
struct DeskChange {
  std::vector<std::optional<size_t>> keeps;  // per new monitor: the old monitor whose pictures it keeps
  std::vector<CarriedPiece> pieces;          // into the new monitors that get new pictures
};
DeskChange PlanDeskChange(std::span<const MonitorPlace> before, std::span<const MonitorPlace> after);

// How one monitor's capture came out.
enum class Capture {
  Desktop,     // at least two different pixels
  OneColour,   // every pixel of one colour
  CopyFailed,  // the copy from the screen itself failed
  NoPictures,  // the monitor has no pictures to capture into
};

// Which monitors show the blank-capture picture (the wallpaper, or the sample desktop)
// instead of their capture. A capture that fails as a whole (the secure desktop, a remote
// session, a copy the system refuses) blanks every monitor at once, while one monitor of
// one colour among others that show a desktop is real (a plain background with no taskbar,
// a black full-screen video). So a one-colour capture falls back only when no monitor
// captured a desktop; a copy that failed falls back as it would alone; a monitor without
// pictures has nothing to draw into and takes no part.
std::vector<bool> FallBackMonitors(std::span<const Capture> captures);

}  // namespace show
