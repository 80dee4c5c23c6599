// Odd input end to end: where the effects library may come from, settings files that are
// no settings files (a folder, random bytes, 200 MB, one held open by another program),
// and a few hundred random command lines. Whatever comes, the saver starts in its usual
// time or ends at once, never crashes, and loses nothing.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "app/mode.h"
#include "dialog/layout.h"
#include "harness.h"
#include "win/handle.h"

#include <winioctl.h>

using namespace e2e;

namespace {

const std::wstring kDialogTitle = L"<ベスカル>";
const std::wstring kShowTitle = L"Veskar_Main";
constexpr DWORD kUsualStartMs = 15000;  // a start on this machine takes one or two seconds
constexpr DWORD kEndsWithinMs = 8000;   // with room for Wine's slow window destruction

// ---- the effects library

class EffectsLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateDirectoryW(working_.c_str(), nullptr);
    program_.copyFromBuild(L"Veskar.scr");
    ASSERT_TRUE(WriteFileBytes(program_.file(L"ベスカル.ini"), Cp932(L"[Section]\r\n度合い= 0\r\n")));
  }
  void TearDown() override {
    DeleteFileW(planted(L"Runo_Effect.dll").c_str());
    DeleteFileW(planted(L"effect-calls.txt").c_str());
    RemoveDirectoryW(working_.c_str());
  }
  std::wstring planted(const std::wstring& name) const { return working_ + L"\\" + name; }

  // Runs the show from `folder` for a second and a half, then ends it with a key.
  void RunShowFor1500Ms(const std::wstring& workingFolder) {
    Process saver = Process::Start(program_.file(L"Veskar.scr"), L"/s", workingFolder);
    ASSERT_TRUE(saver.started());
    const HWND show = WaitForWindow(kShowTitle, kUsualStartMs, saver.pid());
    ASSERT_NE(show, nullptr);
    PumpFor(1500);
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
  RunShowFor1500Ms(working_);
  SetEnvironmentVariableW(L"PATH", oldPath.c_str());
  EXPECT_FALSE(FileExistsW(planted(L"effect-calls.txt"))) << "the planted library was loaded and called";

  program_.copyFromBuild(L"recording_effect.dll", L"Runo_Effect.dll");
  RunShowFor1500Ms(working_);
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
    Process saver = StartSaver(folder_, L"/s");
    ASSERT_TRUE(saver.started()) << what;
    const HWND show = WaitForWindow(kShowTitle, kUsualStartMs, saver.pid());
    ASSERT_NE(show, nullptr) << what << ": no show";
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(show) != FALSE; }, kUsualStartMs)) << what;
    PostKey(show, VK_SPACE);
    const auto code = saver.waitExit(kEndsWithinMs);
    ASSERT_TRUE(code.has_value()) << what << ": the show did not end";
    EXPECT_EQ(*code, 0u) << what;
  }

  // /c opens in the usual time. With `confirm`, 設定 is pressed and the dialog must say that
  // the file cannot be replaced and stay; then it is closed without saving.
  void DialogOpensAndCloses(const std::string& what, bool confirm) {
    Process saver = StartSaver(folder_, L"/c");
    ASSERT_TRUE(saver.started()) << what;
    const HWND dialog = WaitForWindow(kDialogTitle, kUsualStartMs, saver.pid());
    ASSERT_NE(dialog, nullptr) << what << ": no dialog";
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog) != FALSE; }, kUsualStartMs)) << what;
    PumpFor(200);
    if (confirm) {
      PostClick(GetDlgItem(dialog, dialog::kIdSet), 5, 5);
      const HWND box = WaitForWindow(L"ベスカル", 10000, saver.pid());
      ASSERT_NE(box, nullptr) << what << ": no message that the file cannot be replaced";
      PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000)) << what;
      EXPECT_TRUE(IsWindow(dialog)) << what << ": the dialog stays open";
    }
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    const auto code = saver.waitExit(kEndsWithinMs);
    ASSERT_TRUE(code.has_value()) << what << ": the dialog did not end";
    EXPECT_EQ(*code, 0u) << what;
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

  TestFolder folder_{::testing::UnitTest::GetInstance()->current_test_info()->name()};
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
  const std::string head = Cp932(L"[Section]\r\n度合い= 5\r\n");
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
  const std::string kept = Cp932(L"[Section]\r\n度合い= 5\r\nBGM区分= 0\r\n");
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

// ---- random command lines

namespace {

// A random argument string: mostly ones that end at once (a letter that is no mode, or a
// preview handle that names no window), now and then one that opens the show or the
// dialog; odd slashes, quotes, blanks, digits, &H and &O, huge numbers, non-ASCII
// characters, surrogate pairs and lone surrogates.
std::wstring RandomArguments(std::mt19937& random) {
  auto pick = [&](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(random); };
  static const std::vector<std::wstring> pieces = {
      L" ", L"\t", L"\"", L"/", L"\\", L"-", L":", L"&H", L"&h", L"&O", L"&o", L"+", L"-", L".",
      L"e", L"E9", L"D", L"0", L"7", L"42", L"65535", L"4294967295", L"4294967296",
      L"18446744073709551616", L"99999999999999999999999999999999", L"FFFFFFFF", L"1.5", L"あ",
      L"ｐ", L"ｓ", L"\u00E9", L"\U0001F600", std::wstring(1, wchar_t(0xD800)),
      std::wstring(1, wchar_t(0xDC00)), L"\u3000", L"%s", L"\"\"", L"x"};
  static const std::wstring firsts = L"/-\\\"x 1&\u3042";
  // The mode letter: P and other letters often; C and S (which open a window) rarely.
  static const std::wstring lettersThatEnd = L"pPaAxXzZ0/\"&-\u3042\uFF53";
  std::wstring s;
  s += firsts[pick(firsts.size())];
  const size_t roll = pick(100);
  if (roll < 4) s += L"cC"[pick(2)];
  else if (roll < 8) s += L"sS"[pick(2)];
  else if (roll < 10) s += pieces[pick(pieces.size())];
  else s += lettersThatEnd[pick(lettersThatEnd.size())];
  const size_t count = pick(100) < 5 ? 400 : pick(12);
  for (size_t i = 0; i < count; ++i) s += pieces[pick(pieces.size())];
  if (pick(100) < 3) s += std::wstring(4000, L'9');  // a long one
  return s;
}

std::u16string U16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

struct Found {
  HWND show = nullptr, dialog = nullptr, preview = nullptr;
  int count() const { return (show != nullptr) + (dialog != nullptr) + (preview != nullptr); }
};

// Every window of the three kinds that process `pid` has: the show and the dialog by their
// titles among the top-level windows, the preview by its class anywhere.
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
    Child(w, lp);
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

class RandomCommandLines : public ::testing::Test {
 protected:
  void SetUp() override { folder_.copyFromBuild(L"Veskar.scr"); }

  // Runs `count` random argument strings from `seed`. Each must end at once or open the one
  // window its mode letter asks for (a preview only in a window that exists), which the
  // test then closes; every process ends with exit code 0.
  void Run(unsigned seed, int count) {
    std::mt19937 random(seed);
    int ended = 0, opened = 0;
    for (int i = 0; i < count; ++i) {
      const std::wstring args = RandomArguments(random);
      const std::wstring exe = folder_.file(L"Veskar.scr");
      const app::StartUp start = app::ReadCommandLine(U16(L"\"" + exe + L"\" " + args));
      app::Mode expected = start.plan.mode;
      if (expected == app::Mode::Preview &&
          !IsWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(start.plan.parentHandle)))) {
        expected = app::Mode::Exit;
      }
      std::string what = "seed " + std::to_string(seed) + " #" + std::to_string(i) + " [" +
                         Utf8(args.substr(0, 60)) + "]";
      Process saver = StartSaver(folder_, args);
      ASSERT_TRUE(saver.started()) << what;
      if (expected == app::Mode::Exit) {
        const auto code = saver.waitExit(kEndsWithinMs);
        ASSERT_TRUE(code.has_value()) << what << ": still running, " << WindowsOfTheSaver(saver.pid()).count()
                                      << " windows";
        EXPECT_EQ(*code, 0u) << what;
        ++ended;
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
      PumpFor(100);
      found = WindowsOfTheSaver(saver.pid());
      EXPECT_EQ(found.count(), 1) << what;
      EXPECT_EQ(found.show != nullptr, expected == app::Mode::Show) << what;
      EXPECT_EQ(found.dialog != nullptr, expected == app::Mode::Configure) << what;
      EXPECT_EQ(found.preview != nullptr, expected == app::Mode::Preview) << what;
      if (found.show) PostKey(found.show, VK_ESCAPE);
      if (found.dialog) PostMessageW(found.dialog, WM_CLOSE, 0, 0);
      if (found.preview) PostMessageW(found.preview, WM_CLOSE, 0, 0);
      const auto code = saver.waitExit(kEndsWithinMs);
      ASSERT_TRUE(code.has_value()) << what << ": did not end once closed";
      EXPECT_EQ(*code, 0u) << what;
      ++opened;
    }
    std::printf("%d random command lines: %d ended at once, %d opened a window\n", count, ended, opened);
    EXPECT_FALSE(FileExistsW(folder_.file(L"ベスカル.ini"))) << "reading never creates the file";
  }

  TestFolder folder_{::testing::UnitTest::GetInstance()->current_test_info()->name()};
};

}  // namespace

// Four runs of 100 (each its own test, to keep within the per-test time limit).
TEST_F(RandomCommandLines, Seed1) { Run(1, 100); }
TEST_F(RandomCommandLines, Seed2) { Run(2, 100); }
TEST_F(RandomCommandLines, Seed3) { Run(3, 100); }
TEST_F(RandomCommandLines, Seed4) { Run(4, 100); }
