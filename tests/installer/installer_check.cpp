// What the installer left on the machine, looked at from inside Wine. tests/installer/run.sh
// runs the installer and uninstaller silently and calls this program between the steps, one
// suite at a time:
//   Installed.*    the files, the registry values and the Start-menu shortcut
//                  (VESKAR_EXPECT_VERSION: the version the Apps & features entry must show)
//   Configure.*    the shortcut's command opens the settings dialog; 設定 saves beside it
//   Uninstalled.*  nothing of Veskar left in the registry or the Start menu, the previous
//                  saver back (VESKAR_PREVIOUS_SAVER, VESKAR_PREVIOUS_ACTIVE)
// The files' bytes are compared on the Unix side, with the zips.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "support/win32_helpers.h"
#include "win/handle.h"

namespace {

const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veskar";
const wchar_t kStateKey[] = L"Software\\Veskar";

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::wstring result;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) result = path;
  CoTaskMemFree(path);
  return result;
}

std::wstring InstallFolder() { return KnownFolder(FOLDERID_LocalAppData) + L"\\Programs\\Veskar"; }
std::wstring ShortcutPath() { return KnownFolder(FOLDERID_Programs) + L"\\ベスカルの設定.lnk"; }

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}
std::wstring Env(const char* name) {
  const char* v = std::getenv(name);
  if (!v || !*v) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, v, -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(std::max(n, 1)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, v, -1, out.data(), n);
  out.resize(out.size() - 1);
  return out;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool KeyExists(const wchar_t* key) {
  HKEY h = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}
// A REG_SZ value of HKCU; nullopt when it is missing or of another type.
std::optional<std::wstring> RegString(const wchar_t* key, const wchar_t* name) {
  wchar_t buffer[1024]{};
  DWORD size = sizeof buffer - sizeof(wchar_t), type = 0;
  if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_ANY | RRF_NOEXPAND, &type, buffer, &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return std::nullopt;
  return std::wstring(buffer);
}
std::optional<DWORD> RegDword(const wchar_t* key, const wchar_t* name) {
  DWORD value = 0, size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

// The path as the screen-saver page stores it: short where the volume has short names.
std::wstring ShortPath(const std::wstring& path) {
  wchar_t out[MAX_PATH]{};
  const DWORD n = GetShortPathNameW(path.c_str(), out, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(out, n) : path;
}

struct Shortcut {
  std::wstring target, arguments, folder, icon;
  int iconIndex = -1;
};
std::optional<Shortcut> ReadShortcut(const std::wstring& path) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    return std::nullopt;
  std::optional<Shortcut> result;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
      wchar_t text[MAX_PATH * 2]{};
      Shortcut s;
      if (SUCCEEDED(link->GetPath(text, MAX_PATH * 2, nullptr, 0))) s.target = text;
      text[0] = 0;
      if (SUCCEEDED(link->GetArguments(text, MAX_PATH * 2))) s.arguments = text;
      text[0] = 0;
      if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH * 2))) s.folder = text;
      text[0] = 0;
      if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH * 2, &s.iconIndex))) s.icon = text;
      result = s;
    }
    file->Release();
  }
  link->Release();
  return result;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

class ComScope {
 public:
  ComScope() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
  ~ComScope() { CoUninitialize(); }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
};

}  // namespace

TEST(Installed, FilesAreInTheUsersProgramFolder) {
  for (const wchar_t* name : {L"Veskar.scr", L"Runo_Effect.dll", L"readme.txt", L"LICENSE.txt", L"uninstall.exe"})
    EXPECT_TRUE(Exists(InstallFolder() + L"\\" + name)) << Utf8(name);
}

TEST(Installed, VeskarIsTheScreenSaverWithTheShortPath) {
  const std::wstring saver = InstallFolder() + L"\\Veskar.scr";
  EXPECT_EQ(Utf8(RegString(kDesktopKey, L"SCRNSAVE.EXE").value_or(L"<missing>")), Utf8(ShortPath(saver)));
  EXPECT_EQ(Utf8(RegString(kDesktopKey, L"ScreenSaveActive").value_or(L"<missing>")), "1");
}

TEST(Installed, AppsAndFeaturesEntry) {
  const std::wstring folder = InstallFolder();
  EXPECT_EQ(Utf8(RegString(kUninstallKey, L"DisplayName").value_or(L"")), "ベスカル (Veskar)");
  EXPECT_EQ(Utf8(RegString(kUninstallKey, L"DisplayVersion").value_or(L"")), Utf8(Env("VESKAR_EXPECT_VERSION")));
  EXPECT_EQ(Utf8(RegString(kUninstallKey, L"Publisher").value_or(L"")), "Veskar Project");
  EXPECT_EQ(Utf8(RegString(kUninstallKey, L"DisplayIcon").value_or(L"")), Utf8(folder + L"\\Veskar.scr,0"));
  EXPECT_EQ(Utf8(RegString(kUninstallKey, L"UninstallString").value_or(L"")),
            Utf8(L"\"" + folder + L"\\uninstall.exe\""));
  EXPECT_EQ(Utf8(RegString(kUninstallKey, L"QuietUninstallString").value_or(L"")),
            Utf8(L"\"" + folder + L"\\uninstall.exe\" /S"));
  // In KB: the pair, the texts and the uninstaller are several hundred.
  const auto size = RegDword(kUninstallKey, L"EstimatedSize");
  ASSERT_TRUE(size.has_value());
  EXPECT_GE(*size, 100u);
  EXPECT_LE(*size, 20000u);
}

TEST(Installed, StartMenuShortcutOpensTheSettings) {
  ComScope com;
  const auto link = ReadShortcut(ShortcutPath());
  ASSERT_TRUE(link.has_value()) << "no shortcut " << Utf8(ShortcutPath());
  EXPECT_TRUE(SamePath(link->target, InstallFolder() + L"\\Veskar.scr")) << Utf8(link->target);
  EXPECT_EQ(Utf8(link->arguments), "/c");
  EXPECT_TRUE(SamePath(link->folder, InstallFolder())) << Utf8(link->folder);
}

namespace {

using testing_support::AbsoluteMouse;

// A user's click in the middle of a window: the pointer rests there first (the skinned
// buttons act on a press that follows their hover), then the press and the release.
void ClickMiddleOf(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  INPUT move = AbsoluteMouse(x, y, MOUSEEVENTF_MOVE);
  SendInput(1, &move, sizeof(INPUT));
  Sleep(300);
  INPUT press[2] = {AbsoluteMouse(x, y, MOUSEEVENTF_LEFTDOWN), AbsoluteMouse(x, y, MOUSEEVENTF_LEFTUP)};
  SendInput(2, press, sizeof(INPUT));
}

struct Search {
  DWORD pid;
  HWND found;
};
BOOL CALLBACK FindDialog(HWND w, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  wchar_t title[64]{};
  if (pid == s->pid && GetWindowTextW(w, title, 64) > 0 && std::wstring(title) == L"<ベスカル>") {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

template <typename F>
bool WaitUntil(F condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(50);
  }
  return true;
}

constexpr int kSetButtonId = 1001;  // 設定, a child of the dialog window

}  // namespace

TEST(Configure, TheShortcutsCommandOpensTheDialogAndItsConfirmSavesBesideTheProgram) {
  ComScope com;
  const auto link = ReadShortcut(ShortcutPath());
  ASSERT_TRUE(link.has_value());
  const std::wstring ini = InstallFolder() + L"\\ベスカル.ini";
  DeleteFileW(ini.c_str());

  std::wstring command = L"\"" + link->target + L"\" " + link->arguments;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(link->target.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             link->folder.c_str(), &si, &pi));
  win::UniqueHandle process(pi.hProcess), thread(pi.hThread);

  Search s{pi.dwProcessId, nullptr};
  ASSERT_TRUE(WaitUntil([&] { EnumWindows(&FindDialog, reinterpret_cast<LPARAM>(&s)); return s.found && IsWindowVisible(s.found); }, 20000))
      << "no settings dialog";
  HWND set = GetDlgItem(s.found, kSetButtonId);
  ASSERT_NE(set, nullptr);
  Sleep(500);  // the dialog has painted and takes input
  SetForegroundWindow(s.found);
  ClickMiddleOf(set);
  if (WaitForSingleObject(process.get(), 15000) != WAIT_OBJECT_0) {
    TerminateProcess(process.get(), 1);
    FAIL() << "the dialog did not close on 設定";
  }
  DWORD code = 1;
  GetExitCodeProcess(process.get(), &code);
  EXPECT_EQ(code, 0u);
  const std::string saved = testing_support::ReadFileBytes(ini);
  EXPECT_EQ(saved.rfind("[Section]\r\n", 0), 0u) << "ベスカル.ini: " << saved;
}

TEST(Uninstalled, NothingOfVeskarInTheRegistryOrTheStartMenu) {
  EXPECT_FALSE(KeyExists(kUninstallKey));
  EXPECT_FALSE(KeyExists(kStateKey));
  EXPECT_FALSE(Exists(ShortcutPath()));
}

TEST(Uninstalled, ThePreviousScreenSaverIsBack) {
  EXPECT_EQ(Utf8(RegString(kDesktopKey, L"SCRNSAVE.EXE").value_or(L"<missing>")), Utf8(Env("VESKAR_PREVIOUS_SAVER")));
  EXPECT_EQ(Utf8(RegString(kDesktopKey, L"ScreenSaveActive").value_or(L"<missing>")),
            Utf8(Env("VESKAR_PREVIOUS_ACTIVE")));
}
