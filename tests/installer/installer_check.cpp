// What the installer left on the machine, looked at from inside Wine. tests/installer/run.sh
// runs the installer and uninstaller silently and calls this program between the steps, one
// suite at a time:
//   Installed.*    the files, the registry values and the two Start-menu shortcuts
//                  (VESKAR_EXPECT_VERSION: the version the Apps & features entry must show)
//   Configure.*    the shortcut's command opens the settings dialog; 設定 saves beside it
//   InUse.*        with the settings dialog open: silent runs change nothing and end with
//                  32; an interactive one asks to close Veskar and goes on once it is closed
//                  (VESKAR_SETUP, VESKAR_SETUP_NEXT: the setups to run, Windows paths)
//   Uninstalled.*  nothing of Veskar left in the registry or the Start menu, the previous
//                  saver back (VESKAR_PREVIOUS_SAVER, VESKAR_PREVIOUS_ACTIVE)
// The files' bytes are compared on the Unix side, with the zips.
#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "support/files.h"
#include "support/process.h"
#include "support/win32_helpers.h"
#include "win/handle.h"

namespace {

// Unbuffered, so that gtest_main's first line reaches the log as soon as main starts: run.sh
// tells a program Wine never started from one that failed by that line.
const bool kUnbufferedOutput = std::setvbuf(stdout, nullptr, _IONBF, 0) == 0;

using testing_support::FileExistsW;
using testing_support::Process;
using testing_support::Utf16;
using testing_support::Utf8;
using testing_support::WaitUntil;

const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Veskar";
const wchar_t kStateKey[] = L"Software\\Veskar";
const wchar_t kDialogTitle[] = L"<ベスカル>";
constexpr DWORD kExitVeskarInUse = 32;

std::wstring KnownFolder(REFKNOWNFOLDERID id) {
  PWSTR path = nullptr;
  std::wstring result;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) result = path;
  CoTaskMemFree(path);
  return result;
}

std::wstring InstallFolder() { return KnownFolder(FOLDERID_LocalAppData) + L"\\Programs\\Veskar"; }
std::wstring InstalledSaver() { return InstallFolder() + L"\\Veskar.scr"; }
std::wstring ShortcutPath() { return KnownFolder(FOLDERID_Programs) + L"\\ベスカルの設定.lnk"; }
// The entry that chooses Veskar again, named in the installer's language: Japanese where
// the user's interface is, English elsewhere.
std::wstring ChooseShortcutPath(bool japanese) {
  return KnownFolder(FOLDERID_Programs) +
         (japanese ? L"\\ベスカルをスクリーンセーバーにする.lnk" : L"\\Use Veskar as the screen saver.lnk");
}
bool JapaneseInterface() { return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE; }

std::wstring Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? Utf16(v) : std::wstring();
}

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
std::string RegText(const wchar_t* key, const wchar_t* name) {
  return Utf8(RegString(key, name).value_or(L"<missing>"));
}

// The path as the screen-saver page stores it: short where the volume has short names.
std::wstring ShortPath(const std::wstring& path) {
  wchar_t out[MAX_PATH]{};
  const DWORD n = GetShortPathNameW(path.c_str(), out, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(out, n) : path;
}

std::wstring SystemFolder() {
  wchar_t path[MAX_PATH]{};
  const UINT n = GetSystemDirectoryW(path, MAX_PATH);
  return std::wstring(path, n < MAX_PATH ? n : 0);
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
    EXPECT_TRUE(FileExistsW(InstallFolder() + L"\\" + name)) << Utf8(name);
}

TEST(Installed, VeskarIsTheScreenSaverWithTheShortPath) {
  EXPECT_EQ(RegText(kDesktopKey, L"SCRNSAVE.EXE"), Utf8(ShortPath(InstalledSaver())));
  EXPECT_EQ(RegText(kDesktopKey, L"ScreenSaveActive"), "1");
}

TEST(Installed, AppsAndFeaturesEntry) {
  const std::wstring folder = InstallFolder();
  EXPECT_EQ(RegText(kUninstallKey, L"DisplayName"), "ベスカル (Veskar)");
  EXPECT_EQ(RegText(kUninstallKey, L"DisplayVersion"), Utf8(Env("VESKAR_EXPECT_VERSION")));
  EXPECT_EQ(RegText(kUninstallKey, L"Publisher"), "Veskar Project");
  EXPECT_EQ(RegText(kUninstallKey, L"DisplayIcon"), Utf8(folder + L"\\Veskar.scr,0"));
  EXPECT_EQ(RegText(kUninstallKey, L"UninstallString"), Utf8(L"\"" + folder + L"\\uninstall.exe\""));
  EXPECT_EQ(RegText(kUninstallKey, L"QuietUninstallString"), Utf8(L"\"" + folder + L"\\uninstall.exe\" /S"));
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
  EXPECT_TRUE(SamePath(link->target, InstalledSaver())) << Utf8(link->target);
  EXPECT_EQ(Utf8(link->arguments), "/c");
  EXPECT_TRUE(SamePath(link->folder, InstallFolder())) << Utf8(link->folder);
}

// What Windows runs for a .scr's own Install: it makes the file the current saver and
// opens Screen Saver Settings with it chosen.
TEST(Installed, StartMenuShortcutChoosesVeskarAgainAsWindowsOwnInstallDoes) {
  ComScope com;
  const bool japanese = JapaneseInterface();
  const auto link = ReadShortcut(ChooseShortcutPath(japanese));
  ASSERT_TRUE(link.has_value()) << "no shortcut " << Utf8(ChooseShortcutPath(japanese));
  EXPECT_TRUE(SamePath(link->target, SystemFolder() + L"\\rundll32.exe")) << Utf8(link->target);
  EXPECT_EQ(Utf8(link->arguments), Utf8(L"desk.cpl,InstallScreenSaver \"" + InstalledSaver() + L"\""));
  EXPECT_TRUE(SamePath(link->folder, InstallFolder())) << Utf8(link->folder);
  EXPECT_TRUE(SamePath(link->icon, InstalledSaver())) << Utf8(link->icon);
  EXPECT_EQ(link->iconIndex, 0);
  EXPECT_FALSE(FileExistsW(ChooseShortcutPath(!japanese))) << "the entry of the other language is left";
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

constexpr int kSetButtonId = 1001;  // 設定, a child of the dialog window

}  // namespace

TEST(Configure, TheShortcutsCommandOpensTheDialogAndItsConfirmSavesBesideTheProgram) {
  ComScope com;
  const auto link = ReadShortcut(ShortcutPath());
  ASSERT_TRUE(link.has_value());
  const std::wstring ini = InstallFolder() + L"\\ベスカル.ini";
  DeleteFileW(ini.c_str());

  const Process saver = Process::Start(link->target, link->arguments, link->folder);
  ASSERT_TRUE(saver.started());
  const HWND dialog = testing_support::WaitForWindow(kDialogTitle, 20000, saver.pid());
  ASSERT_TRUE(dialog && WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }, 20000)) << "no settings dialog";
  HWND set = GetDlgItem(dialog, kSetButtonId);
  ASSERT_NE(set, nullptr);
  Sleep(500);  // the dialog has painted and takes input
  SetForegroundWindow(dialog);
  ClickMiddleOf(set);
  const auto code = saver.waitExit(15000);
  ASSERT_TRUE(code.has_value()) << "the dialog did not close on 設定";
  EXPECT_EQ(*code, 0u);
  const std::string saved = testing_support::ReadFileBytes(ini);
  EXPECT_EQ(saved.rfind("[Section]\r\n", 0), 0u) << "ベスカル.ini: " << saved;
}

namespace {

// FNV-1a: enough to tell whether a file's bytes changed.
uint64_t Fingerprint(const std::string& bytes) {
  uint64_t h = 14695981039346656037ull;
  for (const unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  return h;
}

struct FindTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { FindClose(h); }
};

// What an install or an uninstall may change: the files of the install folder (name and
// bytes), the registry values it writes and the Start-menu entries.
std::map<std::string, std::string> Machine() {
  std::map<std::string, std::string> state;
  WIN32_FIND_DATAW fd;
  const win::Unique<FindTraits> find(FindFirstFileW((InstallFolder() + L"\\*").c_str(), &fd));
  if (find) {
    do {
      const std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::string bytes = testing_support::ReadFileBytes(InstallFolder() + L"\\" + name);
      state["file " + Utf8(name)] = std::to_string(bytes.size()) + " " + std::to_string(Fingerprint(bytes));
    } while (FindNextFileW(find.get(), &fd));
  }
  for (const wchar_t* name : {L"DisplayVersion", L"UninstallString"})
    state["uninstall " + Utf8(name)] = RegText(kUninstallKey, name);
  state["SCRNSAVE.EXE"] = RegText(kDesktopKey, L"SCRNSAVE.EXE");
  state["previous saver"] = RegText(kStateKey, L"PreviousScreenSaver");
  for (const std::wstring& link : {ShortcutPath(), ChooseShortcutPath(true), ChooseShortcutPath(false)})
    state["link " + Utf8(link)] = FileExistsW(link) ? "present" : "absent";
  return state;
}

// A top-level window of process `pid` holding a control with each of these IDs.
HWND WindowWithControls(DWORD pid, std::initializer_list<int> ids) {
  for (const HWND w : testing_support::WindowsOf(pid)) {
    if (!IsWindowVisible(w)) continue;
    bool all = true;
    for (const int id : ids) all = all && GetDlgItem(w, id) != nullptr;
    if (all) return w;
  }
  return nullptr;
}

// Veskar's settings dialog, opened from the install folder as Screen Saver Settings or the
// Start menu would, for the length of a test.
class InUse : public ::testing::Test {
 protected:
  void SetUp() override {
    saver_ = Process::Start(InstalledSaver(), L"/c", InstallFolder());
    ASSERT_TRUE(saver_.started());
    dialog_ = testing_support::WaitForWindow(kDialogTitle, 20000, saver_.pid());
    ASSERT_NE(dialog_, nullptr) << "no settings dialog";
  }
  // As the user does: the dialog's close box.
  bool CloseVeskar() {
    PostMessageW(dialog_, WM_CLOSE, 0, 0);
    return saver_.waitExit(20000).has_value();
  }
  Process saver_;
  HWND dialog_ = nullptr;
};

}  // namespace

TEST_F(InUse, SilentInstallAndUninstallChangeNothingAndEndWith32) {
  const auto before = Machine();

  const Process setup = Process::Start(Env("VESKAR_SETUP_NEXT"), L"/S", InstallFolder());
  ASSERT_TRUE(setup.started()) << Utf8(Env("VESKAR_SETUP_NEXT"));
  EXPECT_EQ(setup.waitExit(120000), std::optional<DWORD>(kExitVeskarInUse));
  EXPECT_EQ(Machine(), before) << "after a silent install";

  // uninstall.exe hands over to a copy of itself and returns at once; its code reaches
  // the caller that runs the copy itself, with _?= naming the folder.
  wchar_t temp[MAX_PATH]{};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring copy = std::wstring(temp) + L"veskar-uninstall-check.exe";
  ASSERT_TRUE(CopyFileW((InstallFolder() + L"\\uninstall.exe").c_str(), copy.c_str(), FALSE));
  const Process uninstall = Process::Start(copy, L"/S _?=" + InstallFolder(), temp);
  EXPECT_EQ(uninstall.waitExit(120000), std::optional<DWORD>(kExitVeskarInUse));
  DeleteFileW(copy.c_str());
  EXPECT_EQ(Machine(), before) << "after a silent uninstall";

  EXPECT_TRUE(saver_.running()) << "the installer must not close Veskar itself";
  EXPECT_TRUE(CloseVeskar());
}

TEST_F(InUse, AnInteractiveInstallAsksToCloseVeskarAndGoesOnOnceItIsClosed) {
  const auto before = Machine();
  const Process setup = Process::Start(Env("VESKAR_SETUP"), L"", InstallFolder());
  ASSERT_TRUE(setup.started()) << Utf8(Env("VESKAR_SETUP"));

  // The wizard's first page, then its Install button (IDOK; Back is 3).
  HWND wizard = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (wizard = WindowWithControls(setup.pid(), {IDOK, 3})) != nullptr; }, 60000))
      << "no installer window";
  ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(wizard, IDOK)) != FALSE; }, 20000));
  PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(wizard, IDOK)));

  HWND ask = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (ask = WindowWithControls(setup.pid(), {IDRETRY, IDCANCEL})) != nullptr; }, 60000))
      << "the installer did not ask to close Veskar";
  const auto asking = Machine();
  for (const auto& [what, value] : before)
    EXPECT_EQ(asking.at(what), value) << what << " changed while the installer asks";

  ASSERT_TRUE(CloseVeskar());
  PostMessageW(ask, WM_COMMAND, MAKEWPARAM(IDRETRY, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(ask, IDRETRY)));
  // The install goes on and the wizard comes to its finish page, whose Finish (IDOK) ends it.
  ASSERT_TRUE(WaitUntil(
      [&] {
        if (!setup.running()) return true;
        const HWND next = GetDlgItem(wizard, IDOK);
        if (next && IsWindowEnabled(next))
          PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(next));
        testing_support::PumpFor(500);
        return false;
      },
      120000))
      << "the install did not come to its end";
  EXPECT_EQ(setup.waitExit(0), std::optional<DWORD>(0));
  const auto after = Machine();
  EXPECT_EQ(after.count("file Veskar.scr.veskar-new") + after.count("file Runo_Effect.dll.veskar-new"), 0u);
  EXPECT_EQ(after.at("uninstall DisplayVersion"), Utf8(Env("VESKAR_EXPECT_VERSION")));
  EXPECT_EQ(after.at("file Veskar.scr"), before.at("file Veskar.scr")) << "the same version again";
}

TEST(Uninstalled, NothingOfVeskarInTheRegistryOrTheStartMenu) {
  EXPECT_FALSE(KeyExists(kUninstallKey));
  EXPECT_FALSE(KeyExists(kStateKey));
  for (const std::wstring& link : {ShortcutPath(), ChooseShortcutPath(true), ChooseShortcutPath(false)})
    EXPECT_FALSE(FileExistsW(link)) << Utf8(link);
}

TEST(Uninstalled, ThePreviousScreenSaverIsBack) {
  EXPECT_EQ(RegText(kDesktopKey, L"SCRNSAVE.EXE"), Utf8(Env("VESKAR_PREVIOUS_SAVER")));
  EXPECT_EQ(RegText(kDesktopKey, L"ScreenSaveActive"), Utf8(Env("VESKAR_PREVIOUS_ACTIVE")));
}
