// The settings dialog as real windows in this process, with the platform calls it makes
// beyond its windows recorded instead of made: the zoom outlines (Wine draws none), the
// file-open request, the web link, the failure message and the pointer position.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/command_win.h"
#include "dialog/dialog_model.h"
#include "dialog/identity.h"
#include "dialog/settings_dialog_win.h"
#include "win/dpi.h"
#include "resource.h"
#include "support/fake_files.h"
#include "support/settings_text.h"
#include "support/win32_helpers.h"
#include "win/handle.h"
#include "win/pump.h"
#include "win/strings.h"
#include "win32/pixels.h"

using namespace dialog;

namespace {

constexpr const char* kFolder = "C:\\veskar";
const std::string kIniPath = std::string(kFolder) + "\\ベスカル.ini";

struct AnimationCall {
  HWND hwnd;
  int id;
  RECT from, to;
};

struct FileRequestSeen {
  DWORD size = 0;
  HWND owner = nullptr;
  HINSTANCE instance = nullptr;
  std::wstring filter;  // up to and with the double zero
  std::wstring initialFolder, title;
  DWORD maxFile = 0, maxFileTitle = 0, flags = 0;
  bool fileBufferEmpty = false, titleBufferGiven = false;
  bool customFilter = false, defaultExtension = false;
};

struct ShellCall {
  HWND owner;
  std::wstring operation, file, parameters, folder;
  int show;
  HCURSOR cursorDuring;
};

struct MessageCall {
  HWND owner;
  std::wstring text, caption;
  UINT type;
};

std::wstring DoubleZeroString(const wchar_t* s) {
  std::wstring out;
  if (!s) return out;
  for (;;) {
    const std::wstring part(s);
    out += part;
    out += L'\0';
    s += part.size() + 1;
    if (part.empty()) return out;
  }
}

// The client area of a window as the screen shows it, once it has been drawn.
// VESKAR_DIALOG_BMP=<file> keeps the picture to look at.
testpix::Pixels CaptureClient(HWND hwnd) {
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  win::PumpPendingMessages();
  RECT client{};
  GetClientRect(hwnd, &client);
  MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
  const testpix::Pixels shot = testpix::OfScreen(client);
  if (const char* file = std::getenv("VESKAR_DIALOG_BMP")) testpix::SaveBmp(shot, win::widen(file));
  return shot;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// One dialog in this process, driven by messages, with its platform recorded.
class DialogFixture : public ::testing::Test {
 protected:
  DialogFixture() {
    session_.programFolder = kFolder;
    session_.settings.Degree = 100;
    session_.settings.MusicFolder = kFolder;
  }
  ~DialogFixture() override {
    dialog_.reset();
    win::PumpPendingMessages();
  }

  Platform Recorded(int dpi = 0) {
    Platform p;
    p.files = &files_;
    p.dpi = dpi;
    p.drawAnimatedRects = [this](HWND h, int id, const RECT* from, const RECT* to) {
      animations_.push_back({h, id, *from, *to});
      return TRUE;
    };
    p.getCursorPos = [this](POINT* at) {
      if (!pointer_) return FALSE;
      *at = *pointer_;
      return TRUE;
    };
    p.getOpenFileName = [this](OPENFILENAMEW* r) {
      FileRequestSeen seen;
      seen.size = r->lStructSize;
      seen.owner = r->hwndOwner;
      seen.instance = r->hInstance;
      seen.filter = DoubleZeroString(r->lpstrFilter);
      seen.initialFolder = r->lpstrInitialDir ? r->lpstrInitialDir : L"<null>";
      seen.title = r->lpstrTitle ? r->lpstrTitle : L"<null>";
      seen.maxFile = r->nMaxFile;
      seen.maxFileTitle = r->nMaxFileTitle;
      seen.flags = r->Flags;
      seen.fileBufferEmpty = r->lpstrFile && r->lpstrFile[0] == 0 && r->lpstrFile[r->nMaxFile - 1] == 0;
      seen.titleBufferGiven = r->lpstrFileTitle != nullptr;
      seen.customFilter = r->lpstrCustomFilter != nullptr;
      seen.defaultExtension = r->lpstrDefExt != nullptr;
      requests_.push_back(seen);
      if (!chooses_) return FALSE;
      lstrcpynW(r->lpstrFile, chooses_->c_str(), static_cast<int>(r->nMaxFile));
      return TRUE;
    };
    p.shellExecute = [this](HWND owner, const wchar_t* op, const wchar_t* file, const wchar_t* params,
                            const wchar_t* folder, int show) {
      shellCalls_.push_back({owner, op, file, params, folder, show, GetCursor()});
      return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
    };
    p.messageBox = [this](HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
      messages_.push_back({owner, text, caption, type});
      return IDOK;
    };
    return p;
  }

  SettingsDialog& Open(int dpi = 0) {
    dialog_ = std::make_unique<SettingsDialog>(session_, Recorded(dpi));
    EXPECT_TRUE(dialog_->Load());
    win::PumpPendingMessages();
    return *dialog_;
  }

  bool Closed() const { return dialog_->hwnd() == nullptr; }

  Rect ClientRectOf(HWND child, HWND parent) const {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
  }

  // A mouse button pressed at (x, y) of the panel, as the platform delivers it.
  void PressOnPanel(UINT downMessage, int x, int y, WPARAM keys) {
    SendMessageW(dialog_->panel(), downMessage, keys, MAKELPARAM(x, y));
  }
  void PressOnPanel(UINT downMessage, const Rect& r) {
    PressOnPanel(downMessage, r.left + r.width / 2, r.top + r.height / 2, 0);
  }

  void Scroll(WORD code, WORD position = 0) {
    SendMessageW(dialog_->panel(), WM_HSCROLL, MAKEWPARAM(code, position),
                 reinterpret_cast<LPARAM>(dialog_->degreeBar()));
  }

  void ClickButton(int id) {
    HWND b = dialog_->button(id)->hwnd();
    SendMessageW(b, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    SendMessageW(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(b, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    win::PumpPendingMessages();
  }

  app::Session session_;
  testing_support::FakeFiles files_;
  std::unique_ptr<SettingsDialog> dialog_;
  std::optional<POINT> pointer_ = POINT{800, 600};
  std::optional<std::wstring> chooses_;
  std::vector<AnimationCall> animations_;
  std::vector<FileRequestSeen> requests_;
  std::vector<ShellCall> shellCalls_;
  std::vector<MessageCall> messages_;
};

}  // namespace

TEST_F(DialogFixture, WindowLayoutAndPlacementAt96Dpi) {
  SettingsDialog& d = Open();
  HWND w = d.hwnd();
  wchar_t title[64]{};
  GetWindowTextW(w, title, 64);
  EXPECT_STREQ(title, L"<ベスカル>");
  const LONG style = GetWindowLongW(w, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU) << "the close box";
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_TRUE(IsWindowVisible(w));

  RECT client{};
  GetClientRect(w, &client);
  EXPECT_EQ(client.right, 496);
  EXPECT_EQ(client.bottom, 246);
  RECT outer{};
  GetWindowRect(w, &outer);
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  EXPECT_EQ(outer.left, (sw - (outer.right - outer.left)) / 2);
  EXPECT_EQ(outer.top, (sh - (outer.bottom - outer.top)) / 3);

  EXPECT_EQ(GetDlgItem(w, kIdPanel), d.panel());
  EXPECT_EQ(ClientRectOf(d.panel(), w), (Rect{12, 16, 469, 165}));
  EXPECT_EQ(GetDlgItem(d.panel(), kIdRepeat), d.repeatBox());
  EXPECT_EQ(ClientRectOf(d.repeatBox(), d.panel()), kRepeatCombo.rect) << "closed height 20";
  EXPECT_EQ(GetDlgItem(d.panel(), kIdDegreeBar), d.degreeBar());
  EXPECT_EQ(ClientRectOf(d.degreeBar(), d.panel()), kDegreeBar.rect);
  EXPECT_EQ(ClientRectOf(GetDlgItem(w, kIdSet), w), kSetButton.rect);
  EXPECT_EQ(ClientRectOf(GetDlgItem(w, kIdCancel), w), kCancelButton.rect);
  EXPECT_EQ(ClientRectOf(GetDlgItem(d.panel(), kIdFile), d.panel()), kFileButton.rect);
  EXPECT_EQ(d.button(kIdSet)->Caption(), "設定");
  EXPECT_EQ(d.button(kIdCancel)->Caption(), "ｷｬﾝｾﾙ");
  EXPECT_EQ(d.button(kIdFile)->Caption(), "...");
  // Loaded enabled from their data (Cmd_File then follows the music kind, none here), and
  // initialised by the load: at rest, with the hover test running, so a hover ends once
  // the pointer is elsewhere.
  for (int id : {kIdSet, kIdCancel, kIdFile}) {
    const controls::CommandState& state = d.button(id)->model().state();
    EXPECT_EQ(state.Enabled, id != kIdFile) << id;
    EXPECT_EQ(state.ButtonState, controls::kRest) << id;
  }
  SetCursorPos(2, sh - 2);
  SendMessageW(d.button(kIdSet)->hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(d.button(kIdSet)->model().state().ButtonState, controls::kHover);
  EXPECT_TRUE(testing_support::PumpUntil([&] { return d.button(kIdSet)->model().state().ButtonState == controls::kRest; }));

  // The combo box is an editable drop-down; the bar runs 0..255.
  wchar_t cls[32]{};
  GetClassNameW(d.repeatBox(), cls, 32);
  EXPECT_EQ(std::wstring(cls), L"ComboBox");
  EXPECT_EQ(GetWindowLongW(d.repeatBox(), GWL_STYLE) & 3, CBS_DROPDOWN);
  SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
  GetScrollInfo(d.degreeBar(), SB_CTL, &si);
  EXPECT_EQ(si.nMin, kDegreeMin);
  EXPECT_EQ(si.nMax, 255);
  EXPECT_EQ(si.nPage, 0u);

  // Labels: fixed ones where the table puts them, auto-sized ones fit their text.
  EXPECT_EQ(d.labelRect(Label::Degree), (Rect{328, 72, 89, 13}));
  EXPECT_EQ(d.labelRect(Label::FileName), (Rect{72, 116, 373, 33}));
  for (Label l : {Label::MusicCd, Label::MusicNone, Label::MusicFile, Label::Credit, Label::WebAddress}) {
    const Rect r = d.labelRect(l);
    EXPECT_EQ(r.left, SpecOf(l).rect.left);
    EXPECT_EQ(r.top, SpecOf(l).rect.top);
    EXPECT_GT(r.width, 10);
    EXPECT_GE(r.height, 12);
    EXPECT_LE(r.height, 16);
  }
  EXPECT_EQ(d.labelText(Label::Credit), CreditLine());
  EXPECT_EQ(d.labelText(Label::WebAddress), WebAddress());
}

TEST_F(DialogFixture, OpensFromThePointerAndClosesBackToItAfterItMoved) {
  SettingsDialog& d = Open();
  HWND w = d.hwnd();
  RECT window{};
  GetWindowRect(w, &window);
  ASSERT_EQ(animations_.size(), 1u);
  EXPECT_EQ(animations_[0].hwnd, w);
  EXPECT_EQ(animations_[0].id, 3) << "IDANI_CAPTION";
  EXPECT_TRUE(SameRect(animations_[0].from, RECT{800, 600, 800, 600}));
  EXPECT_TRUE(SameRect(animations_[0].to, window)) << "the window is placed before it opens";
  EXPECT_EQ(d.anchor(), (Point{800, 600}));
  EXPECT_EQ(session_.LastApiResult, TRUE);

  pointer_ = POINT{5, 5};  // the pointer has moved since
  SendMessageW(w, WM_CLOSE, 0, 0);
  EXPECT_TRUE(Closed()) << "the close box unloads";
  ASSERT_EQ(animations_.size(), 2u);
  EXPECT_TRUE(SameRect(animations_[1].from, window));
  EXPECT_TRUE(SameRect(animations_[1].to, RECT{800, 600, 800, 600}));
  EXPECT_TRUE(files_.files.empty()) << "closing writes nothing";
  EXPECT_TRUE(messages_.empty());
}

TEST_F(DialogFixture, WithoutThePointerPositionTheZoomUsesTheScreensCorner) {
  pointer_.reset();
  SettingsDialog& d = Open();
  EXPECT_EQ(d.anchor(), (Point{0, 0}));
  ASSERT_FALSE(animations_.empty());
  EXPECT_TRUE(SameRect(animations_[0].from, RECT{0, 0, 0, 0}));
  d.Cancel();
  EXPECT_TRUE(SameRect(animations_.back().to, RECT{0, 0, 0, 0}));
}

TEST_F(DialogFixture, LoadShowsTheSettingsAndTheSourceChoiceFollowsAnyMouseButton) {
  session_.settings.Degree = 300;  // outside the bar's range
  session_.settings.MusicKind = 1;
  session_.settings.RepeatTrack = 45;  // beyond the list
  session_.settings.MusicFile = "C:\\Music\\kept.mp3";
  SettingsDialog& d = Open();
  EXPECT_EQ(d.barPosition(), 10) << "the bar stays at 10";
  EXPECT_EQ(d.labelText(Label::Degree), "300") << "while the label shows the stored degree";
  EXPECT_EQ(d.markedRow(), 1);
  EXPECT_TRUE(d.repeatEnabled());
  EXPECT_FALSE(d.fileEnabled());
  EXPECT_EQ(d.repeatText(), "45");
  ASSERT_EQ(SendMessageW(d.repeatBox(), CB_GETCOUNT, 0, 0), 31);
  wchar_t entry[8]{};
  SendMessageW(d.repeatBox(), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(entry));
  EXPECT_STREQ(entry, L"");
  SendMessageW(d.repeatBox(), CB_GETLBTEXT, 30, reinterpret_cast<LPARAM>(entry));
  EXPECT_STREQ(entry, L"30");
  EXPECT_EQ(d.labelText(Label::FileName), "C:\\Music\\kept.mp3");

  // A right button on the caption "なし", a middle one on the file row's mark, a left one
  // on the CD caption: each selects at once. Elsewhere nothing happens.
  PressOnPanel(WM_RBUTTONDOWN, d.labelRect(Label::MusicNone));
  EXPECT_EQ(session_.settings.MusicKind, 0);
  EXPECT_EQ(d.markedRow(), 0);
  EXPECT_FALSE(d.repeatEnabled());
  EXPECT_FALSE(d.fileEnabled());
  PressOnPanel(WM_MBUTTONDOWN, d.markRect(2));
  EXPECT_EQ(d.markedRow(), 2);
  EXPECT_TRUE(d.fileEnabled());
  EXPECT_FALSE(d.repeatEnabled());
  PressOnPanel(WM_LBUTTONDOWN, 5, 5, MK_LBUTTON | MK_SHIFT);
  PressOnPanel(WM_LBUTTONDOWN, d.labelRect(Label::Degree));
  EXPECT_EQ(d.markedRow(), 2);
  PressOnPanel(WM_LBUTTONDOWN, d.labelRect(Label::MusicCd));
  EXPECT_EQ(d.markedRow(), 1);
  EXPECT_EQ(d.repeatText(), "45") << "changing the source clears nothing";
  EXPECT_EQ(d.labelText(Label::FileName), "C:\\Music\\kept.mp3");

  // Confirmed with the bar untouched: the degree written is the bar's 10.
  ClickButton(kIdSet);
  EXPECT_TRUE(Closed());
  EXPECT_EQ(files_.files.at(kIniPath), testing_support::SavedSettings(10, 1, 45, "C:\\Music\\kept.mp3"));
}

TEST_F(DialogFixture, TheDegreeLabelFollowsTheBarAlsoWhileTheThumbIsDragged) {
  SettingsDialog& d = Open();
  Scroll(SB_LINERIGHT);
  EXPECT_EQ(d.barPosition(), 101);
  EXPECT_EQ(d.labelText(Label::Degree), "101");
  Scroll(SB_PAGELEFT);
  EXPECT_EQ(d.labelText(Label::Degree), "91");
  Scroll(SB_THUMBTRACK, 200);
  EXPECT_EQ(d.labelText(Label::Degree), "200") << "before the thumb is let go";
  Scroll(SB_THUMBPOSITION, 201);
  Scroll(SB_ENDSCROLL);
  EXPECT_EQ(d.labelText(Label::Degree), "201");
  Scroll(SB_RIGHT);
  EXPECT_EQ(d.labelText(Label::Degree), "255");
  Scroll(SB_PAGERIGHT);
  EXPECT_EQ(d.barPosition(), 255);
  Scroll(SB_LEFT);
  EXPECT_EQ(d.labelText(Label::Degree), std::to_string(kDegreeMin));

  // The bar's position is what a confirm writes; the degree in memory stays as read.
  SetWindowTextW(d.repeatBox(), L" 3.5 ");
  d.Confirm();
  EXPECT_TRUE(Closed());
  EXPECT_EQ(session_.settings.Degree, 100);
  EXPECT_EQ(session_.settings.RepeatTrack, 4);
  EXPECT_NE(files_.files.at(kIniPath).find(std::string(testing_support::kDegreeKey) + "= 0\r\n"), std::string::npos);
}

// Each text is typed over a stored track of 5 and confirmed; the file then holds the
// track the text gives.
TEST_F(DialogFixture, TheTypedTrackIsSavedAsTheRoundedNumberOrZero) {
  const auto saved = [](const std::string& track) {
    using namespace testing_support;
    return SettingsFile({{kDegreeKey, " 100"}, {kMusicKindKey, " 1"}, {kTrackKey, track}, {kMusicFileKey, ""}});
  };
  const std::pair<const wchar_t*, const char*> cases[] = {
      {L"", " 0"},   {L"99999", " 0"}, {L" 7 ", " 7"}, {L"2.5", " 2"},
      {L"3.5", " 4"}, {L"-3", "-3"},    {L"abc", " 0"},
  };
  session_.settings.MusicKind = 1;
  for (const auto& [text, track] : cases) {
    SCOPED_TRACE(win::narrow(text));
    session_.settings.RepeatTrack = 5;
    files_.files[kIniPath] = saved(" 5");
    SettingsDialog& d = Open();
    SetWindowTextW(d.repeatBox(), text);
    ClickButton(kIdSet);
    ASSERT_TRUE(Closed());
    EXPECT_EQ(files_.files.at(kIniPath), saved(track));
  }
}

TEST_F(DialogFixture, TheFileChooserAsksWithTheFirstLayoutAndTakesTheChoice) {
  session_.settings.MusicKind = 2;
  SettingsDialog& d = Open();
  ASSERT_TRUE(d.fileEnabled());

  chooses_.reset();  // cancelled
  ClickButton(kIdFile);
  ASSERT_EQ(requests_.size(), 1u);
  const FileRequestSeen& r = requests_[0];
  EXPECT_EQ(r.size, sizeof(void*) == 4 ? 76u : 136u);
  EXPECT_EQ(r.owner, d.hwnd());
  EXPECT_EQ(r.instance, GetModuleHandleW(nullptr));
  EXPECT_EQ(r.filter, std::wstring(L"BGMﾌｧｲﾙ (MP3 WAV)\0*.MP3;*.WAV\0\0", 31));
  EXPECT_EQ(r.initialFolder, L"C:\\veskar");
  EXPECT_EQ(r.title, L"ﾌｧｲﾙを開く");
  EXPECT_EQ(r.maxFile, 255u);
  EXPECT_EQ(r.maxFileTitle, 255u);
  EXPECT_EQ(r.flags, 0u);
  EXPECT_TRUE(r.fileBufferEmpty) << "no name is suggested";
  EXPECT_TRUE(r.titleBufferGiven);
  EXPECT_FALSE(r.customFilter);
  EXPECT_FALSE(r.defaultExtension);
  EXPECT_EQ(session_.LastApiResult, 0);
  EXPECT_EQ(d.labelText(Label::FileName), "");

  chooses_ = L"D:\\song.wav";
  ClickButton(kIdFile);
  EXPECT_EQ(session_.settings.MusicFile, "D:\\song.wav");
  EXPECT_EQ(d.labelText(Label::FileName), "D:\\song.wav");
  EXPECT_EQ(session_.settings.MusicFolder, "D:");
  chooses_ = L"C:\\Music\\a.mp3";
  ClickButton(kIdFile);
  ASSERT_EQ(requests_.size(), 3u);
  EXPECT_EQ(requests_[2].initialFolder, L"D:") << "the next choice starts where the last one was";
  EXPECT_EQ(session_.settings.MusicFile, "C:\\Music\\a.mp3");

  // 255 bytes in the settings file's code page (the kana take two each), though well
  // within the chooser's 255 characters: refused, as the code-page chooser refuses it.
  std::wstring longer = L"C:\\";
  longer.append(100, L'あ');
  longer += L"\\" + std::wstring(47, L'b') + L".mp3";
  chooses_ = longer;
  ClickButton(kIdFile);
  EXPECT_EQ(session_.settings.MusicFile, "C:\\Music\\a.mp3");
  EXPECT_EQ(session_.settings.MusicFolder, "C:\\Music");
  EXPECT_EQ(d.labelText(Label::FileName), "C:\\Music\\a.mp3");
}

TEST_F(DialogFixture, TheWebLinkOpensWithTheHourglassAndTheDialogStays) {
  SettingsDialog& d = Open();
  const Rect link = d.labelRect(Label::WebAddress);
  // Over the link the pointer is the pointing hand; beside it, the arrow.
  auto cursorAt = [&](int x, int y) {
    POINT p{x, y};
    ClientToScreen(d.hwnd(), &p);
    SetCursorPos(p.x, p.y);
    SetCursor(nullptr);
    SendMessageW(d.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(d.hwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return GetCursor();
  };
  const HCURSOR hand = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_LINK_HAND));
  ASSERT_NE(hand, nullptr);
  EXPECT_EQ(cursorAt(link.left + 3, link.top + link.height / 2), hand);
  EXPECT_EQ(cursorAt(link.right() + 20, link.top + link.height / 2), LoadCursorW(nullptr, IDC_ARROW));

  const LPARAM at = MAKELPARAM(link.left + 3, link.top + link.height / 2);
  SendMessageW(d.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(d.hwnd(), WM_LBUTTONUP, 0, at);
  ASSERT_EQ(shellCalls_.size(), 1u);
  const ShellCall& c = shellCalls_[0];
  EXPECT_EQ(c.owner, d.hwnd());
  EXPECT_EQ(c.operation, L"open");
  EXPECT_EQ(c.file, win::widen(WebAddress()));
  EXPECT_EQ(c.parameters, L"");
  EXPECT_EQ(c.folder, L"");
  EXPECT_EQ(c.show, SW_SHOWNORMAL);
  EXPECT_EQ(c.cursorDuring, LoadCursorW(nullptr, IDC_WAIT));
  EXPECT_NE(GetCursor(), LoadCursorW(nullptr, IDC_WAIT)) << "the pointer is reset afterwards";
  EXPECT_FALSE(Closed());

  // A press that starts elsewhere and ends on the link is no click.
  SendMessageW(d.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(480, 10));
  SendMessageW(d.hwnd(), WM_LBUTTONUP, 0, at);
  EXPECT_EQ(shellCalls_.size(), 1u);
}

TEST_F(DialogFixture, AFailedSaveSaysWhereKeepsTheDialogAndTheFile) {
  const std::string before = testing_support::SettingsFile({{testing_support::kDegreeKey, " 77"}});
  files_.files[kIniPath] = before;
  files_.readOnly.insert(kIniPath);
  SettingsDialog& d = Open();
  Scroll(SB_LINERIGHT);
  ClickButton(kIdSet);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].owner, d.hwnd());
  EXPECT_NE(messages_[0].text.find(L"保存できませんでした"), std::wstring::npos);
  EXPECT_NE(messages_[0].text.find(win::widen(kIniPath)), std::wstring::npos);
  EXPECT_NE(messages_[0].caption, L"<ベスカル>") << "only the dialog carries the marker title";
  EXPECT_TRUE(messages_[0].type & MB_ICONWARNING);
  EXPECT_FALSE(Closed());
  EXPECT_EQ(animations_.size(), 1u) << "no closing zoom";
  EXPECT_EQ(files_.files.at(kIniPath), before);

  // The user fixes the cause and tries again.
  files_.readOnly.clear();
  ClickButton(kIdSet);
  EXPECT_TRUE(Closed());
  EXPECT_EQ(messages_.size(), 1u);
  EXPECT_NE(files_.files.at(kIniPath).find("= 101\r\n"), std::string::npos);
}

TEST_F(DialogFixture, TheWholeLayoutScalesWithTheDpi) {
  SettingsDialog& d = Open(144);
  RECT client{};
  GetClientRect(d.hwnd(), &client);
  EXPECT_EQ(client.right, 744);
  EXPECT_EQ(client.bottom, 369);
  EXPECT_EQ(ClientRectOf(d.panel(), d.hwnd()), Scale(kPanel.rect, 144));
  EXPECT_EQ(ClientRectOf(d.repeatBox(), d.panel()), Scale(kRepeatCombo.rect, 144));
  EXPECT_EQ(ClientRectOf(d.degreeBar(), d.panel()), Scale(kDegreeBar.rect, 144));
  EXPECT_EQ(ClientRectOf(GetDlgItem(d.hwnd(), kIdSet), d.hwnd()), Scale(kSetButton.rect, 144));
  EXPECT_EQ(ClientRectOf(GetDlgItem(d.panel(), kIdFile), d.panel()), Scale(kFileButton.rect, 144));
  EXPECT_EQ(d.button(kIdSet)->dpi(), 144);
  EXPECT_EQ(d.labelRect(Label::FileName), Scale(SpecOf(Label::FileName).rect, 144));
  EXPECT_EQ(d.markRect(1), Scale(kRadioMarks[1], 144));
  EXPECT_GE(d.labelRect(Label::MusicNone).height, 18) << "the font grows too";

  // The gradient covers the larger client area, edge to edge.
  const testpix::Pixels shot = CaptureClient(d.hwnd());
  ASSERT_EQ(shot.height, 369);
  EXPECT_EQ(shot.at(2, 0), 0x00001Eu);
  EXPECT_EQ(shot.at(740, 184), 0xDCDCFAu);
  EXPECT_EQ(shot.at(2, 368), 0x020220u);  // (2, 2, 32): 3.142 is not quite pi

  // Moved to a screen of 96 dpi, everything goes back to its 96-dpi size.
  RECT suggested{};
  GetWindowRect(d.hwnd(), &suggested);
  SendMessageW(d.hwnd(), WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
  GetClientRect(d.hwnd(), &client);
  EXPECT_EQ(client.right, 496);
  EXPECT_EQ(client.bottom, 246);
  EXPECT_EQ(ClientRectOf(d.panel(), d.hwnd()), kPanel.rect);
  EXPECT_EQ(ClientRectOf(d.repeatBox(), d.panel()), kRepeatCombo.rect);
  EXPECT_EQ(ClientRectOf(GetDlgItem(d.panel(), kIdFile), d.panel()), kFileButton.rect);
  EXPECT_EQ(d.markRect(2), kRadioMarks[2]);
  EXPECT_EQ(CaptureClient(d.hwnd()).at(2, 123), 0xDCDCFAu);
}

// A move to a screen of another DPI, as the platform carries it out: first the size asked
// for, then the change with the rectangle it suggests.
TEST_F(DialogFixture, AMoveToAnotherDpiTakesTheSuggestedRectangleAndTheFrameForThatDpi) {
  SettingsDialog& d = Open();
  const HWND w = d.hwnd();
  const auto style = static_cast<DWORD>(GetWindowLongW(w, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongW(w, GWL_EXSTYLE));
  for (int dpi : {120, 192, 96}) {
    // The platform's frame for that DPI around the client area at that DPI.
    SIZE asked{};
    EXPECT_TRUE(SendMessageW(w, WM_GETDPISCALEDSIZE, static_cast<WPARAM>(dpi), reinterpret_cast<LPARAM>(&asked)));
    RECT outer{0, 0, Scale(kClientWidth, dpi), Scale(kClientHeight, dpi)};
    ASSERT_TRUE(AdjustWindowRectExForDpi(&outer, style, FALSE, exStyle, static_cast<UINT>(dpi)));
    EXPECT_EQ(asked.cx, outer.right - outer.left) << dpi;
    EXPECT_EQ(asked.cy, outer.bottom - outer.top) << dpi;

    // The combo box's font before the change: it must stay alive until the box has the
    // new one, and go afterwards (GetObject on a deleted font fails).
    const HGDIOBJ oldFont = reinterpret_cast<HGDIOBJ>(SendMessageW(d.repeatBox(), WM_GETFONT, 0, 0));
    ASSERT_NE(oldFont, nullptr);
    const RECT suggested{30, 40, 30 + 600, 40 + 300};  // not our size: Layout sets the exact one
    SendMessageW(w, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    RECT now{};
    GetWindowRect(w, &now);
    EXPECT_EQ(now.left, 30) << dpi;
    EXPECT_EQ(now.top, 40) << dpi;
    RECT got{};
    GetClientRect(w, &got);
    EXPECT_EQ(got.right, Scale(kClientWidth, dpi)) << "the window's frame is at 96 dpi here";
    EXPECT_EQ(got.bottom, Scale(kClientHeight, dpi));
    EXPECT_EQ(d.dpi(), dpi);
    const HGDIOBJ newFont = reinterpret_cast<HGDIOBJ>(SendMessageW(d.repeatBox(), WM_GETFONT, 0, 0));
    LOGFONTW lf{};
    EXPECT_NE(GetObjectW(newFont, sizeof lf, &lf), 0) << "the box's font is alive";
    EXPECT_NE(newFont, oldFont);

    // The title bar's small icon is the one for this DPI.
    const auto icon = reinterpret_cast<HICON>(SendMessageW(w, WM_GETICON, ICON_SMALL, 0));
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info)) << dpi;
    win::UniqueBitmap colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bm{};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, win::SystemMetricAt(SM_CXSMICON, dpi)) << dpi;
  }
}

// ---- closing, however it comes

// A close sent while the load sequence runs (another program's SendMessage is handled
// inside platform calls the load makes; here, inside the pointer query of step 8) waits
// for the end of the load and is then carried out once: one closing zoom, nothing saved.
TEST_F(DialogFixture, ACloseDuringTheLoadIsCarriedOutWhenTheLoadIsDone) {
  for (UINT close : {UINT{WM_CLOSE}, UINT{WM_ENDSESSION}}) {
    animations_.clear();
    Platform p = Recorded();
    SettingsDialog* self = nullptr;
    bool sent = false;
    p.getCursorPos = [&](POINT* at) {
      *at = POINT{800, 600};
      if (self && self->hwnd()) {
        SendMessageW(self->hwnd(), close, close == WM_ENDSESSION ? TRUE : 0, 0);
        sent = true;
        EXPECT_TRUE(self->hwnd()) << "the load goes on";
      }
      return TRUE;
    };
    dialog_ = std::make_unique<SettingsDialog>(session_, std::move(p));
    self = dialog_.get();
    EXPECT_TRUE(dialog_->Load());
    ASSERT_TRUE(sent);
    EXPECT_TRUE(Closed()) << close;
    ASSERT_EQ(animations_.size(), 2u) << "the opening zoom, then one closing zoom";
    EXPECT_TRUE(SameRect(animations_[1].to, RECT{800, 600, 800, 600}));
    EXPECT_EQ(dialog_->RunModal(), 0) << "nothing left to run";
    EXPECT_TRUE(files_.files.empty());
  }
}

// Further closes after the first (a tool retrying, a posted close behind a sent one, the
// end of the session, a WM_QUIT) find the dialog unloaded: the closing zoom runs once.
TEST_F(DialogFixture, EveryLaterCloseFindsItUnloaded) {
  SettingsDialog& d = Open();
  const HWND w = d.hwnd();
  PostMessageW(w, WM_CLOSE, 0, 0);
  SendMessageW(w, WM_CLOSE, 0, 0);
  SendMessageW(w, WM_ENDSESSION, TRUE, 0);
  PostQuitMessage(0);
  EXPECT_EQ(d.RunModal(), 0);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_EQ(animations_.size(), 2u);
  EXPECT_TRUE(files_.files.empty());
  MSG quit;
  EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the quit is left for the caller";
}

// The modal loop ends when the window goes, however it went. A close sent from another
// thread is handled inside GetMessage, where no posted message follows it; the loop used
// to wait there for ever. The close is sent once the loop has taken the last thing queued
// for it (a marker window's message, posted after everything else was handled), so that
// nothing but the close can wake it. A watchdog posts a WM_QUIT after 10 s so that the
// test ends.
namespace {
struct Closer {
  HWND target;
  UINT message;
  DWORD loopThread;
  win::UniqueHandle loopWaiting{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  win::UniqueHandle loopEnded{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  bool watchdogFired = false;
};

// Sets the event in its user data when its message comes.
LRESULT CALLBACK MarkerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP) SetEvent(reinterpret_cast<HANDLE>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)));
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// Sends the close from its own thread once the loop has dispatched the marker, then waits
// for the loop to end; after 10 s it posts a WM_QUIT so that a loop that missed its
// window's end still returns.
DWORD WINAPI CloseFromAnotherThread(LPVOID arg) {
  auto* closer = static_cast<Closer*>(arg);
  if (WaitForSingleObject(closer->loopWaiting.get(), 10000) == WAIT_TIMEOUT) return 0;
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(closer->target, closer->message, closer->message == WM_ENDSESSION ? TRUE : 0, 0,
                      SMTO_NORMAL, 5000, &ignored);
  if (WaitForSingleObject(closer->loopEnded.get(), 10000) == WAIT_TIMEOUT) {
    closer->watchdogFired = true;
    PostThreadMessageW(closer->loopThread, WM_QUIT, 0, 0);
  }
  return 0;
}
}  // namespace

TEST_F(DialogFixture, TheModalLoopEndsWhenAnotherThreadsSentCloseDestroysTheWindow) {
  for (UINT close : {UINT{WM_CLOSE}, UINT{WM_ENDSESSION}}) {
    SettingsDialog& d = Open();
    Closer c{d.hwnd(), close, GetCurrentThreadId()};
    const win::UniqueWindow marker = testing_support::MakeTestWindow(L"VeskarTestMarker", &MarkerProc, L"", WS_POPUP);
    ASSERT_TRUE(marker);
    SetWindowLongPtrW(marker.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(c.loopWaiting.get()));
    MSG queued;
    while (PeekMessageW(&queued, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&queued);
    PostMessageW(marker.get(), WM_APP, 0, 0);
    win::UniqueHandle thread(CreateThread(nullptr, 0, &CloseFromAnotherThread, &c, 0, nullptr));
    ASSERT_TRUE(thread);
    EXPECT_EQ(d.RunModal(), 0);
    EXPECT_EQ(WaitForSingleObject(c.loopWaiting.get(), 0), WAIT_OBJECT_0) << "the loop never took the marker";
    SetEvent(c.loopEnded.get());
    WaitForSingleObject(thread.get(), 15000);
    EXPECT_FALSE(c.watchdogFired) << close << ": the loop waited on after its window was gone";
    EXPECT_TRUE(Closed());
    EXPECT_TRUE(files_.files.empty());
    MSG stray;
    while (PeekMessageW(&stray, nullptr, 0, 0, PM_REMOVE)) {
    }
  }
}
