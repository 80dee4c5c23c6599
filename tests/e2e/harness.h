// Helpers for the end-to-end tests: they run the real Veskar.scr under Wine on the
// virtual display and look at what a user would see or get. Every wait is bounded: a
// program that hangs fails its test and is killed; it never hangs the run.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "support/files.h"
#include "support/pixels.h"
#include "support/process.h"
#include "support/win32_helpers.h"
#include "win/handle.h"

namespace e2e {

// The shared scaffolding of tests/support, under the names the end-to-end tests use.
using testing_support::BuildFolder;
using testing_support::CaptureScreen;
using testing_support::Cp932;
using testing_support::FileExistsW;
using testing_support::FileSize;
using testing_support::Pixels;
using testing_support::Process;
using testing_support::PumpFor;
using testing_support::RawAudioPath;
using testing_support::ReadFileBytes;
using testing_support::SaveBmp;
using testing_support::SourceTreeFile;
using testing_support::StartedSaver;
using testing_support::StartSaver;
using testing_support::StartSaverWindow;
using testing_support::TestFolder;
using testing_support::Utf16;
using testing_support::Utf8;
using testing_support::WaitForWindow;
using testing_support::WaitUntil;
using testing_support::WindowsOf;
using testing_support::WriteFileBytes;

// The titles of the show's window and of the settings dialog.
inline const std::wstring kShowTitle = L"Veskar_Main";
inline const std::wstring kDialogTitle = L"<ベスカル>";

// The number of effect calls the recording stand-in (Runo_Effect.dll of `folder`) has
// logged so far, and a wait for `more` calls after the first `since`. A call is a frame of
// the show, and every frame handles the input pending at its end: once two more calls are
// logged, what was posted before has been handled.
size_t EffectCalls(const TestFolder& folder);
bool WaitForEffectCalls(const TestFolder& folder, size_t since, size_t more, DWORD timeoutMs = 15000);
// Waits until the show, once loaded (on top), holds the sharp picture at the end of a
// cycle. It answers messages at every frame (a level time at most) and none during its
// one-second hold: the first question left unanswered for 200 ms says that it holds.
bool WaitForHold(HWND show, DWORD timeoutMs = 15000);

// Input through posted messages (reaches the window whether or not it is in front).
void PostKey(HWND hwnd, UINT vk, bool system = false);
void PostClick(HWND hwnd, int x, int y, UINT button = MK_LBUTTON);
void PostMouseMove(HWND hwnd, int x, int y);
// Input through the system's input queue (goes to the window in front, like a user's).
void SendKey(UINT vk);
void SendClick(int x, int y, bool right = false);
void SendMouseMove(int x, int y);

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
// A bitmap resource of the build folder's Veskar.scr, as 0x00RRGGBB pixels (empty when
// it is missing): what the program draws from, to compare the screen with.
Pixels SaverBitmap(int id);


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



}  // namespace e2e
