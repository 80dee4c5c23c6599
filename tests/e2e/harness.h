// Helpers for the end-to-end tests: they run the real Veskar.scr under Wine on the
// virtual display and look at what a user would see or get. Every wait is bounded: a
// program that hangs fails its test and is killed; it never hangs the run.
#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/win32_helpers.h"
#include "win/handle.h"

namespace e2e {

// The folder of the test program, where the build puts Veskar.scr and Runo_Effect.dll.
std::wstring BuildFolder();

// A fresh, empty folder for one test (removed again unless the test failed).
class TestFolder {
 public:
  explicit TestFolder(const std::string& name);
  ~TestFolder();
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::wstring& path() const { return path_; }
  std::wstring file(const std::wstring& name) const { return path_ + L"\\" + name; }
  // Copies a file of the build folder (Veskar.scr, Runo_Effect.dll, ...) into this one.
  void copyFromBuild(const std::wstring& name, const std::wstring& as = L"") const;

 private:
  std::wstring path_;
};

// A started program. The destructor kills it if it still runs.
class Process {
 public:
  Process() = default;
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  ~Process();

  // Starts `exe` with the argument string `args` ("" for none), in `folder`.
  static Process Start(const std::wstring& exe, const std::wstring& args,
                       const std::wstring& folder);

  bool started() const { return static_cast<bool>(process_); }
  DWORD pid() const { return pid_; }
  bool running() const;
  // The exit code once it has ended within `timeoutMs`; nullopt if it still runs.
  std::optional<DWORD> waitExit(DWORD timeoutMs) const;
  void kill();

 private:
  win::UniqueHandle process_;
  DWORD pid_ = 0;
};

// Starts Veskar.scr of `folder` with `args`.
Process StartSaver(const TestFolder& folder, const std::wstring& args);

// The first visible or hidden top-level window with this exact title (of process `pid`
// when it is not 0) that appears within `timeoutMs`; null when none did.
HWND WaitForWindow(const std::wstring& title, DWORD timeoutMs, DWORD pid = 0);
// Every top-level window of a process.
std::vector<HWND> WindowsOf(DWORD pid);
// Waits until `condition` holds, checking every 20 ms; false on timeout.
template <typename F>
bool WaitUntil(F condition, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start >= timeoutMs) return false;
    Sleep(20);
  }
}

// Input through posted messages (reaches the window whether or not it is in front).
void PostKey(HWND hwnd, UINT vk, bool system = false);
void PostClick(HWND hwnd, int x, int y, UINT button = MK_LBUTTON);
void PostMouseMove(HWND hwnd, int x, int y);
// Input through the system's input queue (goes to the window in front, like a user's).
void SendKey(UINT vk);
void SendClick(int x, int y, bool right = false);
void SendMouseMove(int x, int y);

// The screen's pixels as 0x00RRGGBB, row by row.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> data;
  uint32_t at(int x, int y) const { return data[static_cast<size_t>(y) * width + x]; }
};
Pixels CaptureScreen(const RECT& area);
Pixels CaptureScreen();  // the whole primary screen
uint32_t ScreenPixel(int x, int y);
// Fills the whole screen with a picture for the saver to capture: a topmost window that
// shows the pixels (0x00RRGGBB), its top-left corner at `at` (the virtual screen's corner
// to cover every monitor). Closed by the destructor.
class ScreenPicture {
 public:
  explicit ScreenPicture(const Pixels& picture, POINT at = {0, 0});
  ~ScreenPicture();
  ScreenPicture(const ScreenPicture&) = delete;
  ScreenPicture& operator=(const ScreenPicture&) = delete;
  HWND hwnd() const { return hwnd_.get(); }

 private:
  win::UniqueBitmap bitmap_;  // declared first: the window that shows it goes first
  win::UniqueWindow hwnd_;
};
// Saves pixels as a 24-bit BMP (for looking at what a test saw).
void SaveBmp(const Pixels& pixels, const std::wstring& path);
// A bitmap resource of the build folder's Veskar.scr, as 0x00RRGGBB pixels (empty when
// it is missing): what the program draws from, to compare the screen with.
Pixels SaverBitmap(int id);

using testing_support::ReadFileBytes;
// The size of a file in bytes, -1 when it does not exist.
int64_t FileSize(const std::wstring& path);
using testing_support::WriteFileBytes;
bool FileExistsW(const std::wstring& path);

// A top-level window of the test process with a given title (for the single-instance
// tests and as a parent for the preview).
class OwnWindow {
 public:
  OwnWindow(const std::wstring& title, int width, int height, bool visible = true,
            DWORD style = WS_POPUP);
  ~OwnWindow();
  OwnWindow(const OwnWindow&) = delete;
  OwnWindow& operator=(const OwnWindow&) = delete;
  HWND hwnd() const { return hwnd_.get(); }
  void destroy();

 private:
  win::UniqueWindow hwnd_;
};

// The raw file that the test environment's sound device writes (VESKAR_AUDIO_RAW, a
// Windows path), or "" outside that environment.
std::wstring RawAudioPath();
// A file of the source tree (e.g. "tests/data/tones.mp3"), through Wine's drive Z:.
std::wstring SourceTreeFile(const std::string& relative);

// Runs the test process's own message queue for a while (its windows stay responsive).
void PumpFor(DWORD ms);

// Text in code page 932, as the settings file holds it.
std::string Cp932(const std::wstring& text);
std::wstring Utf16(const std::string& utf8);
std::string Utf8(const std::wstring& utf16);

}  // namespace e2e
