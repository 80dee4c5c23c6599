// The settings dialog's geometry: every size and place at a DPI (the layout's tables are
// at 96 dpi), the fonts for it, the track box's closed height, the start position, and
// what a move to a screen of another DPI changes.
#include "dialog/settings_dialog_win.h"

#include "controls/command_win.h"
#include "dialog/dialog_buttons.h"
#include "win/font.h"
#include "win/strings.h"

namespace dialog {

namespace {

constexpr int kVisibleListEntries = 8;

// Sizes a window so that its client area is w x h: the frame is what the platform draws
// around the client now, at the window's own DPI (which a test may not share).
void SetClientSize(HWND hwnd, int w, int h) {
  RECT outer{}, client{};
  GetWindowRect(hwnd, &outer);
  GetClientRect(hwnd, &client);
  const int frameW = (outer.right - outer.left) - client.right;
  const int frameH = (outer.bottom - outer.top) - client.bottom;
  SetWindowPos(hwnd, nullptr, 0, 0, w + frameW, h + frameH, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void SettingsDialog::Layout(int dpi) {
  dpi_ = dpi;
  labelFont_ = win::CreateUiFont(dpi);
  win::FontStyle link;
  link.underline = true;
  linkFont_ = win::CreateUiFont(dpi, link);
  win::FontStyle box;
  box.points = 9.0;  // a new window's own font on a Japanese system
  boxFont_ = win::CreateUiFont(dpi, box);

  // The window: the client area at this DPI, wherever it stands now.
  SetClientSize(hwnd(), Scale(kClientWidth, dpi), Scale(kClientHeight, dpi));

  const Rect panelAt = Scale(kPanel.rect, dpi);
  SetWindowPos(panel(), nullptr, panelAt.left, panelAt.top, panelAt.width, panelAt.height,
               SWP_NOZORDER | SWP_NOACTIVATE);

  // The track box: its closed height is the layout's, whatever the font makes of it.
  const Rect boxAt = Scale(kRepeatCombo.rect, dpi);
  SendMessageW(combo_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(boxFont_.get()), FALSE);
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

  const Rect barAt = Scale(kDegreeBar.rect, dpi);
  SetWindowPos(bar_.get(), nullptr, barAt.left, barAt.top, barAt.width, barAt.height,
               SWP_NOZORDER | SWP_NOACTIVATE);

  for (const StoredButton& stored : SettingsDialogButtons()) {
    controls::Command* b = button(stored.control.id);
    if (!b || !b->hwnd()) continue;
    const Rect at = Scale(stored.control.rect, dpi);
    SetWindowPos(b->hwnd(), nullptr, at.left, at.top, at.width, at.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
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
