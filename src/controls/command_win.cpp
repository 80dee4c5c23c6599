// The skinned push button's window: messages in, CommandModel decisions out, carried out
// with GradientFill, StretchBlt from the six skin bitmaps and DrawText for the caption.
#include "controls/command_win.h"

#include <windowsx.h>

#include <utility>

#include "../../assets/resource.h"
#include "common/twips.h"
#include "win/dpi.h"
#include "win/font.h"
#include "win/strings.h"

#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

namespace controls {

namespace {

// Posted by assistive technology's default action: the click runs from the message loop,
// not inside the caller's COM call (the host may destroy the button in its handler).
constexpr UINT kAccessibleClick = WM_APP + 0x51;

// The six skins, loaded from the program's resources once and shared by every button.
class Skins {
 public:
  static const Skins& Get() {
    static const Skins skins;
    return skins;
  }
  HBITMAP bitmap(Skin skin) const { return bitmaps_[static_cast<size_t>(skin)].get(); }

 private:
  Skins() {
    static constexpr int kIds[kSkinCount] = {IDB_SKIN_HIGHLIGHT, IDB_SKIN_HIGHLIGHTSELECT,
                                             IDB_SKIN_NORMAL,    IDB_SKIN_DISABLE,
                                             IDB_SKIN_SELECTED,  IDB_SKIN_PRESSED};
    for (size_t i = 0; i < kSkinCount; ++i) {
      bitmaps_[i].reset(static_cast<HBITMAP>(LoadImageW(win::ThisModule(),
                                                        MAKEINTRESOURCEW(kIds[i]), IMAGE_BITMAP,
                                                        0, 0, LR_CREATEDIBSECTION)));
    }
  }
  std::array<win::UniqueBitmap, kSkinCount> bitmaps_;
};

COLORREF CaptionColour(const CaptionLabel& label) {
  if (!label.enabled) return GetSysColor(COLOR_GRAYTEXT);
  const auto c = static_cast<uint32_t>(label.colour);
  if (c & 0x80000000u) return GetSysColor(static_cast<int>(c & 0xFFu));
  return static_cast<COLORREF>(c & 0x00FFFFFFu);
}

win::FontStyle StyleOf(const FontDesc& f) {
  win::FontStyle s;
  s.points = f.Size;
  s.weight = f.Weight;
  s.italic = f.Italic;
  s.underline = f.Underline;
  s.strikeout = f.Strikethrough;
  s.charset = static_cast<BYTE>(f.Charset);
  // The design face may be missing (Wine, non-Japanese Windows): then the UI font's
  // fallback list picks a Japanese face of the same kind.
  if (f.Name != "ＭＳ Ｐゴシック" && f.Name != "MS PGothic") s.face = win::widen(f.Name);
  return s;
}

}  // namespace

bool FillFaceGradient(HDC dc, const FaceGradient& gradient) {
  TRIVERTEX v[2];
  for (size_t i = 0; i < 2; ++i) {
    const GradientVertex& g = gradient.vertices[i];
    v[i] = {static_cast<LONG>(g.x), static_cast<LONG>(g.y), g.red, g.green, g.blue, g.alpha};
  }
  GRADIENT_RECT rect{gradient.upperLeft, gradient.lowerRight};
  return GradientFill(dc, v, 2, &rect, 1, GRADIENT_FILL_RECT_V) != FALSE;
}

Command::Command() : model_(*this) {}

Command::~Command() { tmrMouse_.setEnabled(false); }

void Command::onDestroyed() {
  accessible_.Detach();
  tmrMouse_.setEnabled(false);
  tmrMouse_.attach(nullptr);
}

bool Command::Create(HWND parent, int x, int y, int width, int height, int id,
                     const PropertyBag* stored, const FontDesc& ambient) {
  dpi_ = win::DpiOf(parent);
  pendingBag_ = stored;
  pendingAmbient_ = ambient;
  const bool made =
      create({kCommandClass}, 0, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, L"", x, y,
             width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
  pendingBag_ = nullptr;
  if (made) SyncTabStop();
  return made;
}

bool Command::Enabled() {
  const bool on = model_.Enabled();
  SyncTabStop();
  return on;
}

void Command::SetEnabled(bool New_Enabled) {
  model_.SetEnabled(New_Enabled);
  SyncTabStop();
}

void Command::ReadProperties(const PropertyBag& bag, const FontDesc& ambient) {
  model_.ReadProperties(bag, ambient);
  SyncTabStop();
}

void Command::SetDpi(int dpi) {
  dpi_ = dpi > 0 ? dpi : common::kStandardDpi;
  Resized();
}

// A button that is not enabled is left out of the tab order; clicking it does not take
// the focus either (see MouseButtonDown).
void Command::SyncTabStop() {
  if (!hwnd()) return;
  const LONG_PTR style = GetWindowLongPtrW(hwnd(), GWL_STYLE);
  const LONG_PTR wanted = model_.state().Enabled ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
  if (wanted != style) SetWindowLongPtrW(hwnd(), GWL_STYLE, wanted);
}

LRESULT Command::onMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      tmrMouse_.attach(hwnd());
      if (pendingBag_) model_.ReadProperties(*pendingBag_, pendingAmbient_);
      return 0;
    case WM_SIZE:
      Resized();
      return 0;
    case WM_DPICHANGED_AFTERPARENT:
      SetDpi(win::DpiOf(hwnd()));
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      win::PaintDc paint(hwnd());
      Compose(paint.get());
      return 0;
    }
    case WM_PRINTCLIENT:
      Compose(reinterpret_cast<HDC>(wp));
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: {
      const bool gained = msg == WM_SETFOCUS;
      if (gained) {
        model_.GotFocus();
      } else {
        model_.LostFocus();
      }
      if (onFocusChanged) onFocusChanged(gained);
      return 0;
    }
    case WM_TIMER:
      if (wp == tmrMouse_.id()) HoverTest();
      return 0;
    case WM_GETDLGCODE:
      // A push button: Enter reaches it when it has the focus.
      return DLGC_BUTTON | (default_ ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case WM_KEYDOWN:
      if (wp == VK_SPACE) {
        model_.SpaceDown();
      } else if (wp == VK_RETURN) {
        model_.EnterPressed();
        RaiseClick();
      }
      return 0;
    case WM_KEYUP:
      if (wp == VK_SPACE) {
        model_.SpaceUp();
        RaiseClick();
      }
      return 0;
    case kAccessibleClick:
      model_.EnterPressed();
      RaiseClick();
      return 0;
    case WM_GETOBJECT:
      if (const LRESULT answer = accessible_.Answer(hwnd(), wp, lp, *this)) return answer;
      return Window::onMessage(msg, wp, lp);
    case WM_DESTROY:
      accessible_.Detach();
      return Window::onMessage(msg, wp, lp);
    case WM_MOUSEMOVE: {
      // While the capture holds, moves arrive from anywhere; only those over the button
      // are its mouse moves.
      RECT client;
      GetClientRect(hwnd(), &client);
      const POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (PtInRect(&client, p)) model_.MouseMove();
      return 0;
    }
    case WM_LBUTTONDOWN:
      MouseButtonDown(MouseButton::Left);
      return 0;
    case WM_RBUTTONDOWN:
      MouseButtonDown(MouseButton::Right);
      return 0;
    case WM_MBUTTONDOWN:
      MouseButtonDown(MouseButton::Middle);
      return 0;
    case WM_LBUTTONUP:
      return MouseButtonUp(MouseButton::Left, wp);
    case WM_RBUTTONUP:
      return MouseButtonUp(MouseButton::Right, wp);
    case WM_MBUTTONUP:
      return MouseButtonUp(MouseButton::Middle, wp);
    default:
      return Window::onMessage(msg, wp, lp);
  }
}

void Command::Resized() {
  RECT client{};
  GetClientRect(hwnd(), &client);
  back_.create(client.right, client.bottom);
  compose_.create(client.right, client.bottom);
  model_.Resize(client.right, client.bottom, dpi_);
}

void Command::HoverTest() {
  POINT p;
  if (!GetCursorPos(&p)) return;
  const HWND under = WindowFromPoint(p);
  if (!under) return;
  model_.TimerTick(under != hwnd());
}

void Command::MouseButtonDown(MouseButton button) {
  // The press brings the focus first (focus gained, then mouse down), as a click on a
  // push button does; only the left button, and only on a button that is enabled.
  if (button == MouseButton::Left && model_.state().Enabled && GetFocus() != hwnd()) {
    SetFocus(hwnd());
  }
  // Keep the release even when it happens outside the button.
  SetCapture(hwnd());
  model_.MouseDown(button);
}

LRESULT Command::MouseButtonUp(MouseButton button, WPARAM keys) {
  model_.MouseUp(button);
  if ((keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) == 0 && GetCapture() == hwnd()) {
    ReleaseCapture();
  }
  RaiseClick();
  return 0;
}

void Command::RaiseClick() {
  if (std::exchange(clickPending_, false)) {
    // The handler may destroy this button: nothing here touches `this` after it.
    const std::function<void()> handler = onClick;
    if (handler) handler();
  }
}

win::AccessibleItem Command::AccessibleDescribe(int) {
  const CommandState& s = model_.state();
  win::AccessibleItem item;
  item.name = win::widen(model_.Caption());
  item.role = ROLE_SYSTEM_PUSHBUTTON;
  if (s.Enabled) {
    item.state |= STATE_SYSTEM_FOCUSABLE;
    item.defaultAction = L"押す";
  } else {
    item.state |= STATE_SYSTEM_UNAVAILABLE;
  }
  if (GetFocus() == hwnd()) item.state |= STATE_SYSTEM_FOCUSED;
  if (default_) item.state |= STATE_SYSTEM_DEFAULT;
  if (s.SpaceHeld || s.MouseHeld) item.state |= STATE_SYSTEM_PRESSED;
  if (!IsWindowVisible(hwnd())) item.state |= STATE_SYSTEM_INVISIBLE;
  GetWindowRect(hwnd(), &item.screen);
  return item;
}

bool Command::AccessibleDoDefault(int) {
  if (!model_.state().Enabled) return false;
  PostMessageW(hwnd(), kAccessibleClick, 0, 0);
  return true;
}

// ---------------------------------------------------------------- the port

void Command::PaintSkin(const SkinPaint& paint) {
  if (back_.empty()) return;
  const HDC dc = back_.dc();
  // Clear, face, frame; each step on its own, a failing one is skipped.
  RECT all{0, 0, back_.width(), back_.height()};
  FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
  FillFaceGradient(dc, paint.gradient);
  if (const HBITMAP skin = Skins::Get().bitmap(paint.skin)) {
    win::UniqueMemDc source(CreateCompatibleDC(dc));
    if (source) {
      win::Selected picture(source.get(), skin);
      SetStretchBltMode(dc, COLORONCOLOR);
      for (const FramePiece& piece : paint.frame) {
        const Rect& d = piece.dest;
        const Rect& s = piece.source;
        if (d.width <= 0 || d.height <= 0 || s.width <= 0 || s.height <= 0) continue;
        if (d.width == s.width && d.height == s.height) {
          BitBlt(dc, d.x, d.y, d.width, d.height, source.get(), s.x, s.y, SRCCOPY);
        } else {
          StretchBlt(dc, d.x, d.y, d.width, d.height, source.get(), s.x, s.y, s.width, s.height,
                     SRCCOPY);
        }
      }
    }
  }
  // Copy to the screen: the caption goes over it at the place the model now holds.
  InvalidateRect(hwnd(), nullptr, FALSE);
}

void Command::LookChanged() {
  if (hwnd()) InvalidateRect(hwnd(), nullptr, FALSE);
}

void Command::PropertyChanged(std::string_view name) {
  if (onPropertyChanged) onPropertyChanged(name);
}

void Command::HoverTimer(bool enabled, unsigned intervalMs) {
  tmrMouse_.setInterval(intervalMs);
  tmrMouse_.setEnabled(enabled);
}

void Command::Compose(HDC target) {
  if (compose_.empty() || back_.empty()) return;
  const HDC dc = compose_.dc();
  if (model_.backStyle() == kOpaque) {
    back_.copyTo(dc);
  } else {
    // Transparent: what the parent shows under the button, then the caption alone.
    const HWND parent = GetParent(hwnd());
    RECT all{0, 0, compose_.width(), compose_.height()};
    const auto brush = parent ? reinterpret_cast<HBRUSH>(GetClassLongPtrW(parent, GCLP_HBRBACKGROUND))
                              : nullptr;
    FillRect(dc, &all, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
    if (parent) {
      POINT at{0, 0};
      MapWindowPoints(hwnd(), parent, &at, 1);
      POINT old;
      SetViewportOrgEx(dc, -at.x, -at.y, &old);
      SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
      SetViewportOrgEx(dc, old.x, old.y, nullptr);
    }
  }

  const CaptionLabel& label = model_.label();
  if (!font_ || fontDpi_ != dpi_ || !(fontMadeFrom_ == label.font)) {
    font_ = win::CreateUiFont(dpi_, StyleOf(label.font));
    fontMadeFrom_ = label.font;
    fontDpi_ = dpi_;
  }
  {
    win::Selected font(dc, font_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, CaptionColour(label));
    const Rect& r = label.layout.pixels;
    RECT box{r.x, r.y, r.x + r.width, r.y + r.height};
    const std::wstring text = win::widen(label.text);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &box,
              DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP | DT_END_ELLIPSIS);
  }
  compose_.copyTo(target);
}

}  // namespace controls
