// The skinned button as a real window under Wine: what its pixels show in each look,
// how Click reaches the host and the hover timer with the real pointer. Set VESKAR_LOOKS_BMP to a file name to save the strip of every
// look (docs/button-looks.png is made from it).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "controls/command_win.h"
#include "resource.h"
#include "support/win32_helpers.h"
#include "win/font.h"
#include "win/handle.h"
#include "win/pump.h"
#include "win/strings.h"
#include "win/surface.h"
#include "win32/pixels.h"

using controls::Command;

namespace {

struct Rgb {
  int r, g, b;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "(" << c.r << "," << c.g << "," << c.b << ")";
}

Rgb At(const win::Surface& s, int x, int y) {
  const uint32_t p = s.bits()[y * s.stride() + x];
  return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF),
          static_cast<int>(p & 0xFF)};
}

Rgb Of(COLORREF c) { return {GetRValue(c), GetGValue(c), GetBValue(c)}; }

constexpr COLORREF kHostColour = RGB(96, 160, 96);  // far from every skin colour

// A top-level window to hold buttons, with a plain green background. One for the whole
// run (see TheHost): under Wine without a window manager, destroying a shown top-level
// window waits two seconds for X to confirm it.
constexpr int kHostX = 40, kHostY = 40;
class Host {
 public:
  Host(int x = kHostX, int y = kHostY, int width = 520, int height = 300) {
    static win::UniqueBrush brush(CreateSolidBrush(kHostColour));
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(GetModuleHandleW(nullptr), L"VeskarButtonTestHost", &wc)) {
      wc.lpfnWndProc = DefWindowProcW;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.hbrBackground = brush.get();
      wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
      wc.lpszClassName = L"VeskarButtonTestHost";
      RegisterClassExW(&wc);
    }
    window_.reset(CreateWindowExW(WS_EX_TOPMOST, L"VeskarButtonTestHost", L"button host",
                                  WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, x, y, width, height,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
  }
  HWND hwnd() const { return window_.get(); }

  // A loaded, initialised button (enabled, FirstRun 1) with `caption`.
  std::unique_ptr<Command> Button(const char* caption, int x = 10, int y = 10, int w = 77,
                                  int h = 25) {
    auto b = std::make_unique<Command>();
    const controls::PropertyBag data{{"Caption", std::string(caption)}};
    EXPECT_TRUE(b->Create(hwnd(), x, y, w, h, 0, &data));
    b->Initialize();
    return b;
  }

 private:
  win::UniqueWindow window_;
};

Host& TheHost() {
  static Host host;
  return host;
}

win::Surface Shot(const Command& b) {
  RECT r;
  GetClientRect(b.hwnd(), &r);
  win::Surface s;
  s.create(r.right, r.bottom);
  SendMessageW(b.hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(s.dc()), PRF_CLIENT);
  return s;
}

win::Surface SkinPicture(int id) {
  win::UniqueBitmap bmp(static_cast<HBITMAP>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  win::Surface s;
  s.create(64, 25);
  win::UniqueMemDc dc(CreateCompatibleDC(nullptr));
  if (bmp && dc) {
    win::Selected sel(dc.get(), bmp.get());
    BitBlt(s.dc(), 0, 0, 64, 25, dc.get(), 0, 0, SRCCOPY);
  }
  return s;
}

LPARAM Point(int x, int y) { return MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)); }

void Move(Command& b, int x = 20, int y = 10) { SendMessageW(b.hwnd(), WM_MOUSEMOVE, 0, Point(x, y)); }
void LeftDown(Command& b) { SendMessageW(b.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Point(20, 10)); }
void LeftUp(Command& b, int x = 20, int y = 10) { SendMessageW(b.hwnd(), WM_LBUTTONUP, 0, Point(x, y)); }

// The looks, each reached through window messages as a user reaches it.
struct Look {
  const char* name;
  int skinId;
  void (*reach)(Command&);
  Rgb frame;  // the frame line along the top, as the looks are described
};
constexpr Rgb kBlue{0, 60, 116};
const Look kLooks[] = {
    {"Normal", IDB_SKIN_NORMAL, [](Command&) {}, kBlue},
    {"HighLight", IDB_SKIN_HIGHLIGHT, [](Command& b) { Move(b); }, kBlue},
    {"Selected", IDB_SKIN_SELECTED, [](Command& b) { SetFocus(b.hwnd()); }, kBlue},
    {"HighLightSelect", IDB_SKIN_HIGHLIGHTSELECT, [](Command& b) { SetFocus(b.hwnd()); Move(b); }, kBlue},
    {"Pressed", IDB_SKIN_PRESSED, [](Command& b) { Move(b); LeftDown(b); }, kBlue},
    {"Disable", IDB_SKIN_DISABLE, [](Command& b) { b.SetEnabled(false); }, {201, 199, 186}},
};

// The pixels where the caption is drawn: those that differ from the same button with an
// empty caption. Returns the box around them (empty when none).
RECT CaptionBox(const win::Surface& with, const win::Surface& without) {
  RECT box{with.width(), with.height(), -1, -1};
  for (int y = 0; y < with.height(); ++y) {
    for (int x = 0; x < with.width(); ++x) {
      if (At(with, x, y) == At(without, x, y)) continue;
      box.left = std::min<LONG>(box.left, x);
      box.top = std::min<LONG>(box.top, y);
      box.right = std::max<LONG>(box.right, x + 1);
      box.bottom = std::max<LONG>(box.bottom, y + 1);
    }
  }
  return box;
}

Rgb Darkest(const win::Surface& s, const RECT& box) {
  Rgb best{255, 255, 255};
  for (int y = box.top; y < box.bottom; ++y) {
    for (int x = box.left; x < box.right; ++x) {
      const Rgb c = At(s, x, y);
      if (c.r + c.g + c.b < best.r + best.g + best.b) best = c;
    }
  }
  return best;
}

}  // namespace

// ---------------------------------------------------------------- pixels

TEST(CommandPixels, EachLookShowsItsSkinsFrame) {
  Host& host = TheHost();
  for (const Look& look : kLooks) {
    SCOPED_TRACE(look.name);
    auto b = host.Button("設定");
    look.reach(*b);
    const win::Surface shot = Shot(*b);
    const win::Surface skin = SkinPicture(look.skinId);
    ASSERT_FALSE(skin.empty());
    // The four 4 x 4 corners are copied unscaled.
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) {
        ASSERT_EQ(At(shot, x, y), At(skin, x, y)) << x << "," << y;
        ASSERT_EQ(At(shot, 73 + x, y), At(skin, 60 + x, y)) << x << "," << y;
        ASSERT_EQ(At(shot, x, 21 + y), At(skin, x, 21 + y)) << x << "," << y;
        ASSERT_EQ(At(shot, 73 + x, 21 + y), At(skin, 60 + x, 21 + y)) << x << "," << y;
      }
    }
    EXPECT_EQ(At(shot, 38, look.skinId == IDB_SKIN_PRESSED ? 2 : 1), look.frame);
    // The edges are the skin's edges stretched along their length.
    for (int y = 0; y < 4; ++y) ASSERT_EQ(At(shot, 38, y), At(skin, 30, y)) << y;
    for (int y = 21; y < 25; ++y) ASSERT_EQ(At(shot, 38, y), At(skin, 30, y)) << y;
    for (int x = 0; x < 4; ++x) {
      ASSERT_EQ(At(shot, x, 12), At(skin, x, 12)) << x;
      ASSERT_EQ(At(shot, 73 + x, 12), At(skin, 60 + x, 12)) << x;
    }
  }
}

TEST(CommandPixels, FaceIsWhiteOnTopAndLavenderBelowAtRestAndTheOtherWayWhenHovered) {
  Host& host = TheHost();
  auto b = host.Button("");
  const win::Surface rest = Shot(*b);
  const Rgb top = At(rest, 38, 4), bottom = At(rest, 38, 20);
  EXPECT_GE(std::min({top.r, top.g, top.b}), 244) << top;
  EXPECT_LT(bottom.r, 215) << bottom;
  EXPECT_GT(bottom.b, bottom.r + 8) << bottom;  // lavender: more blue than red
  Move(*b);
  const win::Surface hover = Shot(*b);
  EXPECT_EQ(At(hover, 38, 4), bottom);
  EXPECT_EQ(At(hover, 38, 20), top);
}

TEST(CommandPixels, GradientFillPutsEachColourOnItsOwnEdge) {
  win::Surface s;
  ASSERT_TRUE(s.create(10, 25));
  ASSERT_TRUE(controls::FillFaceGradient(s.dc(), controls::ComputeFaceGradient(10, 25, false)));
  EXPECT_EQ(At(s, 0, 0), (Rgb{255, 255, 255}));
  EXPECT_EQ(At(s, 8, 0), (Rgb{255, 255, 255}));
  const Rgb last = At(s, 4, 23);  // the last row the rectangle covers
  EXPECT_NEAR(last.r, 198, 4);
  EXPECT_NEAR(last.g, 197, 4);
  EXPECT_NEAR(last.b, 215, 4);
  ASSERT_TRUE(controls::FillFaceGradient(s.dc(), controls::ComputeFaceGradient(10, 25, true)));
  EXPECT_EQ(At(s, 4, 0), (Rgb{198, 197, 215}));
}

TEST(CommandPixels, CaptionIsCentredBlackAndGreyedWhenDisabled) {
  Host& host = TheHost();
  struct Case {
    const char* caption;
    int w, h;
  };
  for (const Case& c : {Case{"設定", 77, 25}, Case{"ｷｬﾝｾﾙ", 77, 25}, Case{"...", 41, 21}}) {
    SCOPED_TRACE(c.caption);
    auto with = host.Button(c.caption, 10, 10, c.w, c.h);
    auto without = host.Button("", 10, 50, c.w, c.h);
    const win::Surface shot = Shot(*with);
    const RECT box = CaptionBox(shot, Shot(*without));
    ASSERT_GT(box.right, box.left);
    // Centred across: the ink's middle within a pixel and a half of the button's.
    EXPECT_NEAR((box.left + box.right) / 2.0, c.w / 2.0, 1.5);
    // Inside the frame, and not below the middle line (10 twips above centre).
    EXPECT_GE(box.top, 4);
    EXPECT_LE(box.bottom, c.h - 4);
    const Rgb ink = Darkest(shot, box);
    EXPECT_LT(ink.r + ink.g + ink.b, 150) << ink;

    with->SetEnabled(false);
    without->SetEnabled(false);
    const win::Surface grey = Shot(*with);
    const RECT greyBox = CaptionBox(grey, Shot(*without));
    EXPECT_EQ(greyBox.left, box.left);
    EXPECT_EQ(greyBox.top, box.top);
    const Rgb greyInk = Darkest(grey, greyBox);
    const Rgb system = Of(GetSysColor(COLOR_GRAYTEXT));
    EXPECT_NEAR(greyInk.r, system.r, 24) << greyInk;
    EXPECT_NEAR(greyInk.g, system.g, 24) << greyInk;
    EXPECT_GT(greyInk.r + greyInk.g + greyInk.b, 200) << greyInk;  // not black
  }
}

TEST(CommandPixels, TransparentShowsOnlyTheCaptionOverTheHost) {
  Host& host = TheHost();
  auto b = host.Button("設定");
  b->SetVisible(false);
  const win::Surface shot = Shot(*b);
  EXPECT_EQ(At(shot, 0, 0), Of(kHostColour));
  EXPECT_EQ(At(shot, 38, 1), Of(kHostColour));
  EXPECT_EQ(At(shot, 38, 22), Of(kHostColour));
  auto empty = host.Button("", 10, 50);
  empty->SetVisible(false);
  EXPECT_GT(CaptionBox(shot, Shot(*empty)).right, 0);  // the caption is still there
}

TEST(CommandPixels, OtherDpiScaleTheFrame) {
  Host& host = TheHost();
  auto b = host.Button("設定", 10, 10, 116, 38);
  b->SetDpi(144);
  const win::Surface shot = Shot(*b);
  // A 6-pixel frame: the dark blue line lands on row 2 (skin row 1 stretched 4 -> 6).
  EXPECT_EQ(At(shot, 58, 2), (Rgb{0, 60, 116}));
  EXPECT_EQ(At(shot, 2, 19), (Rgb{0, 60, 116}));
  EXPECT_EQ(At(shot, 113, 19), (Rgb{0, 60, 116}));
  const Rgb inside = At(shot, 8, 6);
  EXPECT_GE(std::min({inside.r, inside.g, inside.b}), 240) << inside;  // the face begins
}

// ---------------------------------------------------------------- behaviour

TEST(CommandWindow, ClickReachesTheHostForAReleaseOverTheButton) {
  Host& host = TheHost();
  auto b = host.Button("設定");
  int clicks = 0;
  b->onClick = [&clicks] { ++clicks; };
  Move(*b);
  LeftDown(*b);
  EXPECT_EQ(GetFocus(), b->hwnd());  // the press took the focus first
  EXPECT_EQ(b->model().state().ButtonState, controls::kFocusedHover);
  LeftUp(*b);
  EXPECT_EQ(clicks, 1);
  EXPECT_NE(GetCapture(), b->hwnd());

  SendMessageW(b->hwnd(), WM_RBUTTONDOWN, MK_RBUTTON, Point(5, 5));
  SendMessageW(b->hwnd(), WM_RBUTTONUP, 0, Point(5, 5));
  SendMessageW(b->hwnd(), WM_MBUTTONUP, 0, Point(5, 5));
  EXPECT_EQ(clicks, 3);

  // The keyboard: Enter clicks, Space clicks on its release; there are no access keys.
  for (UINT key : {VK_RETURN, VK_SPACE}) {
    SendMessageW(b->hwnd(), WM_KEYDOWN, key, 0);
    SendMessageW(b->hwnd(), WM_CHAR, key, 0);
    SendMessageW(b->hwnd(), WM_KEYUP, key, 0);
  }
  EXPECT_EQ(clicks, 5);
  SendMessageW(b->hwnd(), WM_SYSKEYDOWN, 'S', 1 << 29);
  SendMessageW(b->hwnd(), WM_SYSCHAR, 's', 1 << 29);
  EXPECT_EQ(clicks, 5);
  clicks = 3;

  // Disabled: no Click, no focus taken, out of the tab order.
  b->SetEnabled(false);
  SetFocus(host.hwnd());
  LeftDown(*b);
  LeftUp(*b);
  EXPECT_EQ(clicks, 3);
  EXPECT_NE(GetFocus(), b->hwnd());
  EXPECT_EQ(GetWindowLongPtrW(b->hwnd(), GWL_STYLE) & WS_TABSTOP, 0);
}

TEST(CommandWindow, ReleaseAfterThePointerLeftGivesNoClick) {
  Host& host = TheHost();
  auto b = host.Button("設定");
  int clicks = 0;
  b->onClick = [&clicks] { ++clicks; };
  Move(*b);
  LeftDown(*b);
  ASSERT_EQ(GetCapture(), b->hwnd());
  SetCursorPos(900, 700);  // far from the host window
  SendMessageW(b->hwnd(), WM_TIMER, 1, 0);
  EXPECT_EQ(b->model().state().ButtonState, controls::kFocused);
  Move(*b, -30, -30);  // captured moves outside are not moves over the button
  EXPECT_EQ(b->model().state().ButtonState, controls::kFocused);
  LeftUp(*b, -30, -30);
  EXPECT_EQ(clicks, 0);
  EXPECT_FALSE(b->model().state().MouseHeld);
}

TEST(CommandWindow, TheHostMayDestroyTheButtonFromItsClick) {
  Host& host = TheHost();
  auto b = host.Button("ｷｬﾝｾﾙ");
  const HWND window = b->hwnd();
  bool clicked = false;
  b->onClick = [&] {
    clicked = true;
    b.reset();
  };
  Move(*b);
  LeftDown(*b);
  SendMessageW(window, WM_LBUTTONUP, 0, Point(20, 10));
  EXPECT_TRUE(clicked);
  EXPECT_FALSE(IsWindow(window));
}

TEST(CommandWindow, HoverEndsWhenTheRealPointerLeaves) {
  Host& host = TheHost();
  auto b = host.Button("設定", 20, 20);
  ASSERT_TRUE(SetCursorPos(kHostX + 20 + 38, kHostY + 20 + 12));
  win::PumpPendingMessages();
  Move(*b);
  ASSERT_EQ(b->model().state().ButtonState, controls::kHover);
  // While the pointer stays, the timer keeps the hover look through its ticks...
  int ticks = 0;
  const DWORD start = GetTickCount();
  while (ticks < 3 && GetTickCount() - start < 5000) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_TIMER && msg.hwnd == b->hwnd()) ++ticks;
      DispatchMessageW(&msg);
    }
    if (ticks < 3) Sleep(10);
  }
  EXPECT_EQ(ticks, 3) << "the hover timer does not tick";
  EXPECT_EQ(b->model().state().ButtonState, controls::kHover);
  // ...and within a few ticks of leaving, it is gone.
  SetCursorPos(5, 700);
  EXPECT_TRUE(testing_support::PumpUntil([&] { return b->model().state().ButtonState == controls::kRest; }));
}

// ---------------------------------------------------------------- the strip of looks

// Every look side by side on the settings panel's grey, named underneath: the six skins
// on a Cmd_Set-sized button, then the transparent look, the other two dialog buttons, a
// long caption, small sizes and the 150 % frame.
TEST(CommandLooks, StripOfEveryLook) {
  Host& host = TheHost();
  constexpr int kCell = 124, kRowHeight = 72;
  win::Surface strip;
  ASSERT_TRUE(strip.create(kCell * 7, kRowHeight * 2));
  RECT all{0, 0, strip.width(), strip.height()};
  win::UniqueBrush grey(CreateSolidBrush(RGB(224, 224, 224)));
  FillRect(strip.dc(), &all, grey.get());
  win::UniqueFont font = win::CreateUiFont(96, {});
  win::Selected fontIn(strip.dc(), font.get());
  SetBkMode(strip.dc(), TRANSPARENT);

  auto place = [&](Command& b, int cell, int row, const wchar_t* name) {
    const win::Surface shot = Shot(b);
    const int x = cell * kCell + (kCell - shot.width()) / 2;
    const int y = row * kRowHeight + 8 + (40 - shot.height()) / 2;
    shot.copyTo(strip.dc(), x, y);
    RECT label{cell * kCell, row * kRowHeight + 52, (cell + 1) * kCell, (row + 1) * kRowHeight};
    DrawTextW(strip.dc(), name, -1, &label, DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  };

  std::vector<win::Surface> looks;
  int cell = 0;
  for (const Look& look : kLooks) {
    auto b = host.Button("設定");
    look.reach(*b);
    looks.push_back(Shot(*b));
    place(*b, cell++, 0, win::widen(look.name).c_str());
  }
  {
    auto b = host.Button("設定");
    b->SetVisible(false);
    place(*b, cell, 0, L"Visible False");
  }
  // Six different pictures: no two looks may come out the same.
  for (size_t i = 0; i < looks.size(); ++i) {
    for (size_t j = i + 1; j < looks.size(); ++j) {
      bool differ = false;
      for (int y = 0; y < 25 && !differ; ++y) {
        for (int x = 0; x < 77 && !differ; ++x) {
          differ = !(At(looks[i], x, y) == At(looks[j], x, y));
        }
      }
      EXPECT_TRUE(differ) << kLooks[i].name << " and " << kLooks[j].name;
    }
  }

  auto can = host.Button("ｷｬﾝｾﾙ");
  place(*can, 0, 1, L"Cmd_Can");
  auto file = host.Button("...", 10, 10, 41, 21);
  place(*file, 1, 1, L"Cmd_File");
  file->SetEnabled(false);
  place(*file, 2, 1, L"Cmd_File disabled");
  auto longer = host.Button("ずっと長いキャプション");
  place(*longer, 3, 1, L"long caption");
  auto small = host.Button("", 10, 10, 30, 12);
  place(*small, 4, 1, L"30 x 12");
  auto tiny = host.Button("", 10, 10, 6, 5);
  place(*tiny, 5, 1, L"6 x 5");
  auto big = host.Button("設定", 10, 10, 116, 38);
  big->SetDpi(144);
  place(*big, 6, 1, L"150 %");

  wchar_t path[MAX_PATH];
  const DWORD n = GetEnvironmentVariableW(L"VESKAR_LOOKS_BMP", path, MAX_PATH);
  if (n > 0 && n < MAX_PATH) {
    GdiFlush();
    const size_t count = static_cast<size_t>(strip.width()) * strip.height();
    const testpix::Pixels pixels{strip.width(), strip.height(), {strip.bits(), strip.bits() + count}};
    EXPECT_TRUE(testpix::SaveBmp(pixels, path));
  }
}
