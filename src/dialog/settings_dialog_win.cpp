// The settings dialog's windows. The window and the panel each keep a persistent picture
// (the gradient, the tiled texture) and draw their windowless parts over a copy of it on
// every paint: labels, heading frames and radio marks. The track box, the degree bar and
// the buttons are child windows. Main runs the dialog with RunModal.
#include "dialog/settings_dialog_win.h"

#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <cstddef>
#include <utility>

#include "../../assets/resource.h"
#include "controls/command_win.h"
#include "dialog/dialog_buttons.h"
#include "dialog/dialog_model.h"
#include "dialog/identity.h"
#include "settings/settings.h"
#include "win/dpi.h"
#include "win/font.h"
#include "win/strings.h"

namespace dialog {

// The file-open request is the platform's first layout, without the members that later
// versions added (OPENFILENAME_SIZE_VERSION_400W, which is no constant expression): 76
// bytes in a 32-bit program.
constexpr DWORD kFirstLayoutSize = offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(LPCWSTR);
static_assert(sizeof(void*) != 4 || kFirstLayoutSize == 76);

namespace {

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_CONTROLPARENT;
constexpr int kIdaniCaption = 3;  // IDANI_CAPTION: a title-bar outline
constexpr int kVisibleListEntries = 8;

COLORREF ToColorRef(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

RECT ToRECT(const Rect& r) { return {r.left, r.top, r.right(), r.bottom()}; }

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

std::wstring RectText(const Rect& r) {
  return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.width) +
         L"," + std::to_wstring(r.height);
}

}  // namespace

UINT QueryMessage() {
  static const UINT message = RegisterWindowMessageW(kQueryMessageName);
  return message;
}

Platform Platform::Real(settings::FilePort& files) {
  Platform p;
  p.drawAnimatedRects = [](HWND hwnd, int id, const RECT* from, const RECT* to) {
    return DrawAnimatedRects(hwnd, id, from, to);
  };
  p.getOpenFileName = [](OPENFILENAMEW* request) { return GetOpenFileNameW(request); };
  p.shellExecute = [](HWND owner, const wchar_t* op, const wchar_t* file, const wchar_t* params,
                      const wchar_t* folder, int show) {
    return ShellExecuteW(owner, op, file, params, folder, show);
  };
  p.messageBox = [](HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    return MessageBoxW(owner, text, caption, type);
  };
  p.getCursorPos = [](POINT* at) { return GetCursorPos(at); };
  p.files = &files;
  return p;
}

// ---- the zoom animation

namespace {
ScreenRect WindowRectOf(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return {r.left, r.top, r.right, r.bottom};
}

void Animate(HWND hwnd, const Zoom& zoom, const Platform& platform) {
  const RECT from{zoom.from.left, zoom.from.top, zoom.from.right, zoom.from.bottom};
  const RECT to{zoom.to.left, zoom.to.top, zoom.to.right, zoom.to.bottom};
  if (platform.drawAnimatedRects) platform.drawAnimatedRects(hwnd, kIdaniCaption, &from, &to);
}
}  // namespace

void AnimateOpen(HWND hwnd, Point anchor, const Platform& platform) {
  Animate(hwnd, OpeningZoom(anchor, WindowRectOf(hwnd)), platform);
}

void AnimateClose(HWND hwnd, Point anchor, const Platform& platform) {
  Animate(hwnd, ClosingZoom(anchor, WindowRectOf(hwnd)), platform);
}

// ---- the panel Pic_C

class SettingsDialog::Panel final : public win::Window {
 public:
  explicit Panel(SettingsDialog& owner) : owner_(owner) {}

  bool make(HWND parent) {
    return create({L"Veskar.Panel"}, WS_EX_CLIENTEDGE | WS_EX_CONTROLPARENT,
                  WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, L"", 0, 0, 1, 1, parent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdPanel)));
  }

  win::Surface texture;  // Pic_C's persistent image: the back colour and the tiles
  win::Surface compose;

 protected:
  LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    switch (msg) {
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT:
        paint();
        return 0;
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN:
      case WM_MBUTTONDOWN:
      case WM_XBUTTONDOWN:
        owner_.PanelMouseDown(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return msg == WM_XBUTTONDOWN ? TRUE : 0;
      case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lp) == owner_.bar_.get()) owner_.OnScroll(wp);
        return 0;
      default:
        return Window::onMessage(msg, wp, lp);
    }
  }

 private:
  void paint() {
    win::PaintDc paint(hwnd());
    if (texture.empty()) return;
    if (compose.width() != texture.width() || compose.height() != texture.height()) {
      compose.create(texture.width(), texture.height());
    }
    texture.copyTo(compose.dc());
    HDC dc = compose.dc();
    // The heading frames (Shape3): one-pixel black outlines.
    win::UniqueBrush black(CreateSolidBrush(RGB(0, 0, 0)));
    for (const Rect& frame : kHeadingFrames) {
      const RECT r = ToRECT(Scale(frame, owner_.dpi_));
      FrameRect(dc, &r, black.get());
    }
    // The radio marks (Img_BGM): the on look for the marked row, the off look elsewhere.
    for (int kind = 0; kind < 3; ++kind) {
      const win::Surface& look = owner_.radioLooks_[kind == owner_.markedKind_ ? 1 : 0];
      const Rect at = owner_.markRect(kind);
      look.copyTo(dc, at.left, at.top);
    }
    owner_.DrawLabels(dc, Container::Panel);
    compose.copyTo(paint.get());
  }

  SettingsDialog& owner_;
};

// ---- the dialog

SettingsDialog::SettingsDialog(app::Session& session, Platform platform)
    : session_(session), platform_(std::move(platform)) {
  for (const LabelSpec& spec : Labels()) texts_[static_cast<size_t>(spec.label)] = spec.text;
  texts_[static_cast<size_t>(Label::Credit)] = CreditLine();
  texts_[static_cast<size_t>(Label::WebAddress)] = WebAddress();
}

SettingsDialog::~SettingsDialog() {
  // Destroy the windows while every member they reach is still alive.
  if (hwnd()) DestroyWindow(hwnd());
}

HWND SettingsDialog::panel() const { return panel_ ? panel_->hwnd() : nullptr; }

controls::Command* SettingsDialog::button(int id) const {
  for (size_t i = 0; i < buttons_.size(); ++i) {
    if (SettingsDialogButtons()[i].control.id == id) return buttons_[i].get();
  }
  return nullptr;
}

Rect SettingsDialog::markRect(int kind) const {
  if (kind < 0 || kind > 2) return {};
  return Scale(kRadioMarks[static_cast<size_t>(kind)], dpi_);
}

int SettingsDialog::markedRow() const { return markedKind_; }
bool SettingsDialog::repeatEnabled() const { return combo_ && IsWindowEnabled(combo_.get()); }
bool SettingsDialog::fileEnabled() const {
  const controls::Command* file = button(kIdFile);
  return file && file->model().state().Enabled;
}

int SettingsDialog::barPosition() const {
  SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, 0, 0};
  GetScrollInfo(bar_.get(), SB_CTL, &si);
  return si.nPos;
}

std::string SettingsDialog::repeatText() const {
  const int n = GetWindowTextLengthW(combo_.get());
  std::wstring text(static_cast<size_t>(std::max(n, 0)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(combo_.get(), text.data(), n + 1)));
  return win::narrow(text);
}

bool SettingsDialog::Load() {
  loading_ = true;
  const bool loaded = LoadSequence();
  loading_ = false;
  if (!loaded) return false;
  if (closeRequested_) Unload();
  return true;
}

bool SettingsDialog::LoadSequence() {
  if (!CreateControls()) return false;
  // 1. Place the window on the screen.
  PlaceAtStart();
  // 2. Initialise the skinned buttons.
  InitButtons();
  // 3. Tile the panel with the texture.
  TileBackground();
  // 4. The degree: the bar when the degree is in its range, the label always.
  SetBarPosition(BarPositionFor(session_.settings.Degree, barPosition()));
  SetDegreeLabel(session_.settings.Degree);
  // 5. The music kind.
  ShowMusicKind(session_.settings.MusicKind);
  // 6. The track box: its text first, then its entries.
  SetWindowTextW(combo_.get(), win::widen(RepeatText(session_.settings.RepeatTrack)).c_str());
  for (const std::string& entry : RepeatEntries()) {
    SendMessageW(combo_.get(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win::widen(entry).c_str()));
  }
  // 7. The music file.
  SetLabel(Label::FileName, session_.settings.MusicFile);
  // 8. The anchor of the zoom: where the pointer is now.
  POINT at{};
  const BOOL got = platform_.getCursorPos ? platform_.getCursorPos(&at) : FALSE;
  session_.LastApiResult = got;
  anchor_ = got ? Point{at.x, at.y} : Point{0, 0};
  // 9. The opening zoom.
  AnimateOpen(hwnd(), anchor_, platform_);
  // 10. The application-wide pointer back to the default.
  cursorOverride_ = nullptr;

  ShowWindow(hwnd(), SW_SHOW);
  SetForegroundWindow(hwnd());
  UpdateWindow(hwnd());
  return true;
}

bool SettingsDialog::CreateControls() {
  const HICON icon = static_cast<HICON>(LoadImageW(win::ThisModule(), MAKEINTRESOURCEW(IDI_VESKAR),
                                                   IMAGE_ICON, 32, 32, LR_SHARED));
  const HICON smallIcon = static_cast<HICON>(
      LoadImageW(win::ThisModule(), MAKEINTRESOURCEW(IDI_VESKAR), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  const win::WindowClass cls{L"Veskar.SettingsDialog", 0, nullptr, nullptr, icon, smallIcon};
  if (!create(cls, kWindowExStyle, kWindowStyle, win::widen(kTitle), CW_USEDEFAULT, CW_USEDEFAULT,
              Scale(kClientWidth, 96), Scale(kClientHeight, 96))) {
    return false;
  }
  handCursor_ = LoadCursorW(win::ThisModule(), MAKEINTRESOURCEW(IDC_LINK_HAND));
  if (!handCursor_) handCursor_ = LoadCursorW(nullptr, IDC_HAND);

  panel_ = std::make_unique<Panel>(*this);
  if (!panel_->make(hwnd())) return false;
  combo_.reset(CreateWindowExW(0, L"COMBOBOX", L"",
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN |
                                   CBS_AUTOHSCROLL,
                               0, 0, 1, 1, panel(),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdRepeat)),
                               win::ThisModule(), nullptr));
  bar_.reset(CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | SBS_HORZ, 0,
                             0, 1, 1, panel(),
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdDegreeBar)),
                             win::ThisModule(), nullptr));
  if (!combo_ || !bar_) return false;
  // The bar's range and steps; no page size, so the thumb keeps its standard size and the
  // whole range can be reached.
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_POS | SIF_PAGE, kDegreeMin, kDegreeMax, 0, kDegreeStart, 0};
  SetScrollInfo(bar_.get(), SB_CTL, &si, FALSE);

  // The buttons, each loaded from its stored data with the dialog's font as its
  // container's, placed at its parent's DPI (Layout below places them again for the
  // dialog's).
  const controls::FontDesc ambient = SettingsDialogAmbientFont();
  for (size_t i = 0; i < buttons_.size(); ++i) {
    const StoredButton& stored = SettingsDialogButtons()[i];
    const HWND parent = stored.control.container == Container::Panel ? panel() : hwnd();
    const Rect at = Scale(stored.control.rect, win::DpiOf(parent));
    auto button = std::make_unique<controls::Command>();
    if (button->Create(parent, at.left, at.top, at.width, at.height, stored.control.id,
                       &stored.properties, ambient)) {
      buttons_[i] = std::move(button);
    }
  }
  if (controls::Command* b = button(kIdSet)) b->onClick = [this] { Confirm(); };
  if (controls::Command* b = button(kIdCancel)) b->onClick = [this] { Cancel(); };
  if (controls::Command* b = button(kIdFile)) b->onClick = [this] { ChooseFile(); };

  Layout(platform_.dpi > 0 ? platform_.dpi : win::DpiOf(hwnd()));
  return true;
}

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
  if (!panel_->texture.empty()) TileBackground();
  DrawGradient();
  InvalidateRect(hwnd(), nullptr, FALSE);
  InvalidateRect(panel(), nullptr, FALSE);
}

void SettingsDialog::LoadPictures() {
  LoadPicture(IDB_TEXTURE, Scale(kTextureWidth, dpi_), Scale(kTextureHeight, dpi_), strip_);
  LoadPicture(IDB_RADIO_OFF, Scale(kRadioLookSize, dpi_), Scale(kRadioLookSize, dpi_), radioLooks_[0]);
  LoadPicture(IDB_RADIO_ON, Scale(kRadioLookSize, dpi_), Scale(kRadioLookSize, dpi_), radioLooks_[1]);
}

void SettingsDialog::MeasureLabels() {
  win::WindowDc screen(nullptr);
  for (const LabelSpec& spec : Labels()) {
    Rect r = Scale(spec.rect, dpi_);
    if (spec.autoSize) {
      // An auto-sized label is as wide and as high as its text.
      win::Selected font(screen.get(), spec.underline ? linkFont_.get() : labelFont_.get());
      const std::wstring text = win::widen(texts_[static_cast<size_t>(spec.label)]);
      SIZE size{};
      GetTextExtentPoint32W(screen.get(), text.c_str(), static_cast<int>(text.size()), &size);
      TEXTMETRICW tm{};
      GetTextMetricsW(screen.get(), &tm);
      r.width = size.cx;
      r.height = tm.tmHeight;
    }
    labelRects_[static_cast<size_t>(spec.label)] = r;
  }
}

void SettingsDialog::PlaceAtStart() {
  RECT outer{};
  GetWindowRect(hwnd(), &outer);
  const Point at = PlaceWindow(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                               outer.right - outer.left, outer.bottom - outer.top);
  SetWindowPos(hwnd(), nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SettingsDialog::InitButtons() {
  for (const auto& b : buttons_) {
    if (b) b->Initialize();
  }
}

void SettingsDialog::TileBackground() {
  RECT client{};
  GetClientRect(panel(), &client);
  win::Surface& box = panel_->texture;
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

void SettingsDialog::SetDegreeLabel(int value) { SetLabel(Label::Degree, DegreeText(value)); }

void SettingsDialog::SetBarPosition(int value) {
  if (value == barPosition()) return;
  SetScrollPos(bar_.get(), SB_CTL, value, TRUE);
  SetDegreeLabel(value);  // the bar's change event
}

void SettingsDialog::ShowMusicKind(int kind) {
  const MusicKindView view = dialog::ShowMusicKind(kind);
  markedKind_ = -1;
  for (int k = 0; k < 3; ++k) {
    if (view.marked[static_cast<size_t>(k)]) markedKind_ = k;
  }
  EnableWindow(combo_.get(), view.repeatEnabled);
  if (controls::Command* file = button(kIdFile)) file->SetEnabled(view.fileEnabled);
  for (int k = 0; k < 3; ++k) {
    const RECT r = ToRECT(markRect(k));
    InvalidateRect(panel(), &r, FALSE);
  }
}

void SettingsDialog::SetLabel(Label label, const std::string& text) {
  const size_t i = static_cast<size_t>(label);
  const LabelSpec& spec = SpecOf(label);
  const HWND container = spec.container == Container::Panel ? panel() : hwnd();
  RECT before = ToRECT(labelRects_[i]);
  InvalidateRect(container, &before, FALSE);
  texts_[i] = text;
  if (spec.autoSize) MeasureLabels();
  RECT after = ToRECT(labelRects_[i]);
  InvalidateRect(container, &after, FALSE);
}

void SettingsDialog::DrawLabels(HDC dc, Container container) const {
  SetBkMode(dc, TRANSPARENT);
  for (const LabelSpec& spec : Labels()) {
    if (spec.container != container) continue;
    const Rect r = labelRects_[static_cast<size_t>(spec.label)];
    RECT box = ToRECT(r);
    UINT format = DT_NOPREFIX | DT_TOP;
    if (spec.border) {
      // A single-line border, sunken like the panel's; the text wraps inside it.
      DrawEdge(dc, &box, EDGE_SUNKEN, BF_RECT);
      InflateRect(&box, -3, -2);
      format |= DT_WORDBREAK | DT_EDITCONTROL;
    } else {
      format |= DT_SINGLELINE | DT_NOCLIP;
    }
    if (spec.align == Align::Centre) format |= DT_CENTER;
    win::Selected font(dc, spec.underline ? linkFont_.get() : labelFont_.get());
    SetTextColor(dc, spec.colour == TextColour::White ? RGB(255, 255, 255) : RGB(0, 0, 0));
    const std::wstring text = win::widen(texts_[static_cast<size_t>(spec.label)]);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box, format);
  }
}

void SettingsDialog::PaintWindow() {
  win::PaintDc paint(hwnd());
  if (gradient_.empty()) return;
  if (compose_.width() != gradient_.width() || compose_.height() != gradient_.height()) {
    compose_.create(gradient_.width(), gradient_.height());
  }
  gradient_.copyTo(compose_.dc());
  DrawLabels(compose_.dc(), Container::Window);
  compose_.copyTo(paint.get());
}

// ---- actions

void SettingsDialog::Confirm() {
  if (unloading_) return;
  const settings::SavedValues values = ConfirmedValues(barPosition(), session_.settings, repeatText());
  session_.settings.RepeatTrack = values.repeatTrack;
  const std::string path = settings::SettingsPath(session_.programFolder);
  const bool saved = platform_.files &&
                     settings::SaveSettings(*platform_.files, path, values, session_.LastApiResult);
  if (saved) {
    Unload();
    return;
  }
  // Nothing was written; the user may fix the cause and press 設定 again, or cancel.
  if (platform_.messageBox) {
    platform_.messageBox(hwnd(), win::widen(SaveFailedMessage(path)).c_str(),
                         win::widen(kSaveFailedCaption).c_str(), MB_OK | MB_ICONWARNING);
  }
}

void SettingsDialog::Cancel() { Unload(); }

void SettingsDialog::ChooseFile() {
  if (!platform_.getOpenFileName) return;
  std::wstring file(kFileBufferChars, L'\0');
  std::wstring fileTitle(kFileBufferChars, L'\0');
  const std::wstring filter = win::widen(FileFilter());
  const std::wstring folder = win::widen(session_.settings.MusicFolder);
  const std::wstring title = win::widen(kFileDialogTitle);
  OPENFILENAMEW request{};
  request.lStructSize = kFirstLayoutSize;
  request.hwndOwner = hwnd();
  request.hInstance = win::ThisModule();
  request.lpstrFilter = filter.c_str();
  request.lpstrFile = file.data();
  request.nMaxFile = kFileBufferChars;
  request.lpstrFileTitle = fileTitle.data();
  request.nMaxFileTitle = kFileBufferChars;
  request.lpstrInitialDir = folder.c_str();
  request.lpstrTitle = title.c_str();
  request.Flags = 0;
  const BOOL chosen = platform_.getOpenFileName(&request);
  session_.LastApiResult = chosen;
  if (chosen <= 0) return;
  if (!TakeChosenFile(session_.settings, win::narrow(std::wstring_view(file.c_str())))) return;
  SetLabel(Label::FileName, session_.settings.MusicFile);
}

void SettingsDialog::ChooseMusicSource(int kind) {
  session_.settings.MusicKind = static_cast<int16_t>(kind);
  ShowMusicKind(kind);
}

void SettingsDialog::OpenWebPage() {
  cursorOverride_ = LoadCursorW(nullptr, IDC_WAIT);
  SetCursor(cursorOverride_);
  if (platform_.shellExecute) {
    platform_.shellExecute(hwnd(), L"open", win::widen(labelText(Label::WebAddress)).c_str(), L"",
                           L"", SW_SHOWNORMAL);
  }
  cursorOverride_ = nullptr;
  RestoreCursor();
}

void SettingsDialog::Unload() {
  if (unloading_ || !hwnd()) return;
  unloading_ = true;
  AnimateClose(hwnd(), anchor_, platform_);
  DestroyWindow(hwnd());
}

void SettingsDialog::RequestClose() {
  if (loading_) {
    closeRequested_ = true;
    return;
  }
  Cancel();
}

void SettingsDialog::onDestroyed() {
  // A window destroyed while its thread waits in GetMessage (a close sent by another
  // program is handled inside that call) leaves nothing posted that would let RunModal
  // look again: wake it.
  PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
}

int SettingsDialog::RunModal() {
  MSG msg;
  while (hwnd()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      // WM_QUIT: the program is asked to end; the dialog goes as on a close, nothing saved.
      Unload();
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    // Tab and the arrow keys move between the track box, the bar and the buttons.
    if (!IsDialogMessageW(hwnd(), &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return 0;
}

// ---- input

void SettingsDialog::PanelMouseDown(int x, int y) {
  // Any button on a mark or on its caption chooses that row at once.
  for (int kind = 0; kind < 3; ++kind) {
    if (markRect(kind).contains(x, y) ||
        labelRect(kRowCaptions[static_cast<size_t>(kind)]).contains(x, y)) {
      ChooseMusicSource(kind);
      return;
    }
  }
}

void SettingsDialog::OnScroll(WPARAM wp) {
  const int current = barPosition();
  int next = current;
  switch (LOWORD(wp)) {
    case SB_LINELEFT: next = ScrollTo(current, ScrollAction::LineLeft); break;
    case SB_LINERIGHT: next = ScrollTo(current, ScrollAction::LineRight); break;
    case SB_PAGELEFT: next = ScrollTo(current, ScrollAction::PageLeft); break;
    case SB_PAGERIGHT: next = ScrollTo(current, ScrollAction::PageRight); break;
    case SB_LEFT: next = ScrollTo(current, ScrollAction::ToLeft); break;
    case SB_RIGHT: next = ScrollTo(current, ScrollAction::ToRight); break;
    case SB_THUMBTRACK:     // the thumb being dragged
    case SB_THUMBPOSITION:  // the thumb let go
      next = ScrollTo(current, ScrollAction::Thumb, HIWORD(wp));
      break;
    default:
      return;
  }
  SetBarPosition(next);
}

bool SettingsDialog::OverWebAddress(int x, int y) const {
  return labelRect(Label::WebAddress).contains(x, y);
}

bool SettingsDialog::SetCursorFor(HWND over, WORD hitTest) {
  if (cursorOverride_) {
    SetCursor(cursorOverride_);
    return true;
  }
  if (over == hwnd() && hitTest == HTCLIENT) {
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(hwnd(), &p);
    if (OverWebAddress(p.x, p.y)) {
      SetCursor(handCursor_);
      return true;
    }
  }
  return false;
}

void SettingsDialog::RestoreCursor() {
  POINT p{};
  GetCursorPos(&p);
  const HWND under = WindowFromPoint(p);
  if (under && (under == hwnd() || IsChild(hwnd(), under))) {
    const LRESULT hit = SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
    SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                 MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
  } else {
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  }
}

// ---- what the dialog shows, for tools

std::wstring SettingsDialog::Snapshot() const {
  std::wstring s;
  auto line = [&s](const std::wstring& name, const std::wstring& value) {
    s += name + L"=" + value + L"\n";
  };
  for (const LabelSpec& spec : Labels()) {
    const std::wstring name = win::widen(spec.name);
    line(name, win::widen(labelText(spec.label)));
    line(L"rect." + name, RectText(labelRect(spec.label)));
  }
  for (int kind = 0; kind < 3; ++kind) {
    line(L"rect.Img_BGM(" + std::to_wstring(kind) + L")", RectText(markRect(kind)));
  }
  line(L"marked", std::to_wstring(markedRow()));
  line(L"Cmd_File.enabled", fileEnabled() ? L"1" : L"0");
  line(L"anchor", std::to_wstring(anchor_.x) + L"," + std::to_wstring(anchor_.y));
  return s;
}

void SettingsDialog::AnswerQuery(HWND replyTo) const {
  if (!IsWindow(replyTo)) return;
  const std::wstring text = Snapshot();
  COPYDATASTRUCT data{};
  data.dwData = 1;
  data.cbData = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  data.lpData = const_cast<wchar_t*>(text.data());
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(replyTo, WM_COPYDATA, reinterpret_cast<WPARAM>(hwnd()),
                      reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 2000, &ignored);
}

LRESULT SettingsDialog::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == QueryMessage() && msg != 0) {
    AnswerQuery(reinterpret_cast<HWND>(wp));
    return 1;
  }
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      PaintWindow();
      return 0;
    case WM_SIZE:
      // The window's size is fixed: this runs when it gets its size, and draws the gradient.
      if (wp != SIZE_MINIMIZED) DrawGradient();
      return 0;
    case WM_SETCURSOR:
      if (SetCursorFor(reinterpret_cast<HWND>(wp), LOWORD(lp))) return TRUE;
      break;
    case WM_LBUTTONDOWN:
      if (OverWebAddress(GET_X_LPARAM(lp), GET_Y_LPARAM(lp))) {
        urlPressed_ = true;
        SetCapture(hwnd());
      }
      return 0;
    case WM_LBUTTONUP:
      if (urlPressed_) {
        urlPressed_ = false;
        ReleaseCapture();
        if (OverWebAddress(GET_X_LPARAM(lp), GET_Y_LPARAM(lp))) OpenWebPage();
      }
      return 0;
    case WM_CAPTURECHANGED:
      urlPressed_ = false;
      return 0;
    case WM_COMMAND:
      // Enter and Escape reach the window as IDOK and IDCANCEL through the dialog keys;
      // the skinned buttons have no keyboard activation, so they do nothing.
      return 0;
    case WM_CLOSE:
      RequestClose();  // the close box, Alt+F4 and other programs' closes: the cancel path
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;  // nothing unsaved is worth holding the session for
    case WM_ENDSESSION:
      if (wp) RequestClose();  // the session ends: the dialog goes, nothing saved
      return 0;
    case WM_DPICHANGED: {
      const auto* suggested = reinterpret_cast<const RECT*>(lp);
      SetWindowPos(hwnd(), nullptr, suggested->left, suggested->top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      Layout(HIWORD(wp));
      return 0;
    }
    case WM_DESTROY:
      // The children go with the window.
      combo_.release();
      bar_.release();
      break;
    default:
      break;
  }
  return Window::onMessage(msg, wp, lp);
}

}  // namespace dialog
