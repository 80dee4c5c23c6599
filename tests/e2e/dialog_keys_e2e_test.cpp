// The settings dialog with the keyboard alone: the real Veskar.scr /c on the virtual
// display, driven through the system's input queue (SendInput) as a user without a
// mouse drives it, and judged by where the focus is, what the dialog shows and the bytes
// of the settings file.
#include <string>

#include "dialog/layout.h"
#include "harness.h"
#include "support/dialog_query.h"

using namespace e2e;

namespace {

std::string SavedFile(int degree, int kind, int track, const std::wstring& file) {
  auto number = [](int v) { return (v < 0 ? L"" : L" ") + std::to_wstring(v); };
  return Cp932(L"[Section]\r\n度合い=" + number(degree) + L"\r\nBGM区分=" + number(kind) +
               L"\r\nBGMﾘﾋﾟｰﾄ=" + number(track) + L"\r\nBGMﾌｧｲﾙ=" + file + L"\r\n");
}

class DialogKeysE2e : public ::testing::Test {
 protected:
  void SetUp() override { folder_.copyFromBuild(L"Veskar.scr"); }

  std::wstring IniPath() const { return folder_.file(L"ベスカル.ini"); }

  void Open(const std::string& ini) {
    ASSERT_TRUE(WriteFileBytes(IniPath(), ini));
    saver_ = StartSaver(folder_, L"/c");
    ASSERT_TRUE(saver_.started());
    dialog_ = WaitForWindow(L"<ベスカル>", 15000, saver_.pid());
    ASSERT_NE(dialog_, nullptr) << "no dialog";
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(dialog_) && !Shown().empty(); }, 10000));
    panel_ = GetDlgItem(dialog_, dialog::kIdPanel);
    bar_ = GetDlgItem(panel_, dialog::kIdDegreeBar);
    combo_ = GetDlgItem(panel_, dialog::kIdRepeat);
    ASSERT_TRUE(panel_ && bar_ && combo_);
    ASSERT_TRUE(WaitUntil([&] { return Focus() == bar_; }, 5000)) << "the first focus is the degree bar";
  }

  std::map<std::string, std::string> Shown() const { return query_.Ask(dialog_); }

  // The dialog thread's focus (GetFocus sees only the caller's own thread).
  HWND Focus() const {
    GUITHREADINFO info{sizeof info};
    return GetGUIThreadInfo(GetWindowThreadProcessId(dialog_, nullptr), &info) ? info.hwndFocus : nullptr;
  }

  // Keys as a user types them; each waits until the dialog has taken it.
  void Key(UINT vk, bool shift = false) {
    if (shift) Press(VK_SHIFT, false);
    SendKey(vk);
    if (shift) Press(VK_SHIFT, true);
    Settle();
  }
  void Press(UINT vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = static_cast<WORD>(vk);
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof in);
  }
  void Settle() {
    DWORD_PTR ignored = 0;
    PumpFor(60);
    SendMessageTimeoutW(dialog_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &ignored);
  }

  void ExpectClosed() {
    const auto code = saver_.waitExit(15000);
    ASSERT_TRUE(code.has_value()) << "the dialog did not close";
    EXPECT_EQ(*code, 0u);
  }

  TestFolder folder_{::testing::UnitTest::GetInstance()->current_test_info()->name()};
  testing_support::DialogQuery query_;
  Process saver_;
  HWND dialog_ = nullptr, panel_ = nullptr, bar_ = nullptr, combo_ = nullptr;
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
    EXPECT_EQ(GetScrollPos(bar_, SB_CTL), s.position) << s.vk;
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
  auto inCombo = [&](HWND f) { return f == combo_ || IsChild(combo_, f); };
  Key(VK_TAB);
  EXPECT_EQ(Focus(), panel_) << "the source choice";
  Key(VK_TAB);
  EXPECT_TRUE(inCombo(Focus())) << "the track box";
  Key(VK_TAB);
  EXPECT_EQ(Focus(), set);
  Key(VK_TAB);
  EXPECT_EQ(Focus(), cancel);
  Key(VK_TAB);
  EXPECT_EQ(Focus(), dialog_) << "the web address";
  Key(VK_TAB);
  EXPECT_EQ(Focus(), bar_) << "round to the first";
  Key(VK_TAB, /*shift=*/true);
  EXPECT_EQ(Focus(), dialog_);
  Key(VK_TAB, true);
  EXPECT_EQ(Focus(), cancel);
  EXPECT_TRUE(IsWindow(dialog_)) << "nothing closed the dialog";
}

TEST_F(DialogKeysE2e, ArrowsChooseTheFileSourceAndEnterSavesIt) {
  Open(SavedFile(100, 1, 0, L""));
  Key(VK_TAB);
  ASSERT_EQ(Focus(), panel_);
  Key(VK_DOWN);
  EXPECT_EQ(Shown()["marked"], "0") << "from the CD row down to none";
  EXPECT_FALSE(IsWindowEnabled(combo_));
  Key(VK_DOWN);
  auto shown = Shown();
  EXPECT_EQ(shown["marked"], "2");
  EXPECT_EQ(shown["Cmd_File.enabled"], "1");
  Key(VK_TAB);
  EXPECT_EQ(Focus(), GetDlgItem(panel_, dialog::kIdFile)) << "the file button is a stop now";
  Key(VK_RETURN, /*shift=*/false);
  // Enter on the file button opens the file chooser; Esc there closes only the chooser.
  HWND chooser = WaitForWindow(L"ﾌｧｲﾙを開く", 15000, saver_.pid());
  ASSERT_NE(chooser, nullptr) << "Enter on ... opens the chooser";
  PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(chooser); }, 10000));
  ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == dialog_; }, 5000));
  Key(VK_TAB, true);
  Key(VK_RETURN);  // on the source choice: 設定
  ExpectClosed();
  EXPECT_EQ(ReadFileBytes(IniPath()), SavedFile(100, 2, 0, L""));
}

TEST_F(DialogKeysE2e, SpaceOnAFocusedCancelClosesOnReleaseWithoutSaving) {
  const std::string before = SavedFile(50, 0, 0, L"");
  Open(before);
  Key(VK_RIGHT);
  for (int i = 0; i < 3; ++i) Key(VK_TAB);  // the source choice, 設定, ｷｬﾝｾﾙ
  ASSERT_EQ(Focus(), GetDlgItem(dialog_, dialog::kIdCancel));
  Press(VK_SPACE, false);
  Settle();
  EXPECT_FALSE(saver_.waitExit(300).has_value()) << "the press alone does not click";
  Press(VK_SPACE, true);
  ExpectClosed();
  EXPECT_EQ(ReadFileBytes(IniPath()), before);
}

TEST_F(DialogKeysE2e, EscLeavesTheSettingsFileByteForByte) {
  const std::string before =
      Cp932(L"; mine\r\n[Section]\r\n度合い =  50\r\nBGM区分=1\r\nBGMﾘﾋﾟｰﾄ=3");
  Open(before);
  Key(VK_END);
  Key(VK_TAB);
  Key(VK_DOWN);
  Key(VK_ESCAPE);
  ExpectClosed();
  EXPECT_EQ(ReadFileBytes(IniPath()), before);
}
