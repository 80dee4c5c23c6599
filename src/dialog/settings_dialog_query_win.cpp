// The query message, and why it ships in the program: the end-to-end tests drive the real
// Veskar.scr from another process, and what the dialog shows in its labels and radio
// marks has no window of its own (they are drawn over the window's and the panel's
// pictures), so neither WM_GETTEXT nor any other platform call can read them; the skinned
// file button keeps its enabled state itself. The answer is read only: a query changes
// nothing, and a program that never sends it sees no difference. Keeping it in the
// shipped build means the tests check the very binary that is shipped.
#include "dialog/settings_dialog_win.h"

#include "win/strings.h"

namespace dialog {

namespace {
std::wstring RectText(const Rect& r) {
  return std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," + std::to_wstring(r.width) +
         L"," + std::to_wstring(r.height);
}
}  // namespace

UINT QueryMessage() {
  static const UINT message = RegisterWindowMessageW(kQueryMessageName);
  return message;
}

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
  // Where the dialog holds the focus to be (empty while it is away) and what its cue shows.
  line(L"focus", focus_.here ? win::widen(StopName(focus_.stop)) : L"");
  line(L"focus.cue", win::widen(CueName(focus_.cue)));
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

}  // namespace dialog
