// Pic_C, the settings dialog's panel: a child window with a persistent picture (the back
// colour and the tiled texture) that it copies on every paint, with what its owner draws
// over the copy (frames, radio marks, labels). It knows its owner only through PanelOwner.
#pragma once
#include <windows.h>

#include "win/handle.h"
#include "win/surface.h"
#include "win/window.h"

namespace dialog {

// A paint of a window that shows a persistent picture with parts drawn over it: the
// picture is copied into `compose`, `drawOver(dc)` draws there, and the screen gets one
// copy (no flicker, and the picture itself stays clean).
template <typename DrawOver>
void PaintComposed(HWND hwnd, const win::Surface& picture, win::Surface& compose, DrawOver drawOver) {
  win::PaintDc paint(hwnd);
  if (picture.empty()) return;
  if (compose.width() != picture.width() || compose.height() != picture.height()) {
    compose.create(picture.width(), picture.height());
  }
  picture.copyTo(compose.dc());
  drawOver(compose.dc());
  compose.copyTo(paint.get());
}

// What the panel asks of the window it belongs to.
class PanelOwner {
 public:
  // Draws the windowless parts over the panel's picture (in panel coordinates).
  virtual void DrawOverPanel(HDC dc) const = 0;
  // A mouse button (any of them) went down at (x, y) of the panel.
  virtual void PanelPressed(int x, int y) = 0;
  // The panel's horizontal scroll bar `bar` sent WM_HSCROLL with `wp`.
  virtual void PanelScrolled(HWND bar, WPARAM wp) = 0;
  // WM_GETOBJECT: the answer for assistive technology, 0 for the platform's own.
  virtual LRESULT PanelGetObject(WPARAM wp, LPARAM lp) = 0;
  // `window` took (`gained`) or lost the keyboard focus: the panel itself (it stands for
  // the music-source choice) or a control on it that tells its parent (the track box).
  virtual void PanelFocusChanged(HWND window, bool gained) = 0;

 protected:
  ~PanelOwner() = default;
};

class Panel final : public win::Window {
 public:
  explicit Panel(PanelOwner& owner) : owner_(owner) {}

  bool make(HWND parent, int id);

  // The persistent picture; the owner fills it (TileBackground) and the panel shows it.
  win::Surface& texture() { return texture_; }
  const win::Surface& texture() const { return texture_; }

 protected:
  LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp) override;

 private:
  PanelOwner& owner_;
  win::Surface texture_;
  win::Surface compose_;  // the picture with the owner's parts, for the screen
};

}  // namespace dialog
