// Odd input end to end: where the effects library may come from, settings files that are
// no settings files (a folder, random bytes, 200 MB, one held open by another program),
// and odd command lines. Whatever comes, the saver starts in its usual time or ends at
// once, never crashes, and loses nothing.
#include <cstdint>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include "dialog/layout.h"
#include "harness.h"
#include "support/settings_text.h"
#include "win/handle.h"

#include <winioctl.h>

using namespace e2e;
using testing_support::kDegreeKey;
using testing_support::kMusicKindKey;
using testing_support::SettingsFile;

namespace {

constexpr DWORD kUsualStartMs = 15000;  // a start on this machine takes one or two seconds
constexpr DWORD kEndsWithinMs = 8000;   // with room for Wine's slow window destruction

// ---- the effects library

class EffectsLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryW(working_.c_str(), nullptr);
    program_.copyFromBuild(L"Veskar.scr");
    ASSERT_TRUE(WriteFileBytes(program_.file(L"ベスカル.ini"), SettingsFile({{kDegreeKey, " 0"}})));
  }
  void TearDown() override {
    DeleteFileW(planted(L"Runo_Effect.dll").c_str());
    DeleteFileW(planted(L"effect-calls.txt").c_str());
    RemoveDirectoryW(working_.c_str());
  }
  std::wstring planted(const std::wstring& name) const { return working_ + L"\\" + name; }

  // Runs the show from `folder` until it holds the sharp picture after its first cycle
  // (every effect call of the cycle made by then), then ends it with a key.
  void RunShowThroughACycle(const std::wstring& workingFolder) {
    Process saver = Process::Start(program_.file(L"Veskar.scr"), L"/s", workingFolder);
    ASSERT_TRUE(saver.started());
    const HWND show = WaitForWindow(kShowTitle, kUsualStartMs, saver.pid());
    ASSERT_NE(show, nullptr);
    // On top once its load is done; then its frames, and the hold after them.
    ASSERT_TRUE(WaitUntil([&] { return (GetWindowLongW(show, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }, kUsualStartMs));
    EXPECT_TRUE(WaitForHold(show)) << "no cycle came to its hold";
    PostKey(show, VK_ESCAPE);
    const auto code = saver.waitExit(kEndsWithinMs);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
  }

  TestFolder program_{"EffectsLibrary-program"};
  std::wstring working_ = BuildFolder() + L"\\e2e-work\\EffectsLibrary-working";
};

// Windows starts a screen saver in a working folder the saver does not choose. A library
// planted there, or in a folder on PATH, must never run; beside the program it does.
TEST_F(EffectsLibrary, OnlyTheOneBesideTheProgramIsLoaded) {
  CopyFileW((BuildFolder() + L"\\recording_effect.dll").c_str(), planted(L"Runo_Effect.dll").c_str(), FALSE);
  ASSERT_TRUE(FileExistsW(planted(L"Runo_Effect.dll")));
  wchar_t path[32768];
  const DWORD n = GetEnvironmentVariableW(L"PATH", path, 32768);
  const std::wstring oldPath(path, n);
  SetEnvironmentVariableW(L"PATH", (working_ + L";" + oldPath).c_str());
  RunShowThroughACycle(working_);
  SetEnvironmentVariableW(L"PATH", oldPath.c_str());
  EXPECT_FALSE(FileExistsW(planted(L"effect-calls.txt"))) << "the planted library was loaded and called";

  program_.copyFromBuild(L"recording_effect.dll", L"Runo_Effect.dll");
  RunShowThroughACycle(working_);
  EXPECT_GT(FileSize(program_.file(L"effect-calls.txt")), 0) << "the library beside the program was not called";
  EXPECT_FALSE(FileExistsW(planted(L"effect-calls.txt")));
}

// ---- the settings file

class OddSettingsFile : public ::testing::Test {
 protected:
  void SetUp() override { folder_.copyFromBuild(L"Veskar.scr"); }
  std::wstring ini() const { return folder_.file(L"ベスカル.ini"); }

  // /s starts and shows itself in the usual time, and a key ends it.
  void ShowStartsAndEnds(const std::string& what) {
    const StartedSaver saver = StartSaverWindow(folder_, L"/s", kShowTitle, kUsualStartMs);
    ASSERT_NE(saver.window, nullptr) << what << ": no show";
    PostKey(saver.window, VK_SPACE);
    EXPECT_TRUE(saver.process.endsCleanly(kEndsWithinMs)) << what << ": the show did not end with code 0";
  }

  // /c opens in the usual time. With `confirm`, 設定 is pressed and the dialog must say that
  // the file cannot be replaced and stay; then it is closed without saving.
  void DialogOpensAndCloses(const std::string& what, bool confirm) {
    const auto [saver, dialog] = StartSaverWindow(folder_, L"/c", kDialogTitle, kUsualStartMs);
    ASSERT_NE(dialog, nullptr) << what << ": no dialog";
    DWORD_PTR ignored = 0;  // its message loop answers
    SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    if (confirm) {
      PostClick(GetDlgItem(dialog, dialog::kIdSet), 5, 5);
      const HWND box = WaitForWindow(L"ベスカル", 10000, saver.pid());
      ASSERT_NE(box, nullptr) << what << ": no message that the file cannot be replaced";
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000)) << what;
      EXPECT_TRUE(IsWindow(dialog)) << what << ": the dialog stays open";
    }
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_TRUE(saver.endsCleanly(kEndsWithinMs)) << what << ": the dialog did not end with code 0";
  }

  // The first `n` bytes of a file.
  static std::string Head(const std::wstring& path, size_t n) {
    win::UniqueFile f(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes(n, '\0');
    DWORD got = 0;
    if (!f || !ReadFile(f.get(), bytes.data(), static_cast<DWORD>(n), &got, nullptr)) return {};
    bytes.resize(got);
    return bytes;
  }

  TestFolder folder_;
};

}  // namespace

TEST_F(OddSettingsFile, AFolderInItsPlace) {
  ASSERT_TRUE(CreateDirectoryW(ini().c_str(), nullptr));
  ShowStartsAndEnds("folder");
  DialogOpensAndCloses("folder", true);
  EXPECT_EQ(GetFileAttributesW(ini().c_str()) & FILE_ATTRIBUTE_DIRECTORY, DWORD{FILE_ATTRIBUTE_DIRECTORY});
  EXPECT_FALSE(FileExistsW(ini() + L".new~"));
  RemoveDirectoryW(ini().c_str());
}

// Random bytes, from a few bytes to 64 KB, some with a valid line among them: the saver
// reads what it can (a cancel then leaves the file byte for byte).
TEST_F(OddSettingsFile, RandomBytes) {
  std::mt19937 random(20261207);
  for (int i = 0; i < 8; ++i) {
    const size_t size = std::uniform_int_distribution<size_t>(1, i < 4 ? 300 : 65536)(random);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    if (i % 2) bytes.insert(size / 2, Cp932(L"\r\n[Section]\r\n度合い= 5\r\n"));
    ASSERT_TRUE(WriteFileBytes(ini(), bytes));
    const std::string what = "random file " + std::to_string(i) + " of " + std::to_string(bytes.size()) + " bytes";
    if (i % 2) ShowStartsAndEnds(what);
    else DialogOpensAndCloses(what, false);
    EXPECT_EQ(ReadFileBytes(ini()), bytes) << what;
  }
}

// 200 MB (sparse where the file system allows): not read, so the defaults apply and the
// start takes its usual time; a confirm cannot replace it and says so.
TEST_F(OddSettingsFile, TwoHundredMegabytes) {
  constexpr LONGLONG kSize = 200LL << 20;
  const std::string head = SettingsFile({{kDegreeKey, " 5"}});
  {
    win::UniqueFile file(
        CreateFileW(ini().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    DWORD ignored = 0;
    DeviceIoControl(file.get(), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    WriteFile(file.get(), head.data(), static_cast<DWORD>(head.size()), &ignored, nullptr);
    LARGE_INTEGER end{};
    end.QuadPart = kSize;
    SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN);
    ASSERT_TRUE(SetEndOfFile(file.get()));
  }
  ASSERT_EQ(FileSize(ini()), kSize);
  ShowStartsAndEnds("200 MB");
  DialogOpensAndCloses("200 MB", true);
  EXPECT_EQ(FileSize(ini()), kSize);
  EXPECT_EQ(Head(ini(), head.size()), head);
  EXPECT_FALSE(FileExistsW(ini() + L".new~"));
  DeleteFileW(ini().c_str());
}

// Another program holds the file open without sharing it: nothing can be read (the
// defaults apply) and a confirm cannot replace it and says so.
TEST_F(OddSettingsFile, HeldOpenByAnotherProgram) {
  const std::string kept = SettingsFile({{kDegreeKey, " 5"}, {kMusicKindKey, " 0"}});
  ASSERT_TRUE(WriteFileBytes(ini(), kept));
  win::UniqueFile lock(CreateFileW(ini().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(lock);
  ShowStartsAndEnds("held open");
  DialogOpensAndCloses("held open", true);
  lock.reset();
  EXPECT_EQ(ReadFileBytes(ini()), kept);
  EXPECT_FALSE(FileExistsW(ini() + L".new~"));
}

// ---- odd command lines

namespace {

// Every window of the three kinds that process `pid` has: the show and the dialog by their
// titles among the top-level windows, the preview by its class anywhere.
struct Found {
  HWND show = nullptr, dialog = nullptr, preview = nullptr;
  int count() const { return (show != nullptr) + (dialog != nullptr) + (preview != nullptr); }
};

struct Finder {
  DWORD pid;
  Found found;
  static BOOL CALLBACK Child(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<Finder*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    wchar_t cls[32] = {};
    GetClassNameW(w, cls, 32);
    if (owner == f->pid && std::wstring(cls) == L"Veskar_R") f->found.preview = w;
    return TRUE;
  }
  static BOOL CALLBACK Top(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<Finder*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == f->pid) {
      wchar_t title[64] = {};
      GetWindowTextW(w, title, 64);
      if (title == kShowTitle) f->found.show = w;
      if (title == kDialogTitle) f->found.dialog = w;
    }
    EnumChildWindows(w, &Child, lp);
    return TRUE;
  }
};

Found WindowsOfTheSaver(DWORD pid) {
  Finder f{pid, {}};
  EnumWindows(&Finder::Top, reinterpret_cast<LPARAM>(&f));
  return f.found;
}

enum class Opens { Nothing, Show, Dialog, Preview };

// The mode is the second character of the argument string, upper-cased (a surrogate pair
// is one character); a preview reads its window's handle from the fourth character on.
// The answers are written here: the parser itself is unit-tested and fuzzed.
class OddCommandLines : public ::testing::Test {
 protected:
  void SetUp() override { folder_.copyFromBuild(L"Veskar.scr"); }

  // Each line must end at once or open the one window it asks for, which the test then
  // closes; every process ends with exit code 0, and none creates the settings file.
  void Run(const std::vector<std::wstring>& lines, Opens expected) {
    for (const std::wstring& args : lines) {
      const std::string what = "[" + Utf8(args.substr(0, 60)) + "]";
      Process saver = StartSaver(folder_, args);
      ASSERT_TRUE(saver.started()) << what;
      if (expected == Opens::Nothing) {
        const auto code = saver.waitExit(kEndsWithinMs);
        ASSERT_TRUE(code.has_value()) << what << ": still running, " << WindowsOfTheSaver(saver.pid()).count()
                                      << " windows";
        EXPECT_EQ(*code, 0u) << what;
        continue;
      }
      Found found;
      ASSERT_TRUE(WaitUntil(
          [&] {
            found = WindowsOfTheSaver(saver.pid());
            if (found.show) return IsWindowVisible(found.show) != FALSE;
            if (found.dialog) return IsWindowVisible(found.dialog) != FALSE;
            // A preview may join a hidden window: its own style says it is shown.
            return found.preview && (GetWindowLongW(found.preview, GWL_STYLE) & WS_VISIBLE);
          },
          kUsualStartMs))
          << what << ": no window";
      // One round trip through its message loop: whatever it opens at its start is open.
      const HWND any = found.show ? found.show : found.dialog ? found.dialog : found.preview;
      DWORD_PTR ignored = 0;
      SendMessageTimeoutW(any, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
      found = WindowsOfTheSaver(saver.pid());
      EXPECT_EQ(found.count(), 1) << what;
      EXPECT_EQ(found.show != nullptr, expected == Opens::Show) << what;
      EXPECT_EQ(found.dialog != nullptr, expected == Opens::Dialog) << what;
      EXPECT_EQ(found.preview != nullptr, expected == Opens::Preview) << what;
      if (found.preview) {
        EXPECT_EQ(GetParent(found.preview), pane_.hwnd()) << what;
      }
      if (found.show) PostKey(found.show, VK_ESCAPE);
      if (found.dialog) PostMessageW(found.dialog, WM_CLOSE, 0, 0);
      if (found.preview) PostMessageW(found.preview, WM_CLOSE, 0, 0);
      EXPECT_TRUE(saver.endsCleanly(kEndsWithinMs)) << what << ": did not end with code 0 once closed";
    }
    EXPECT_FALSE(FileExistsW(folder_.file(L"ベスカル.ini"))) << "reading never creates the file";
  }

  std::wstring pane() const { return std::to_wstring(reinterpret_cast<uintptr_t>(pane_.hwnd())); }

  TestFolder folder_;
  OwnWindow pane_{L"pane", 152, 112, false};
};

const std::wstring kLoneHigh(1, wchar_t(0xD800));
const std::wstring kLoneLow(1, wchar_t(0xDC00));

}  // namespace

TEST_F(OddCommandLines, NoModeLetterAndHandlesOfNoWindowEndAtOnce) {
  Run({L"/x", L"xx", L"s", L"//s", L"&H", L"/\uFF53",       // a full-width s is no S
       L"/\U0001F600s", L"/" + kLoneHigh + L"s",  // a pair is one character, a lone half too
       L"/a" + std::wstring(4000, L'9'), L"/\"s\"",
       L"/p 4294967296", L"/p &HFFFFFFFF0", L"/p " + std::wstring(400, L'9'), L"/p", L"-p e"},
      Opens::Nothing);
}

TEST_F(OddCommandLines, AnSAfterAnyFirstCharacterOpensTheShow) {
  Run({L"xs", L"-S 12 &H", L"\"s\"\"", L"\U0001F600s", L"\u3000s", L"/s" + kLoneLow + std::wstring(4000, L'9')},
      Opens::Show);
}

TEST_F(OddCommandLines, ACAfterAnyFirstCharacterOpensTheDialog) {
  Run({L"/c:&HFFFFFFFF", L"-C 99999999999999999999", L"\\c" + kLoneHigh, L"\u3042c"}, Opens::Dialog);
}

TEST_F(OddCommandLines, APreviewHandleInAnyOfItsSpellingsJoinsThatWindow) {
  wchar_t hex[32];
  swprintf(hex, 32, L"%llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(pane_.hwnd())));
  Run({L"/p " + pane(), L"-P &H" + std::wstring(hex), L"xp\t" + pane() + L".4", L"/pX " + pane() + L"abc"},
      Opens::Preview);
}
