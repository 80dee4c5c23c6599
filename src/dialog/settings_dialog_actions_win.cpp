// What the settings dialog's controls do: the buttons' actions, a mark or its caption
// pressed, the degree bar scrolled, the web address clicked, and the pointer over it.
#include "dialog/settings_dialog_win.h"

#include "controls/command_win.h"
#include "dialog/dialog_model.h"
#include "dialog/rect_win.h"
#include "settings/settings.h"
#include "win/accessible.h"
#include "win/strings.h"

namespace dialog {

// The file-open request is the platform's first layout, without the members that later
// versions added (OPENFILENAME_SIZE_VERSION_400W, which is no constant expression): 76
// bytes in a 32-bit program.
constexpr DWORD kFirstLayoutSize = offsetof(OPENFILENAMEW, lpTemplateName) + sizeof(LPCWSTR);
static_assert(sizeof(void*) != 4 || kFirstLayoutSize == 76);

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
  // Before a control is disabled: if it has the focus, the focus goes to the source choice
  // (dialog_focus.h), which is then announced with the row now chosen.
  FocusEvent changing{FocusEventKind::StopsChanging};
  changing.enabled = StopsFor(view);
  ReportFocus(changing);
  EnableWindow(combo_.get(), view.repeatEnabled);
  if (controls::Command* file = button(kIdFile)) file->SetEnabled(view.fileEnabled);
  for (int k = 0; k < 3; ++k) {
    const RECT r = ToRECT(markRect(k));
    InvalidateRect(panel(), &r, FALSE);
  }
  // The focus frame goes with the chosen row.
  if (focusStop() == Stop::MusicSource) InvalidateFocusCues();
}


void SettingsDialog::PanelPressed(int x, int y) {
  // Any button on a mark or on its caption chooses that row at once.
  for (int kind = 0; kind < 3; ++kind) {
    if (markRect(kind).contains(x, y) ||
        labelRect(kRowCaptions[static_cast<size_t>(kind)]).contains(x, y)) {
      ChooseMusicSource(kind);
      return;
    }
  }
}

void SettingsDialog::PanelFocusChanged(HWND window, bool gained) {
  const Stop stop = window == panel() ? Stop::MusicSource : Stop::Repeat;
  if (stop == Stop::Repeat && window != combo_.get()) return;
  ReportFocus({gained ? FocusEventKind::Arrived : FocusEventKind::Left, stop});
}

void SettingsDialog::PanelScrolled(HWND bar, WPARAM wp) {
  if (bar == bar_.get()) OnScroll(wp);
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

}  // namespace dialog
