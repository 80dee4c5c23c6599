// The real settings dialog for an end-to-end test: a fixture whose Open starts Veskar.scr
// /c in the test's folder with a settings file of the test's and finds the dialog's
// windows once it answers the shared query; and where the dialog thread's focus is.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "dialog/layout.h"
#include "support/dialog_query.h"
#include "support/files.h"
#include "support/process.h"

namespace testing_support {

inline std::wstring SettingsFilePath(const TestFolder& folder) { return folder.file(L"ベスカル.ini"); }

// The window with the keyboard focus in the thread of `window` (GetFocus sees only the
// caller's own thread).
inline HWND FocusIn(HWND window) {
  GUITHREADINFO info{sizeof info};
  return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
}

class SettingsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_.copyFromBuild(L"Veskar.scr"); }

  std::wstring IniPath() const { return SettingsFilePath(folder_); }

  // Writes `ini` as the settings file ("" leaves none), starts /c and waits until the
  // dialog is shown and answers the query.
  void Open(const std::string& ini) {
    if (!ini.empty()) {
      ASSERT_TRUE(WriteFileBytes(IniPath(), ini));
    }
    StartedSaver started = StartSaverWindow(folder_, L"/c", L"<ベスカル>");
    saver_ = std::move(started.process);
    dialog_ = started.window;
    ASSERT_NE(dialog_, nullptr) << "no dialog: " << (!saver_.started() ? "the program did not start"
                                                     : saver_.running() ? "none shown in time"
                                                                        : "the program ended");
    ASSERT_TRUE(WaitUntil([&] { return !query_.Ask(dialog_).empty(); }, 10000)) << "no answer";
    panel_ = GetDlgItem(dialog_, dialog::kIdPanel);
    bar_ = GetDlgItem(panel_, dialog::kIdDegreeBar);
    combo_ = GetDlgItem(panel_, dialog::kIdRepeat);
    ASSERT_TRUE(panel_ && bar_ && combo_);
  }

  // The program ends, with exit code 0, once the dialog has closed.
  void ExpectClosed() {
    const auto code = saver_.waitExit(15000);
    ASSERT_TRUE(code.has_value()) << "the dialog did not close";
    EXPECT_EQ(*code, 0u);
  }

  TestFolder folder_;  // named after the test
  DialogQuery query_;
  Process saver_;
  HWND dialog_ = nullptr, panel_ = nullptr, bar_ = nullptr, combo_ = nullptr;
};

}  // namespace testing_support
