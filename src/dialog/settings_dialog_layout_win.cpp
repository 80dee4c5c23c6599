// The settings dialog's geometry: every size and place at a DPI (the layout's tables are
// at 96 dpi), the fonts for it, the track box's closed height, the start position, and
// what a move to a screen of another DPI changes.
#include "dialog/settings_dialog_win.h"

#include <utility>

#include "../../assets/resource.h"
#include "controls/command_win.h"
#include "dialog/dialog_buttons.h"
#include "dialog/rect_win.h"
#include "win/dpi.h"
#include "win/font.h"
#include "win/strings.h"

namespace dialog {

namespace {
constexpr int kVisibleListEntries = 8;
}  // namespace

SIZE SettingsDialog::WindowSizeFor(int dpi, int frameDpi) const {
  const RECT client{0, 0, Scale(kClientWidth, dpi), Scale(kClientHeight, dpi)};
  const RECT outer = win::WindowRectForClient(client, kWindowStyle, kWindowExStyle, frameDpi);
  return {outer.right - outer.left, outer.bottom - outer.top};
}

void SettingsDialog::SetFonts(int dpi) {
  win::UniqueFont label = win::CreateUiFont(dpi);
  win::FontStyle link;
  link.underline = true;
  win::UniqueFont linkFont = win::CreateUiFont(dpi, link);
  win::FontStyle box;
  box.points = 9.0;  // a new window's own font on a Japanese system
  win::UniqueFont boxFont = win::CreateUiFont(dpi, box);
  // The track box keeps using the font it was given: the old one goes only once the box
  // has the new one. The labels take theirs at the next paint.
  SendMessageW(combo_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(boxFont.get()), FALSE);
  boxFont_ = std::move(boxFont);
  labelFont_ = std::move(label);
  linkFont_ = std::move(linkFont);
}

void SettingsDialog::SetSmallIcon(int dpi) {
  // The class's small icon is at the system's metrics; the title bar wants the one for
  // this DPI. Not shared (LR_SHARED is for the standard sizes), so ours to destroy, after
  // the window has let go of the old one.
  const int side = win::SystemMetricAt(SM_CXSMICON, dpi);
  win::UniqueIcon icon(static_cast<HICON>(
      LoadImageW(win::ThisModule(), MAKEINTRESOURCEW(IDI_VESKAR), IMAGE_ICON, side, side, 0)));
  if (!icon) return;
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon.get()));
  smallIcon_ = std::move(icon);
}

void SettingsDialog::OnDpiChanged(int dpi, const RECT& suggested) {
  // The suggested rectangle is the size we answered to WM_GETDPISCALEDSIZE where the
  // platform asks, and the old one scaled where it does not; Layout then sets the exact
  // size from the place the platform chose.
  SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  Layout(dpi);
}

void SettingsDialog::FitRepeatBox(const Rect& boxAt) {
  // The track box: its closed height is the layout's, whatever the font makes of it.
  const int entryHeight = static_cast<int>(SendMessageW(combo_.get(), CB_GETITEMHEIGHT, 0, 0));
  SetWindowPos(combo_.get(), nullptr, boxAt.left, boxAt.top, boxAt.width,
               boxAt.height + entryHeight * kVisibleListEntries + 2, SWP_NOZORDER | SWP_NOACTIVATE);
  // The selection field's height sets the closed height; how much frame the box adds
  // differs between platforms (Wine adds two pixels to what it is asked for), so ask
  // again by what is still missing.
  int field = static_cast<int>(SendMessageW(combo_.get(), CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  for (int attempt = 0; attempt < 3; ++attempt) {
    RECT closed{};
    GetWindowRect(combo_.get(), &closed);
    const int excess = (closed.bottom - closed.top) - boxAt.height;
    if (excess == 0 || field - excess <= 0) break;
    field -= excess;
    SendMessageW(combo_.get(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
  }
}

void SettingsDialog::Layout(int dpi) {
  dpi_ = dpi;
  SetFonts(dpi);
  SetSmallIcon(dpi);

  // The window: the client area at this DPI, wherever it stands now. The frame is drawn
  // at the window's own DPI, which a test that forces the layout's may not share.
  const SIZE outer = WindowSizeFor(dpi, win::DpiOf(hwnd()));
  SetWindowPos(hwnd(), nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  PlaceChild(panel(), Scale(kPanel.rect, dpi));

  FitRepeatBox(Scale(kRepeatCombo.rect, dpi));

  PlaceChild(bar_.get(), Scale(kDegreeBar.rect, dpi));

  for (const StoredButton& stored : SettingsDialogButtons()) {
    controls::Command* b = button(stored.control.id);
    if (!b || !b->hwnd()) continue;
    PlaceChild(b->hwnd(), Scale(stored.control.rect, dpi));
    if (b->dpi() != dpi) b->SetDpi(dpi);
  }

  LoadPictures();
  MeasureLabels();
  if (!panel_->texture().empty()) TileBackground();
  DrawGradient();
  InvalidateRect(hwnd(), nullptr, FALSE);
  InvalidateRect(panel(), nullptr, FALSE);
}

void SettingsDialog::PlaceAtStart() {
  RECT outer{};
  GetWindowRect(hwnd(), &outer);
  const Point at = PlaceWindow(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                               outer.right - outer.left, outer.bottom - outer.top);
  SetWindowPos(hwnd(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace dialog
