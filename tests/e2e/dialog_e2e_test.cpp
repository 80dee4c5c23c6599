// The settings dialog end to end: the real Veskar.scr /c on the virtual display, found by
// its title, driven with the mouse and the keyboard, and judged by what it shows (its
// controls, the pixels on the screen) and by the bytes of the settings file it saves.
//
// The labels have no windows, so the test asks the dialog what they say with its query
// message (a WM_COPYDATA answer of "name=value" lines); controls with windows are read
// through their windows. Set VESKAR_DIALOG_SHOT to a file name to keep a screenshot.
#include <cstdlib>
#include <map>
#include <string>
#include <utility>

#include "dialog/layout.h"
#include "dialog/settings_dialog_win.h"
#include "harness.h"
#include "support/settings_dialog.h"
#include "support/settings_text.h"

#include "../../assets/resource.h"

using namespace e2e;

namespace {

using namespace testing_support;

// A settings file as one saved by the dialog: "[Section]" and the four keys.
std::string SavedFile(int degree, int kind, int track, const std::wstring& file) {
  return SavedSettings(degree, kind, track, Cp932(file));
}

struct Shown {
  std::map<std::string, std::string> values;
  const std::string& operator[](const std::string& name) const {
    static const std::string missing = "<missing>";
    const auto it = values.find(name);
    return it == values.end() ? missing : it->second;
  }
  // A rectangle of the snapshot ("rect.lbl_BGM(0)"), in its container's client area.
  dialog::Rect rect(const std::string& name) const { return AnsweredRect(values, name); }
};

class SettingsDialogE2e : public SettingsDialogTest {
 protected:
  // The dialog's answer once `done` holds for it (or the last one when 5 s passed first):
  // input goes through the dialog's queue in order, so what a step changes shows in the
  // answer once the step has been handled.
  template <typename F>
  Shown QueryUntil(F done) {
    Shown shown;
    WaitUntil([&] { return done(shown = Query()); }, 5000);
    return shown;
  }
  Shown QueryUntil(const std::string& name, const std::string& value) {
    return QueryUntil([&](const Shown& s) { return s[name] == value; });
  }

  Shown Query() { return Shown{query_.Ask(dialog_)}; }

  POINT ScreenOf(HWND container, int x, int y) const {
    POINT p{x, y};
    ClientToScreen(container, &p);
    return p;
  }
  // A real mouse click (through the input queue), as a user makes one: the pointer comes
  // to the spot first, then the press. The dialog handles them in that order; what the
  // click did is waited for in the dialog's answers.
  static void MoveTo(int x, int y) {
    SendMouseMove(x, y);
    WaitUntil([&] { POINT p{}; return GetCursorPos(&p) && p.x == x && p.y == y; }, 1000);
  }
  void ClickScreen(int x, int y, bool right = false) {
    MoveTo(x, y);
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_MOUSE;
    in[0].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
  }
  // In the middle of a rectangle of the panel or of the window (near the left of a wide one).
  void ClickAt(HWND container, const dialog::Rect& r, bool right = false) {
    const POINT p = ScreenOf(container, r.left + std::min(r.width / 2, 8), r.top + r.height / 2);
    ClickScreen(p.x, p.y, right);
  }
  void ClickWindow(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    ClickScreen((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  void ClickButton(int id) {
    HWND parent = id == dialog::kIdFile ? panel_ : dialog_;
    HWND b = GetDlgItem(parent, id);
    ASSERT_NE(b, nullptr) << id;
    ClickWindow(b);
  }

  std::wstring WindowText(HWND w) {
    wchar_t text[512]{};
    DWORD_PTR n = 0;
    SendMessageTimeoutW(w, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 3000, &n);
    return std::wstring(text, n);
  }
  // The degree bar's position and the track box's entries, read through their windows.
  int BarPosition() const { return GetScrollPos(bar_, SB_CTL); }
  LRESULT RepeatEntries() const {
    DWORD_PTR count = 0;
    SendMessageTimeoutW(combo_, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 3000, &count);
    return static_cast<LRESULT>(count);
  }
  void SetRepeatText(const std::wstring& text) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(combo_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG,
                        3000, &ignored);
  }

  // Confirms with 設定 and waits for the process to end.
  void ConfirmAndWait() {
    ClickButton(dialog::kIdSet);
    const auto code = saver_.waitExit(15000);
    ASSERT_TRUE(code.has_value()) << "the dialog did not close:\n" << Utf8(query_.lastAnswer().empty() ? L"" : (Query(), query_.lastAnswer()));
    EXPECT_EQ(*code, 0u);
  }

  // Picks `path` in the file-open dialog that Cmd_File brought up, as a user types it.
  void ChooseInFileDialog(const std::wstring& path) {
    HWND chooser = WaitForWindow(L"ﾌｧｲﾙを開く", 15000, saver_.pid());
    ASSERT_NE(chooser, nullptr) << "no file dialog";
    HWND name = GetDlgItem(chooser, 0x47C);  // the file name box of the Explorer-style dialog
    if (name) {
      if (HWND edit = FindWindowExW(name, nullptr, L"Edit", nullptr)) name = edit;
    } else {
      name = GetDlgItem(chooser, 0x480);
    }
    ASSERT_NE(name, nullptr) << "no file name box";
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), SMTO_ABORTIFHUNG,
                        3000, &ignored);
    PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(chooser, IDOK)));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(chooser); }, 10000)) << "the file dialog stayed";
    // Back in the dialog once the chooser's owner takes input again.
    ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(dialog_) != FALSE; }, 10000));
  }

};

}  // namespace

// ---- what the dialog shows for the stored settings

TEST_F(SettingsDialogE2e, EachMusicKindMarksItsRowAndEnablesOnlyItsControl) {
  const std::wstring song = folder_.file(L"song.mp3");
  ASSERT_TRUE(WriteFileBytes(song, "ID3"));
  struct Case {
    int kind;
    std::wstring file;
    std::string marked;
    bool repeatEnabled;
    std::string fileEnabled;
  };
  const Case cases[] = {
      {1, L"", "1", true, "0"},    // CD, no track: the box is enabled and empty
      {2, song, "2", false, "1"},  // file
      {0, song, "0", false, "0"},  // none, with a path kept from earlier
      {5, L"", "-1", false, "0"},  // no such row
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    Open(SettingsFile({{kMusicKindKey, SavedNumber(c.kind)}, {kTrackKey, " 0"}, {kMusicFileKey, Cp932(c.file)}}));
    const Shown shown = Query();
    EXPECT_EQ(shown["marked"], c.marked);
    EXPECT_EQ(IsWindowEnabled(combo_) != FALSE, c.repeatEnabled);
    EXPECT_EQ(shown["Cmd_File.enabled"], c.fileEnabled);
    EXPECT_EQ(shown["lbl_Fname"], Utf8(c.file));
    EXPECT_EQ(WindowText(combo_), L"");
    EXPECT_EQ(BarPosition(), 100) << "no degree stored: the default";
    saver_.kill();
  }
}

TEST_F(SettingsDialogE2e, TracksAndDegreesInAndOutOfRange) {
  SendMouseMove(800, 600);  // where the zoom starts
  WaitUntil([] { POINT p{}; return GetCursorPos(&p) && p.x == 800 && p.y == 600; }, 1000);
  Open(SettingsFile({{kDegreeKey, " 100"}, {kMusicKindKey, " 1"}, {kTrackKey, " 7"}}));
  Shown shown = Query();
  EXPECT_EQ(shown["anchor"], "800,600");
  // Centred across, a third of the free height down, on the outer size.
  RECT outer{};
  GetWindowRect(dialog_, &outer);
  EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2);
  EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 3);
  EXPECT_EQ(WindowText(combo_), L"7");
  EXPECT_EQ(RepeatEntries(), 31);
  EXPECT_EQ(BarPosition(), 100);
  EXPECT_EQ(shown["lbl_Doai"], "100");
  saver_.kill();

  Open(SettingsFile({{kDegreeKey, " 300"}, {kMusicKindKey, " 1"}, {kTrackKey, " 45"}}));
  shown = Query();
  EXPECT_EQ(WindowText(combo_), L"45") << "beyond the list, shown all the same";
  EXPECT_EQ(RepeatEntries(), 31);
  EXPECT_EQ(BarPosition(), 10) << "out of range: the bar stays at 10";
  EXPECT_EQ(shown["lbl_Doai"], "300") << "while the label shows the stored degree";
  // Confirmed with the bar untouched, the degree saved is the bar's.
  ConfirmAndWait();
  EXPECT_EQ(ReadFileBytes(IniPath()), SavedFile(10, 1, 45, L""));
}

// ---- actions and the file they save

TEST_F(SettingsDialogE2e, TrackTypedWithTheKeyboardIsSaved) {
  Open(SettingsFile({{kMusicKindKey, " 1"}}));
  ClickWindow(combo_);
  for (UINT key : {UINT('1'), UINT('2')}) SendKey(key);
  EXPECT_TRUE(WaitUntil([&] { return WindowText(combo_) == L"12"; }, 5000)) << Utf8(WindowText(combo_));
  ConfirmAndWait();
  // The degree was not stored: it was read as 100 and is written after the last key.
  EXPECT_EQ(ReadFileBytes(IniPath()),
            SettingsFile({{kMusicKindKey, " 1"}, {kDegreeKey, " 100"}, {kTrackKey, " 12"}, {kMusicFileKey, ""}}));
}

TEST_F(SettingsDialogE2e, FileThenNoneThenConfirmKeepsThePathByteForByte) {
  CreateDirectoryW(folder_.file(L"Music").c_str(), nullptr);
  const std::wstring song = folder_.file(L"Music\\a.mp3");
  ASSERT_TRUE(WriteFileBytes(song, "ID3"));
  Open("");
  Shown shown = Query();
  ASSERT_EQ(shown["Cmd_File.enabled"], "0");
  ClickAt(panel_, shown.rect("lbl_BGM(2)"));  // the caption "MP3、WAV"
  shown = QueryUntil("marked", "2");
  ASSERT_EQ(shown["marked"], "2");
  ASSERT_EQ(shown["Cmd_File.enabled"], "1");
  ClickButton(dialog::kIdFile);
  ChooseInFileDialog(song);
  shown = QueryUntil("lbl_Fname", Utf8(song));
  EXPECT_EQ(shown["lbl_Fname"], Utf8(song));
  ClickAt(panel_, shown.rect("lbl_BGM(0)"), /*right=*/true);  // a right click on "なし"
  shown = QueryUntil("marked", "0");
  EXPECT_EQ(shown["marked"], "0");
  EXPECT_EQ(shown["lbl_Fname"], Utf8(song)) << "the path stays";
  ConfirmAndWait();
  EXPECT_EQ(ReadFileBytes(IniPath()), SavedFile(100, 0, 0, song));
}

TEST_F(SettingsDialogE2e, MarkAndCaptionChooseAlikeWithAnyButton) {
  Open(SavedFile(100, 0, 0, L""));
  Shown shown = Query();
  ClickAt(panel_, shown.rect("Img_BGM(1)"));
  EXPECT_EQ(QueryUntil("marked", "1")["marked"], "1");
  EXPECT_TRUE(IsWindowEnabled(combo_));
  ClickAt(panel_, shown.rect("lbl_BGM(2)"), /*right=*/true);
  shown = QueryUntil("marked", "2");
  EXPECT_EQ(shown["marked"], "2");
  EXPECT_FALSE(IsWindowEnabled(combo_));
  EXPECT_EQ(shown["Cmd_File.enabled"], "1");
  ClickAt(panel_, shown.rect("Img_BGM(0)"), /*right=*/true);
  EXPECT_EQ(QueryUntil("marked", "0")["marked"], "0");
  ClickAt(panel_, shown.rect("lbl_BGM(1)"));
  EXPECT_EQ(QueryUntil("marked", "1")["marked"], "1");
  // Elsewhere on the panel nothing is chosen. A click on the bar's right arrow comes after
  // it: once the degree has moved, the click before it has been handled too.
  ClickAt(panel_, dialog::Rect{200, 140, 4, 4});
  RECT bar{};
  GetWindowRect(bar_, &bar);
  ClickScreen(bar.right - 4, (bar.top + bar.bottom) / 2);
  shown = QueryUntil("lbl_Doai", "101");
  ASSERT_EQ(shown["lbl_Doai"], "101");
  EXPECT_EQ(shown["marked"], "1");
}

TEST_F(SettingsDialogE2e, CancelAfterChangingEverythingLeavesTheFileByteForByte) {
  // A file written by hand: odd spacing, a comment, another section, no final line end.
  const std::string before =
      Cp932(L"; mine\r\n[Other]\r\nx=1\r\n[Section]\r\n度合い =  50\r\nBGM区分=1\r\nBGMﾘﾋﾟｰﾄ=3");
  const std::wstring song = folder_.file(L"b.wav");
  ASSERT_TRUE(WriteFileBytes(song, "RIFF"));
  Open(before);
  Shown shown = Query();
  EXPECT_EQ(BarPosition(), 50);
  // The bar (its right arrow), the source, the file, the track.
  RECT bar{};
  GetWindowRect(bar_, &bar);
  ClickScreen(bar.right - 4, (bar.top + bar.bottom) / 2);
  EXPECT_EQ(QueryUntil("lbl_Doai", "51")["lbl_Doai"], "51");
  ClickAt(panel_, shown.rect("Img_BGM(2)"));
  ClickButton(dialog::kIdFile);
  ChooseInFileDialog(song);
  ClickAt(panel_, shown.rect("Img_BGM(1)"));
  SetRepeatText(L"12");
  ClickButton(dialog::kIdCancel);
  const auto code = saver_.waitExit(15000);
  ASSERT_TRUE(code.has_value());
  EXPECT_EQ(ReadFileBytes(IniPath()), before);
}

TEST_F(SettingsDialogE2e, DraggingTheThumbUpdatesTheLabelBeforeRelease) {
  Open(SavedFile(10, 0, 0, L""));
  SCROLLBARINFO info{sizeof info};
  RECT bar{};
  GetWindowRect(bar_, &bar);
  // The thumb's place: asked of the bar, or worked out from the arrows' size.
  int thumbX = 0;
  if (GetScrollBarInfo(bar_, OBJID_CLIENT, &info) && info.xyThumbBottom > info.xyThumbTop) {
    thumbX = bar.left + (info.xyThumbTop + info.xyThumbBottom) / 2;
  } else {
    const int arrow = GetSystemMetrics(SM_CXHSCROLL);
    thumbX = bar.left + arrow + 4;
  }
  // Dragged in steps to just past the bar's right end, where the thumb stops at 255.
  const int y = (bar.top + bar.bottom) / 2;
  MoveTo(thumbX, y);
  INPUT press{};
  press.type = INPUT_MOUSE;
  press.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  SendInput(1, &press, sizeof press);
  for (int x = thumbX + 16; x < bar.right + 10; x += 16) MoveTo(x, y);
  MoveTo(bar.right + 10, y);
  const Shown dragging = QueryUntil("lbl_Doai", "255");
  EXPECT_EQ(dragging["lbl_Doai"], "255") << "the label moves while the button is still down";
  EXPECT_EQ(dragging["lbl_Doai"], std::to_string(BarPosition()));
  press.mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(1, &press, sizeof press);
  // The release ends the capture: once the bar has let go, its last message is in.
  EXPECT_TRUE(WaitUntil(
      [&] {
        GUITHREADINFO thread{sizeof thread};
        return GetGUIThreadInfo(GetWindowThreadProcessId(dialog_, nullptr), &thread) && !thread.hwndCapture;
      },
      5000));
  const Shown released = Query();
  EXPECT_EQ(released["lbl_Doai"], std::to_string(BarPosition()));
  EXPECT_EQ(released["lbl_Doai"], "255");
}

// ---- a save that fails, and the single instance

TEST_F(SettingsDialogE2e, AReadOnlySettingsFileGivesTheMessageAndKeepsTheDialog) {
  const std::string before = SavedFile(100, 0, 0, L"");
  Open(before);
  ASSERT_TRUE(SetFileAttributesW(IniPath().c_str(), FILE_ATTRIBUTE_READONLY));
  RECT bar{};
  GetWindowRect(bar_, &bar);
  ClickScreen(bar.right - 4, (bar.top + bar.bottom) / 2);
  ClickButton(dialog::kIdSet);
  HWND box = WaitForWindow(L"ベスカル", 10000, saver_.pid());
  ASSERT_NE(box, nullptr) << "no message";
  std::wstring text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    text += WindowText(child) + L"\n";
  }
  EXPECT_NE(text.find(L"保存できませんでした"), std::wstring::npos) << Utf8(text);
  EXPECT_NE(text.find(IniPath()), std::wstring::npos) << Utf8(text);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 5000));
  EXPECT_TRUE(IsWindow(dialog_)) << "the dialog stays open";
  EXPECT_TRUE(saver_.running());
  EXPECT_EQ(Query()["lbl_Doai"], "101") << "with what the user set";
  EXPECT_EQ(ReadFileBytes(IniPath()), before);
  SetFileAttributesW(IniPath().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(SettingsDialogE2e, WhileTheDialogIsOpenAShowStartEndsAtOnce) {
  Open("");
  Process show = StartSaver(folder_, L"/s");
  ASSERT_TRUE(show.started());
  const auto code = show.waitExit(10000);
  ASSERT_TRUE(code.has_value()) << "the show started beside the dialog";
  EXPECT_EQ(*code, 0u);
  EXPECT_TRUE(WindowsOf(show.pid()).empty());
  EXPECT_TRUE(IsWindow(dialog_));
}

// ---- what the user sees

namespace {
bool IsWhite(uint32_t c) { return (c & 0xFF) > 200 && ((c >> 8) & 0xFF) > 200 && (c >> 16) > 200; }
bool IsDark(uint32_t c) { return (c & 0xFF) < 90 && ((c >> 8) & 0xFF) < 90 && (c >> 16) < 90; }

// Whether the 4 x 4 corners of a button show the corners of a skin picture.
bool ShowsSkinCorners(const Pixels& shot, const RECT& b, const Pixels& skin) {
  if (skin.width != 64) return false;
  const int w = b.right - b.left, h = b.bottom - b.top;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      if (shot.at(b.left + x, b.top + y) != skin.at(x, y) ||
          shot.at(b.left + w - 4 + x, b.top + h - 4 + y) != skin.at(60 + x, 21 + y)) {
        return false;
      }
    }
  }
  return true;
}
}  // namespace

TEST_F(SettingsDialogE2e, PixelsOfTheGradientTextureMarksLinkAndButtons) {
  SendMouseMove(2, 2);  // the pointer away from the buttons: their resting look
  Open(SavedFile(100, 1, 0, L""));
  RECT client{};
  GetClientRect(dialog_, &client);
  ASSERT_EQ(client.right, 496);
  ASSERT_EQ(client.bottom, 246);
  POINT origin{0, 0};
  ClientToScreen(dialog_, &origin);
  auto capture = [&] {
    return CaptureScreen(RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom});
  };
  auto inClient = [&](HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&r), 2);
    return r;
  };
  const Pixels normal = SaverBitmap(IDB_SKIN_NORMAL), disabled = SaverBitmap(IDB_SKIN_DISABLE);
  const RECT set = inClient(GetDlgItem(dialog_, dialog::kIdSet));
  const RECT cancel = inClient(GetDlgItem(dialog_, dialog::kIdCancel));
  const RECT file = inClient(GetDlgItem(panel_, dialog::kIdFile));
  POINT panelOrigin{0, 0};
  ClientToScreen(panel_, &panelOrigin);
  const int px = panelOrigin.x - origin.x, py = panelOrigin.y - origin.y;
  const Shown shown = Query();
  const Pixels on = SaverBitmap(IDB_RADIO_ON), off = SaverBitmap(IDB_RADIO_OFF);
  ASSERT_EQ(on.width, 12);
  auto showsMark = [&](const Pixels& s, int kind, const Pixels& look) {
    const dialog::Rect m = shown.rect("Img_BGM(" + std::to_string(kind) + ")");
    for (int y = 0; y < 12; ++y) {
      for (int x = 0; x < 12; ++x) {
        if (s.at(px + m.left + x, py + m.top + y) != look.at(x, y)) return false;
      }
    }
    return true;
  };
  // The window, the panel and each button paint in their own time: the picture is whole
  // once the chosen mark and the buttons show.
  Pixels shot;
  WaitUntil(
      [&] {
        shot = capture();
        return showsMark(shot, 1, on) && ShowsSkinCorners(shot, set, normal) &&
               ShowsSkinCorners(shot, cancel, normal) && ShowsSkinCorners(shot, file, disabled);
      },
      5000);
  if (const char* name = std::getenv("VESKAR_DIALOG_SHOT")) SaveBmp(shot, Utf16(name));

  // The gradient, on both sides of the panel: dark navy at the top and bottom rows,
  // lavender in the middle.
  for (int x : {2, 490}) {
    EXPECT_EQ(shot.at(x, 0), 0x00001Eu) << x;
    EXPECT_EQ(shot.at(x, 123), 0xDCDCFAu) << x;
    EXPECT_EQ(shot.at(x, 245), 0x030321u) << x;
  }

  // The texture inside Pic_C: the strip's own pixels, one tile under the other, wherever
  // no label or control covers it.
  const Pixels strip = SaverBitmap(IDB_TEXTURE);
  ASSERT_EQ(strip.width, 556);
  ASSERT_EQ(strip.height, 20);
  EXPECT_EQ(px, 14) << "12 and the sunken border";
  RECT panelClient{};
  GetClientRect(panel_, &panelClient);
  int compared = 0;
  for (int y = 0; y < panelClient.bottom; ++y) {
    for (int x = 0; x < panelClient.right; x += 7) {
      const bool clear = y < 18 || y >= 152 || (x >= 140 && x < 270 && y < 50) || (x >= 430 && y < 110);
      if (!clear) continue;
      ASSERT_EQ(shot.at(px + x, py + y), strip.at(x, y % 20)) << x << "," << y;
      ++compared;
    }
  }
  EXPECT_GT(compared, 1000);

  // The marks: the on look for the CD row, the off look for the others.
  EXPECT_TRUE(showsMark(shot, 1, on));
  EXPECT_TRUE(showsMark(shot, 0, off));
  EXPECT_TRUE(showsMark(shot, 2, off));

  // White text on the dark part of the window, the web address underlined: one row of the
  // link is white nearly all the way across.
  const dialog::Rect link = shown.rect("lbl_URL");
  int longestWhiteRow = 0;
  for (int y = link.top; y < link.bottom(); ++y) {
    int run = 0;
    for (int x = link.left; x < link.right(); ++x) run += IsWhite(shot.at(x, y)) ? 1 : 0;
    longestWhiteRow = std::max(longestWhiteRow, run);
  }
  EXPECT_GT(longestWhiteRow, link.width * 8 / 10);
  const dialog::Rect heading = shown.rect("lbl(15)");
  int dark = 0;
  for (int y = heading.top; y < heading.bottom(); ++y) {
    for (int x = heading.left; x < heading.right(); ++x) dark += IsDark(shot.at(px + x, py + y)) ? 1 : 0;
  }
  EXPECT_GT(dark, 10) << "the black heading \"BGM\"";

  // The buttons: 設定 and ｷｬﾝｾﾙ at rest, ... disabled while the CD is chosen.
  EXPECT_EQ(set.left, 324);
  EXPECT_EQ(set.top, 200);
  EXPECT_TRUE(ShowsSkinCorners(shot, set, normal)) << "Cmd_Set";
  EXPECT_TRUE(ShowsSkinCorners(shot, cancel, normal)) << "Cmd_Can";
  EXPECT_TRUE(ShowsSkinCorners(shot, file, disabled)) << "Cmd_File disabled";

  // Choosing the file row moves the mark and brings the file button to life.
  ClickAt(panel_, shown.rect("Img_BGM(2)"));
  SendMouseMove(2, 2);
  QueryUntil("marked", "2");
  Pixels after;
  WaitUntil([&] { return ShowsSkinCorners(after = capture(), file, normal) && showsMark(after, 2, on); }, 5000);
  EXPECT_TRUE(showsMark(after, 2, on));
  EXPECT_TRUE(showsMark(after, 1, off));
  EXPECT_TRUE(ShowsSkinCorners(after, file, normal)) << "Cmd_File enabled";
}

// ---- the dialog at the screen's DPI

namespace {

// The prefix's screen DPI (HKCU\Control Panel\Desktop LogPixels, which Wine reads when a
// program starts), set for one test and put back as it was.
class ScreenDpi {
 public:
  explicit ScreenDpi(DWORD dpi) {
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    DWORD size = sizeof old_;
    had_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) ==
           ERROR_SUCCESS;
    set_ = RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi) ==
           ERROR_SUCCESS;
  }
  ~ScreenDpi() {
    if (!key_) return;
    if (had_) {
      RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof old_);
    } else {
      RegDeleteValueW(key_, L"LogPixels");
    }
    RegCloseKey(key_);
  }
  ScreenDpi(const ScreenDpi&) = delete;
  ScreenDpi& operator=(const ScreenDpi&) = delete;
  bool set() const { return set_; }

 private:
  HKEY key_ = nullptr;
  DWORD old_ = 0;
  bool had_ = false;
  bool set_ = false;
};

RECT ClientOf(HWND w) {
  RECT r{};
  GetClientRect(w, &r);
  return r;
}

// `child`'s rectangle in `parent`'s client area lies inside that area.
::testing::AssertionResult InsideClient(HWND child, HWND parent) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  const RECT c = ClientOf(parent);
  if (r.left >= 0 && r.top >= 0 && r.right <= c.right && r.bottom <= c.bottom) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "(" << r.left << "," << r.top << ")-(" << r.right << ","
                                       << r.bottom << ") outside " << c.right << "x" << c.bottom;
}

}  // namespace

// Opened on screens of 96, 120, 144 and 192 dpi: the client area is the layout's size
// scaled, and every control and label lies inside its container. Set VESKAR_DPI_SHOTS to
// a folder to keep a screenshot of each (dialog-<dpi>.bmp).
TEST_F(SettingsDialogE2e, AtEveryScreenDpiTheLayoutScalesAndNothingIsClipped) {
  for (const int dpi : {96, 120, 144, 192}) {
    SCOPED_TRACE(dpi);
    ScreenDpi screen(static_cast<DWORD>(dpi));
    ASSERT_TRUE(screen.set());
    Open("");
    const Shown shown = Query();
    const RECT client = ClientOf(dialog_);
    EXPECT_EQ(client.right, dialog::Scale(dialog::kClientWidth, dpi));
    EXPECT_EQ(client.bottom, dialog::Scale(dialog::kClientHeight, dpi));

    EXPECT_TRUE(InsideClient(panel_, dialog_));
    EXPECT_TRUE(InsideClient(combo_, panel_));
    EXPECT_TRUE(InsideClient(bar_, panel_));
    EXPECT_TRUE(InsideClient(GetDlgItem(panel_, dialog::kIdFile), panel_));
    EXPECT_TRUE(InsideClient(GetDlgItem(dialog_, dialog::kIdSet), dialog_));
    EXPECT_TRUE(InsideClient(GetDlgItem(dialog_, dialog::kIdCancel), dialog_));
    for (const dialog::LabelSpec& spec : dialog::Labels()) {
      const RECT c = ClientOf(spec.container == dialog::Container::Panel ? panel_ : dialog_);
      const dialog::Rect r = shown.rect(std::string(spec.name));
      EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right() <= c.right && r.bottom() <= c.bottom)
          << spec.name << " at " << r.left << "," << r.top << " " << r.width << "x" << r.height;
    }
    EXPECT_EQ(shown.rect("Img_BGM(2)"), dialog::Scale(dialog::kRadioMarks[2], dpi));

    if (const char* folder = std::getenv("VESKAR_DPI_SHOTS")) {
      RECT outer{};
      GetWindowRect(dialog_, &outer);
      SaveBmp(CaptureScreen(outer), Utf16(folder) + L"\\dialog-" + std::to_wstring(dpi) + L".bmp");
    }
    PostMessageW(dialog_, WM_CLOSE, 0, 0);
    ASSERT_TRUE(saver_.waitExit(15000).has_value()) << "the dialog did not close";
  }
}
