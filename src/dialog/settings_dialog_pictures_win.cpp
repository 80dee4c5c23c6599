// The settings dialog's pictures: the program's bitmaps stretched to the DPI, the panel's
// texture tiles and the window's gradient, each drawn once into a persistent Surface.
#include "dialog/settings_dialog_win.h"

#include <algorithm>

#include "../../assets/resource.h"
#include "dialog/dialog_model.h"

namespace dialog {

namespace {

COLORREF ToColorRef(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

// A bitmap of the program's resources, stretched into `out` at w x h.
bool LoadPicture(int id, int w, int h, win::Surface& out) {
  win::UniqueBitmap bitmap(static_cast<HBITMAP>(
      LoadImageW(win::ThisModule(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  if (!bitmap || !out.create(w, h)) return false;
  BITMAP bm{};
  GetObjectW(bitmap.get(), sizeof bm, &bm);
  win::UniqueMemDc source(CreateCompatibleDC(nullptr));
  win::Selected picked(source.get(), bitmap.get());
  if (bm.bmWidth == w && bm.bmHeight == h) {
    return BitBlt(out.dc(), 0, 0, w, h, source.get(), 0, 0, SRCCOPY) != FALSE;
  }
  SetStretchBltMode(out.dc(), HALFTONE);
  SetBrushOrgEx(out.dc(), 0, 0, nullptr);
  return StretchBlt(out.dc(), 0, 0, w, h, source.get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY) != FALSE;
}

}  // namespace

void SettingsDialog::LoadPictures() {
  LoadPicture(IDB_TEXTURE, Scale(kTextureWidth, dpi_), Scale(kTextureHeight, dpi_), strip_);
  LoadPicture(IDB_RADIO_OFF, Scale(kRadioLookSize, dpi_), Scale(kRadioLookSize, dpi_), radioLooks_[0]);
  LoadPicture(IDB_RADIO_ON, Scale(kRadioLookSize, dpi_), Scale(kRadioLookSize, dpi_), radioLooks_[1]);
}

void SettingsDialog::TileBackground() {
  RECT client{};
  GetClientRect(panel(), &client);
  win::Surface& box = panel_->texture();
  if (!box.create(client.right, client.bottom)) return;
  win::UniqueBrush back(CreateSolidBrush(ToColorRef(kPanelBackColour)));
  FillRect(box.dc(), &client, back.get());
  if (strip_.empty()) return;
  for (const Point& p : TilePositions(strip_.width(), strip_.height(), box.width(), box.height())) {
    session_.LastApiResult =
        BitBlt(box.dc(), p.x, p.y, strip_.width(), strip_.height(), strip_.dc(), 0, 0, SRCCOPY);
  }
  InvalidateRect(panel(), nullptr, FALSE);
}

void SettingsDialog::DrawGradient() {
  RECT client{};
  GetClientRect(hwnd(), &client);
  const int w = client.right;
  const int h = client.bottom;
  if (w <= 0 || h <= 0) return;
  if (gradient_.width() != w || gradient_.height() != h) {
    if (!gradient_.create(w, h)) return;
  }
  GdiFlush();
  // The curve runs from row 0 to row h inclusive; row h lies just below the client area.
  for (int y = 0; y < h; ++y) {
    const Rgb c = GradientColour(y, h);
    const uint32_t pixel = (static_cast<uint32_t>(c.red) << 16) | (static_cast<uint32_t>(c.green) << 8) |
                           static_cast<uint32_t>(c.blue);
    std::fill_n(gradient_.bits() + static_cast<size_t>(y) * gradient_.stride(), w, pixel);
  }
  InvalidateRect(hwnd(), nullptr, FALSE);
}

}  // namespace dialog
