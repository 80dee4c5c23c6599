// The settings dialog from the keyboard: the focus stops (the degree bar, the music-source
// choice, the track box, the file button, 設定, ｷｬﾝｾﾙ, the web address), the keys the
// modal loop gives the dialog before the focused control (dialog_keys.h decides what
// each does), and the focus cues, shown once the keyboard is used (Windows' UI state).
//
// Where the focus is and what its cue shows is one value, focus_: the handlers here only
// report what their windows are told and carry out what dialog_focus.h answers. The
// source choice and the web address have no windows: the panel's own focus stands for
// the source choice, the dialog window's own for the web address.
#include "dialog/settings_dialog_win.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "controls/command_win.h"
#include "dialog/rect_win.h"
#include "win/accessible.h"

namespace dialog {

namespace {

Key KeyOf(WPARAM vk) {
  switch (vk) {
    case VK_TAB: return Key::Tab;
    case VK_RETURN: return Key::Enter;
    case VK_ESCAPE: return Key::Escape;
    case VK_SPACE: return Key::Space;
    case VK_LEFT: return Key::Left;
    case VK_RIGHT: return Key::Right;
    case VK_UP: return Key::Up;
    case VK_DOWN: return Key::Down;
    case VK_PRIOR: return Key::PageUp;
    case VK_NEXT: return Key::PageDown;
    case VK_HOME: return Key::Home;
    case VK_END: return Key::End;
    default: return Key::Other;
  }
}

// The focus cues, in the colours of the buttons' Selected look: its blue on the panel's
// light texture, its pale blue on the window's dark lower part.
constexpr COLORREF kCueOnPanel = RGB(105, 130, 238);
constexpr COLORREF kCueOnWindow = RGB(206, 231, 255);

}  // namespace

Stop SettingsDialog::focusStop() const { return FocusedStop(focus_); }

bool SettingsDialog::focusCuesShown() const {
  return hwnd() && (SendMessageW(hwnd(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
}

int SettingsDialog::ButtonIdOf(Stop stop) {
  switch (stop) {
    case Stop::FileButton: return kIdFile;
    case Stop::Set: return kIdSet;
    case Stop::Cancel: return kIdCancel;
    default: return 0;
  }
}

HWND SettingsDialog::WindowOfStop(Stop stop) const {
  switch (stop) {
    case Stop::DegreeBar: return bar_.get();
    case Stop::MusicSource: return panel();
    case Stop::Repeat: return combo_.get();
    case Stop::FileButton:
    case Stop::Set:
    case Stop::Cancel: {
      const controls::Command* b = button(ButtonIdOf(stop));
      return b ? b->hwnd() : nullptr;
    }
    case Stop::WebLink: return hwnd();
  }
  return nullptr;
}

StopsEnabled SettingsDialog::EnabledStops() const { return {repeatEnabled(), fileEnabled()}; }

void SettingsDialog::FocusStop(Stop stop) {
  if (WindowOfStop(stop)) ReportFocus({FocusEventKind::Requested, stop});
}

bool SettingsDialog::ReportFocus(const FocusEvent& event) {
  const FocusStep step = NextFocus(focus_, event);
  // Kept before anything is carried out: a focus moved here reports again from inside.
  focus_ = step.focus;
  const FocusEffects& e = step.effects;
  if (e.redraw) InvalidateFocusCues();
  if (e.tellBar && bar_) DefSubclassProc(bar_.get(), WM_SETFOCUS, 0, 0);
  if (e.moveTo) {
    if (const HWND target = WindowOfStop(*e.moveTo)) SetFocus(target);
  }
  if (e.announce) AnnounceFocus(*e.announce);
  return !e.holdBar;
}

void SettingsDialog::AnnounceFocus(Stop stop) {
  if (stop == Stop::WebLink) {
    win::NotifyAccessibleFocus(hwnd(), 1);
    return;
  }
  for (int i = 0; i < 3; ++i) {
    if (kRowsTopDown[static_cast<size_t>(i)] == markedKind_) win::NotifyAccessibleFocus(panel(), i + 1);
  }
}

void SettingsDialog::ShowFocusCues() {
  // As the dialog manager does on Tab and the arrows: from now on the cues show.
  if (!focusCuesShown()) SendMessageW(hwnd(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

void SettingsDialog::InvalidateFocusCues() {
  if (!hwnd()) return;
  if (panel()) InvalidateRect(panel(), nullptr, FALSE);
  RECT link = ToRECT(labelRect(Label::WebAddress));
  InflateRect(&link, 3, 3);
  InvalidateRect(hwnd(), &link, FALSE);
}

void SettingsDialog::DrawFocusCue(HDC dc, Container container) const {
  if (!focusCuesShown()) return;
  const Stop stop = focusStop();
  Rect around;
  COLORREF colour = kCueOnPanel;
  if (container == Container::Panel && stop == Stop::MusicSource) {
    // The chosen row, its mark and its caption; with no row chosen, all three.
    int first = 0, last = 2;
    for (int i = 0; i < 3; ++i) {
      if (kRowsTopDown[static_cast<size_t>(i)] == markedKind_) first = last = i;
    }
    int left = 1 << 30, top = 1 << 30, right = -(1 << 30), bottom = -(1 << 30);
    for (int i = first; i <= last; ++i) {
      const int kind = kRowsTopDown[static_cast<size_t>(i)];
      for (const Rect& r : {markRect(kind), labelRect(kRowCaptions[static_cast<size_t>(kind)])}) {
        left = std::min(left, r.left);
        top = std::min(top, r.top);
        right = std::max(right, r.right());
        bottom = std::max(bottom, r.bottom());
      }
    }
    around = {left, top, right - left, bottom - top};
  } else if (container == Container::Window && stop == Stop::WebLink) {
    around = labelRect(Label::WebAddress);
    colour = kCueOnWindow;
  } else {
    return;
  }
  RECT r = ToRECT(around);
  const int gap = Scale(2, dpi_);
  InflateRect(&r, gap, gap);
  win::UniqueBrush brush(CreateSolidBrush(colour));
  FrameRect(dc, &r, brush.get());
}

bool SettingsDialog::HandleKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_KEYUP) return false;
  if (!hwnd() || (msg.hwnd != hwnd() && !IsChild(hwnd(), msg.hwnd))) return false;
  if (msg.message == WM_KEYDOWN) {
    FocusEvent pressed{FocusEventKind::KeyPressed};
    pressed.cuesShown = focusCuesShown();
    ReportFocus(pressed);
  }
  const Key key = KeyOf(msg.wParam);
  if (key == Key::Other) return false;
  KeyContext context;
  context.focus = focusStop();
  context.shift = GetKeyState(VK_SHIFT) < 0;
  context.released = msg.message == WM_KEYUP;
  context.listOpen = combo_ && SendMessageW(combo_.get(), CB_GETDROPPEDSTATE, 0, 0) != 0;
  const KeyDecision decision = DecideKey(key, context);
  switch (decision.command) {
    case KeyCommand::PassOn:
      return false;
    case KeyCommand::Swallow:
      return true;
    case KeyCommand::NextStop:
    case KeyCommand::PreviousStop:
      ShowFocusCues();
      FocusStop(NextStop(context.focus, decision.command == KeyCommand::PreviousStop, EnabledStops()));
      return true;
    case KeyCommand::Confirm:
      Confirm();
      return true;
    case KeyCommand::Cancel:
      Cancel();
      return true;
    case KeyCommand::ClickFocused:
    case KeyCommand::PressFocused:
    case KeyCommand::ReleaseFocused:
      // The skinned button does these itself (its look, its Click).
      DispatchMessageW(&msg);
      return true;
    case KeyCommand::SourceUp:
    case KeyCommand::SourceDown: {
      ShowFocusCues();
      const int kind = SourceAfterArrow(markedKind_, decision.command == KeyCommand::SourceDown);
      ChooseMusicSource(kind);
      for (int i = 0; i < 3; ++i) {
        if (kRowsTopDown[static_cast<size_t>(i)] == kind) {
          win::NotifyAccessibleState(panel(), i + 1);
          win::NotifyAccessibleFocus(panel(), i + 1);
        }
      }
      return true;
    }
    case KeyCommand::Scroll:
      ShowFocusCues();
      SetBarPosition(ScrollTo(barPosition(), decision.scroll));
      return true;
    case KeyCommand::OpenLink:
      OpenWebPage();
      return true;
  }
  return false;
}

void SettingsDialog::OnActivate(WPARAM wp) {
  if (LOWORD(wp) == WA_INACTIVE) {
    ReportFocus({FocusEventKind::Deactivated});
    return;
  }
  if (HIWORD(wp)) return;  // minimised
  FocusEvent activated{FocusEventKind::Activated};
  activated.enabled = EnabledStops();
  ReportFocus(activated);
}

void SettingsDialog::OnSetFocus() {
  if (!unloading_) ReportFocus({FocusEventKind::WindowFocused});
}

LRESULT CALLBACK SettingsDialog::BarProc(HWND bar, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                         DWORD_PTR data) {
  auto* self = reinterpret_cast<SettingsDialog*>(data);
  // The bar's focus cue is a blinking caret on its thumb, made when the bar is told that it
  // has the focus (WM_SETFOCUS); dialog_focus.h says when it may be.
  FocusEvent event{FocusEventKind::Arrived, Stop::DegreeBar};
  switch (msg) {
    case WM_GETOBJECT:
      if (const LRESULT answer = self->AnswerGetObject(bar, wp, lp)) return answer;
      break;
    case WM_SETFOCUS:
      event.cuesShown = self->focusCuesShown();
      if (!self->ReportFocus(event)) return 0;
      break;
    case WM_KILLFOCUS:
      self->ReportFocus({FocusEventKind::Left, Stop::DegreeBar});
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      event.kind = FocusEventKind::BarPressed;
      event.cuesShown = self->focusCuesShown();
      self->ReportFocus(event);
      break;
    case WM_UPDATEUISTATE: {
      const LRESULT result = DefSubclassProc(bar, msg, wp, lp);
      event.kind = FocusEventKind::CuesChanged;
      event.cuesShown = self->focusCuesShown();
      self->ReportFocus(event);
      return result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(bar, &SettingsDialog::BarProc, id);
      break;
    default:
      break;
  }
  return DefSubclassProc(bar, msg, wp, lp);
}

}  // namespace dialog
