// Asking a running settings dialog what it shows with its query message: a window of the
// asking process receives the WM_COPYDATA answer, and the "name=value" lines are read
// into a map. For the end-to-end tests, which see the dialog from another process.
#pragma once
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>

#include "dialog/settings_dialog_win.h"
#include "win/handle.h"

namespace testing_support {

// A rectangle of an answer ("rect.lbl_BGM(0)" for `name` "lbl_BGM(0)"), in its
// container's client area; empty when the answer has none.
inline dialog::Rect AnsweredRect(const std::map<std::string, std::string>& answer, const std::string& name) {
  dialog::Rect r;
  const auto it = answer.find("rect." + name);
  if (it != answer.end()) sscanf(it->second.c_str(), "%d,%d,%d,%d", &r.left, &r.top, &r.width, &r.height);
  return r;
}

class DialogQuery {
 public:
  DialogQuery() {
    WNDCLASSW wc{};
    if (!GetClassInfoW(GetModuleHandleW(nullptr), kClass, &wc)) {
      wc.lpfnWndProc = &Proc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = kClass;
      RegisterClassW(&wc);
    }
    hwnd_.reset(CreateWindowExW(0, kClass, L"answer", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr));
  }

  // The dialog's answer; a name it did not give reads as "<missing>".
  std::map<std::string, std::string> Ask(HWND dialog) const {
    Last().clear();
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(dialog, RegisterWindowMessageW(dialog::kQueryMessageName),
                        reinterpret_cast<WPARAM>(hwnd_.get()), 0, SMTO_ABORTIFHUNG, 3000, &ignored);
    std::map<std::string, std::string> values;
    const std::string text = Utf8(Last());
    size_t at = 0;
    while (at < text.size()) {
      const size_t end = text.find('\n', at);
      const std::string line = text.substr(at, end - at);
      const size_t eq = line.find('=');
      if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
      if (end == std::string::npos) break;
      at = end + 1;
    }
    return values;
  }
  // The text of the last answer (for a failure's message).
  const std::wstring& lastAnswer() const { return Last(); }

 private:
  static std::string Utf8(const std::wstring& w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
  }
  static constexpr const wchar_t* kClass = L"VeskarTestDialogQuery";
  static std::wstring& Last() {
    static std::wstring text;
    return text;
  }
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COPYDATA) {
      const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
      Last().assign(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
      return TRUE;
    }
    return DefWindowProcW(h, msg, wp, lp);
  }
  win::UniqueWindow hwnd_;
};

}  // namespace testing_support
