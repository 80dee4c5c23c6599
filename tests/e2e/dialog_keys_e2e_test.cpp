// The settings dialog with the keyboard alone: the real Veskar.scr /c on the virtual
// display, driven through the system's input queue (SendInput) as a user without a
// mouse drives it, and judged by where the focus is, what the dialog shows and the bytes
// of the settings file.
#include <map>
#include <string>

#include "harness.h"
#include "support/accessible.h"
#include "support/settings_dialog.h"
#include "support/settings_text.h"

using namespace e2e;
using namespace testing_support;

namespace {

std::string SavedFile(int degree, int kind, int track, const std::wstring& file) {
  return SavedSettings(degree, kind, track, Cp932(file));
}

class DialogKeysE2e : public SettingsDialogTest {
 protected:
  void Open(const std::string& ini) {
    ASSERT_NO_FATAL_FAILURE(SettingsDialogTest::Open(ini));
    ASSERT_TRUE(FocusAt(bar_, "HS_Doai")) << "the first focus is the degree bar";
  }

  std::map<std::string, std::string> Shown() const { return query_.Ask(dialog_); }
  HWND Focus() const { return FocusIn(dialog_); }

  // Waits until the focus is at `w` (in the track box: in its edit field) and the dialog
  // says so too, its focus at `stop`. A key is handled when its turn in the dialog's queue
  // comes: each step waits for what its key does.
  bool FocusAt(HWND w, const std::string& stop) {
    return WaitUntil(
        [&] {
          const HWND f = Focus();
          return (f == w || (w == combo_ && IsChild(combo_, f))) && Shown()["focus"] == stop;
        },
        5000);
  }
  bool ShownBecomes(const std::string& name, const std::string& value) {
    return WaitUntil([&] { return Shown()[name] == value; }, 5000);
  }
  bool BarAt(int position) {
    return WaitUntil([&] { return GetScrollPos(bar_, SB_CTL) == position; }, 5000);
  }

  // Keys as a user types them, through the system's input queue.
  void Key(UINT vk, bool shift = false) {
    if (shift) Press(VK_SHIFT, false);
    SendKey(vk);
    if (shift) Press(VK_SHIFT, true);
  }
  void Press(UINT vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = static_cast<WORD>(vk);
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
  }

  // A click on the caption of a music row, through the input queue as a user makes one.
  void ClickRow(int kind) {
    const dialog::Rect r = AnsweredRect(Shown(), "lbl_BGM(" + std::to_string(kind) + ")");
    POINT p{r.left + 4, r.top + r.height / 2};
    ClientToScreen(panel_, &p);
    SendClick(p.x, p.y);
  }

  win::ComApartment com_;  // the pressed look is asked as a screen reader asks
};

}  // namespace

TEST_F(DialogKeysE2e, ArrowsPagesHomeAndEndMoveTheBarAndEnterSavesTheDegree) {
  Open(SavedFile(100, 0, 0, L""));
  auto caret = [&] {
    GUITHREADINFO info{sizeof info};
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog_, nullptr), &info);
    return info.hwndCaret;
  };
  EXPECT_NE(caret(), bar_) << "no blinking thumb before the keyboard is used";
  const struct {
    UINT vk;
    int position;
  } steps[] = {{VK_RIGHT, 101}, {VK_RIGHT, 102}, {VK_LEFT, 101}, {VK_NEXT, 111}, {VK_PRIOR, 101},
               {VK_END, 255},   {VK_HOME, 0},    {VK_NEXT, 10},  {VK_DOWN, 11},  {VK_UP, 10},
               {VK_RIGHT, 11}};
  for (const auto& s : steps) {
    Key(s.vk);
    EXPECT_TRUE(BarAt(s.position)) << s.vk;
  }
  EXPECT_EQ(Shown()["lbl_Doai"], "11") << "the label follows";
  EXPECT_EQ(caret(), bar_) << "the bar shows its focus now";
  Key(VK_RETURN);
  ExpectClosed();
  EXPECT_EQ(ReadFileBytes(IniPath()), SavedFile(11, 0, 0, L""));
}

TEST_F(DialogKeysE2e, TabVisitsTheControlsInReadingOrderAndComesBackRound) {
  Open(SavedFile(100, 1, 0, L""));  // the CD: the track box in, the file button out
  const HWND set = GetDlgItem(dialog_, dialog::kIdSet), cancel = GetDlgItem(dialog_, dialog::kIdCancel);
  const struct {
    bool shift;
    HWND at;
    const char* stop;
  } steps[] = {{false, panel_, "Img_BGM"}, {false, combo_, "BGM_Repeat"}, {false, set, "Cmd_Set"},
               {false, cancel, "Cmd_Can"}, {false, dialog_, "lbl_URL"},   {false, bar_, "HS_Doai"},
               {true, dialog_, "lbl_URL"}, {true, cancel, "Cmd_Can"}};
  for (const auto& s : steps) {
    Key(VK_TAB, s.shift);
    EXPECT_TRUE(FocusAt(s.at, s.stop)) << s.stop << (s.shift ? " (Shift+Tab)" : "");
  }
  EXPECT_TRUE(IsWindow(dialog_)) << "nothing closed the dialog";
}

TEST_F(DialogKeysE2e, ArrowsChooseTheFileSourceAndEnterSavesIt) {
  Open(SavedFile(100, 1, 0, L""));
  Key(VK_TAB);
  ASSERT_TRUE(FocusAt(panel_, "Img_BGM"));
  Key(VK_DOWN);
  EXPECT_TRUE(ShownBecomes("marked", "0")) << "from the CD row down to none";
  EXPECT_FALSE(IsWindowEnabled(combo_));
  Key(VK_DOWN);
  EXPECT_TRUE(ShownBecomes("marked", "2"));
  EXPECT_EQ(Shown()["Cmd_File.enabled"], "1");
  Key(VK_TAB);
  EXPECT_TRUE(FocusAt(GetDlgItem(panel_, dialog::kIdFile), "Cmd_File")) << "the file button is a stop now";
  Key(VK_RETURN);
  // Enter on the file button opens the file chooser; Esc there closes only the chooser.
  HWND chooser = WaitForWindow(L"ﾌｧｲﾙを開く", 15000, saver_.pid());
  ASSERT_NE(chooser, nullptr) << "Enter on ... opens the chooser";
  PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(chooser); }, 10000));
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == dialog_; }, 5000));
  ASSERT_TRUE(FocusAt(GetDlgItem(panel_, dialog::kIdFile), "Cmd_File")) << "back where it was";
  Key(VK_TAB, true);
  ASSERT_TRUE(FocusAt(panel_, "Img_BGM"));
  Key(VK_RETURN);  // on the source choice: 設定
  ExpectClosed();
  EXPECT_EQ(ReadFileBytes(IniPath()), SavedFile(100, 2, 0, L""));
}

TEST_F(DialogKeysE2e, SpaceOnAFocusedCancelClosesOnReleaseWithoutSaving) {
  const std::string before = SavedFile(50, 0, 0, L"");
  Open(before);
  Key(VK_RIGHT);
  ASSERT_TRUE(BarAt(51));
  const HWND cancel = GetDlgItem(dialog_, dialog::kIdCancel);
  for (const char* stop : {"Img_BGM", "Cmd_Set", "Cmd_Can"}) {
    Key(VK_TAB);
    ASSERT_TRUE(ShownBecomes("focus", stop));
  }
  ASSERT_EQ(Focus(), cancel);
  const auto button = ClientObject(cancel);
  ASSERT_TRUE(button);
  Press(VK_SPACE, false);
  // The press has been handled once the button says it is pressed: a click would have
  // closed the dialog before it could answer.
  EXPECT_TRUE(WaitUntil([&] { return Describe(button.get()).has(STATE_SYSTEM_PRESSED); }, 5000))
      << "the press alone does not click";
  EXPECT_TRUE(saver_.running());
  Press(VK_SPACE, true);
  ExpectClosed();
  EXPECT_EQ(ReadFileBytes(IniPath()), before);
}

TEST_F(DialogKeysE2e, EscLeavesTheSettingsFileByteForByte) {
  const std::string before =
      Cp932(L"; mine\r\n[Section]\r\n度合い =  50\r\nBGM区分=1\r\nBGMﾘﾋﾟｰﾄ=3");
  Open(before);
  Key(VK_END);
  ASSERT_TRUE(BarAt(255));
  Key(VK_TAB);
  ASSERT_TRUE(FocusAt(panel_, "Img_BGM"));
  Key(VK_DOWN);
  ASSERT_TRUE(ShownBecomes("marked", "0"));
  Key(VK_ESCAPE);
  ExpectClosed();
  EXPECT_EQ(ReadFileBytes(IniPath()), before);
}

TEST_F(DialogKeysE2e, AClickOnAnotherRowHandsTheFocusOfTheControlItDisablesToTheSources) {
  Open(SavedFile(100, 1, 7, L""));
  Key(VK_TAB);
  ASSERT_TRUE(FocusAt(panel_, "Img_BGM"));
  Key(VK_TAB);
  ASSERT_TRUE(FocusAt(combo_, "BGM_Repeat"));
  ClickRow(2);  // the file row: the track box goes out of use
  EXPECT_TRUE(FocusAt(panel_, "Img_BGM")) << "the focus went nowhere";
  Key(VK_TAB);
  const HWND file = GetDlgItem(panel_, dialog::kIdFile);
  ASSERT_TRUE(FocusAt(file, "Cmd_File")) << "Tab goes on from the sources";
  ClickRow(0);  // none: "..." goes out of use
  EXPECT_TRUE(FocusAt(panel_, "Img_BGM"));
  Key(VK_TAB);
  EXPECT_TRUE(FocusAt(GetDlgItem(dialog_, dialog::kIdSet), "Cmd_Set"));
}
