// The settings dialog's window: its controls made, the load sequence, the modal loop,
// closing however it comes, and the window's messages. The window and the panel each keep
// a persistent picture (the gradient, the tiled texture) and draw their windowless parts
// over a copy of it on every paint: labels, heading frames and radio marks. The track
// box, the degree bar and the buttons are child windows. Main runs the dialog with
// RunModal.
#include "dialog/settings_dialog_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "../../assets/resource.h"
#include "controls/command_win.h"
#include "dialog/dialog_buttons.h"
#include "dialog/dialog_model.h"
#include "dialog/identity.h"
#include "win/dpi.h"
#include "win/strings.h"

namespace dialog {

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

  // The keyboard cues start as the last input asks (hidden after the click that opened
  // the dialog; Windows keeps them on for a user who asked for them always). The focus
  // goes to the first stop, the degree bar, without its caret until a key or a click.
  SendMessageW(hwnd(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  focus_ = Focus{};
  ShowWindow(hwnd(), SW_SHOW);
  SetForegroundWindow(hwnd());
  FocusStop(kFirstStop);
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

  panel_ = std::make_unique<Panel>(static_cast<PanelOwner&>(*this));
  if (!panel_->make(hwnd(), kIdPanel)) return false;
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
  // The bar answers assistive technology with its heading's name, and shows its focus
  // caret only once it may (BarProc).
  SetWindowSubclass(bar_.get(), &SettingsDialog::BarProc, 1, reinterpret_cast<DWORD_PTR>(this));
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
  if (controls::Command* b = button(kIdSet)) {
    b->onClick = [this] { Confirm(); };
    b->SetDefault(true);  // Enter anywhere but on another button
  }
  if (controls::Command* b = button(kIdCancel)) b->onClick = [this] { Cancel(); };
  if (controls::Command* b = button(kIdFile)) b->onClick = [this] { ChooseFile(); };
  for (const Stop stop : {Stop::FileButton, Stop::Set, Stop::Cancel}) {
    if (controls::Command* b = button(ButtonIdOf(stop))) {
      b->onFocusChanged = [this, stop](bool gained) {
        ReportFocus({gained ? FocusEventKind::Arrived : FocusEventKind::Left, stop});
      };
    }
  }

  Layout(platform_.dpi > 0 ? platform_.dpi : win::DpiOf(hwnd()));
  return true;
}

void SettingsDialog::InitButtons() {
  for (const auto& b : buttons_) {
    if (b) b->Initialize();
  }
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
    // The dialog's keys first (Tab, Enter, Esc, the arrows at the bar and the sources),
    // then the focused control's.
    if (!HandleKey(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return 0;
}

LRESULT SettingsDialog::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == QueryMessage() && msg != 0) {
    AnswerQuery(reinterpret_cast<HWND>(wp));
    return 1;
  }
  if (HandleAccessMessage(msg, wp)) return 0;
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
      return 0;  // the keys are the modal loop's (HandleKey), the buttons call back
    case WM_ACTIVATE:
      OnActivate(wp);
      return 0;  // not DefWindowProc: it would give the focus to the window itself
    case WM_SETFOCUS:
      OnSetFocus();
      return 0;
    case WM_KILLFOCUS:
      ReportFocus({FocusEventKind::Left, Stop::WebLink});
      return 0;
    case WM_UPDATEUISTATE: {
      const LRESULT result = Window::onMessage(msg, wp, lp);  // stores it, tells the children
      InvalidateFocusCues();
      return result;
    }
    case WM_GETOBJECT:
      if (const LRESULT answer = AnswerGetObject(hwnd(), wp, lp)) return answer;
      break;
    case WM_CLOSE:
      RequestClose();  // the close box, Alt+F4 and other programs' closes: the cancel path
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;  // nothing unsaved is worth holding the session for
    case WM_ENDSESSION:
      if (wp) RequestClose();  // the session ends: the dialog goes, nothing saved
      return 0;
    case WM_GETDPISCALEDSIZE: {
      // Asked before a move to a screen of another DPI: the size at that DPI, so that the
      // platform suggests it (the frame does not scale in proportion with the client).
      const int dpi = static_cast<int>(wp);
      *reinterpret_cast<SIZE*>(lp) = WindowSizeFor(dpi, dpi);
      return TRUE;
    }
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_DESTROY:
      DetachAccess();
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
