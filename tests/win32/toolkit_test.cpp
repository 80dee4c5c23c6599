// The Win32 toolkit and the program's resources, on a real Win32 implementation.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <utility>

#include "support/win32_helpers.h"
#include "version.h"
#include "win/handle.h"
#include "win/module.h"
#include "win/pump.h"
#include "win/strings.h"
#include "win/surface.h"
#include "win/timer.h"
#include "win/window.h"

TEST(Strings, JapaneseRoundTripsThroughUtf16) {
  const std::string text = "<ベスカル> ﾌｧｲﾙを開く 度合い";
  const std::wstring wide = win::widen(text);
  EXPECT_EQ(wide, L"<ベスカル> ﾌｧｲﾙを開く 度合い");
  EXPECT_EQ(win::narrow(wide), text);
  EXPECT_EQ(win::widen(""), L"");
}

TEST(Surface, IsATopDownPictureWhoseBitsAreTheDcsPixels) {
  win::Surface s;
  ASSERT_TRUE(s.create(7, 3));
  EXPECT_EQ(s.width(), 7);
  EXPECT_EQ(s.height(), 3);
  for (int i = 0; i < 21; ++i) EXPECT_EQ(s.bits()[i], 0u) << "a new surface is black";
  SetPixel(s.dc(), 6, 0, RGB(10, 20, 30));
  GdiFlush();
  EXPECT_EQ(s.bits()[6] & 0xFFFFFF, 0x0A141Eu);  // row 0 is the top row
  s.bits()[2 * 7 + 1] = 0x00FF8040;
  EXPECT_EQ(GetPixel(s.dc(), 1, 2), RGB(0xFF, 0x80, 0x40));

  win::Surface copy;
  ASSERT_TRUE(copy.create(7, 3));
  EXPECT_TRUE(s.copyTo(copy.dc()));
  GdiFlush();
  EXPECT_EQ(copy.bits()[2 * 7 + 1], 0x00FF8040u);

  // Re-creating at another size drops the old bitmap; an empty size leaves it empty.
  ASSERT_TRUE(s.create(2, 2));
  EXPECT_EQ(s.bits()[0], 0u);
  EXPECT_FALSE(s.create(0, 5));
  EXPECT_TRUE(s.empty());
}

// A moved surface takes its picture along; the one moved from is empty and no longer
// reaches the picture (its bits would point into another surface's bitmap), and can be
// made again.
TEST(Surface, AMoveTakesThePictureAndLeavesAnEmptySurface) {
  win::Surface a;
  ASSERT_TRUE(a.create(4, 2));
  a.bits()[5] = 0x00123456;
  uint32_t* const bits = a.bits();

  win::Surface b(std::move(a));
  EXPECT_EQ(b.bits(), bits);
  EXPECT_EQ(b.width(), 4);
  EXPECT_EQ(GetPixel(b.dc(), 1, 1), RGB(0x12, 0x34, 0x56));
  EXPECT_TRUE(a.empty());  // what a move leaves is the point of this test
  EXPECT_EQ(a.bits(), nullptr);
  EXPECT_EQ(a.dc(), nullptr);
  EXPECT_EQ(a.width(), 0);
  EXPECT_EQ(a.height(), 0);

  // Assigned over a surface with a picture of its own: that one goes, this one stays.
  win::Surface c;
  ASSERT_TRUE(c.create(9, 9));
  c = std::move(b);
  EXPECT_EQ(c.bits(), bits);
  EXPECT_EQ(c.height(), 2);
  EXPECT_EQ(GetPixel(c.dc(), 1, 1), RGB(0x12, 0x34, 0x56));
  EXPECT_TRUE(b.empty());
  EXPECT_EQ(b.dc(), nullptr);

  // The moved-from surfaces work again.
  ASSERT_TRUE(a.create(3, 3));
  a.bits()[4] = 0x00FFFFFF;
  EXPECT_EQ(GetPixel(a.dc(), 1, 1), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(c.dc(), 1, 1), RGB(0x12, 0x34, 0x56)) << "the moved picture is untouched";
}

namespace {
class TickWindow : public win::Window {
 public:
  bool make() { return create({L"VeskarTestTick"}, 0, WS_POPUP, L"tick", 0, 0, 10, 10); }
  int ticks = 0;       // of timer 7
  int clockTicks = 0;  // of timer 8

 protected:
  LRESULT onMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_TIMER && wp == 7) ++ticks;
    if (msg == WM_TIMER && wp == 8) ++clockTicks;
    return Window::onMessage(msg, wp, lp);
  }
};
}  // namespace

TEST(Timer, TicksOnlyWhileEnabled) {
  TickWindow w;
  ASSERT_TRUE(w.make());
  win::Timer t(7, 10);
  t.attach(w.hwnd());
  using testing_support::PumpUntil;
  t.setEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return w.ticks >= 2; }));
  t.setEnabled(false);
  win::PumpPendingMessages();
  const int after = w.ticks;
  // A second timer of the same period is the clock: three of its ticks, none of the first.
  win::Timer clock(8, 10);
  clock.attach(w.hwnd());
  clock.setEnabled(true);
  EXPECT_TRUE(PumpUntil([&] { return w.clockTicks >= 3; }));
  EXPECT_EQ(w.ticks, after);
}

TEST(Window, ForgetsItsObjectWhenDestroyed) {
  auto w = std::make_unique<TickWindow>();
  ASSERT_TRUE(w->make());
  const HWND h = w->hwnd();
  DestroyWindow(h);
  EXPECT_EQ(w->hwnd(), nullptr);
  EXPECT_FALSE(IsWindow(h));
  w.reset();  // must not touch the dead window
}

TEST(Pump, PutsAQuitMessageBack) {
  PostQuitMessage(3);
  EXPECT_FALSE(win::PumpPendingMessages());
  MSG msg;
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST(Module, ProgramFolderHasNoTrailingBackslash) {
  const std::string folder = win::ProgramFolder();
  ASSERT_GE(folder.size(), 3u);
  EXPECT_NE(folder.back(), '\\');
  EXPECT_EQ(win::ProgramPath().substr(0, folder.size() + 1), folder + "\\");
}

namespace {
// Veskar.scr sits beside this test program.
win::UniqueLibrary OpenSaverAsData() {
  const std::wstring path = win::widen(win::ProgramFolder() + "\\Veskar.scr");
  return win::UniqueLibrary(LoadLibraryExW(path.c_str(), nullptr,
                                           LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}
}  // namespace

TEST(Resources, TheSaverListNameIsStringOne) {
  const auto saver = OpenSaverAsData();
  ASSERT_TRUE(saver);
  wchar_t text[64] = {};
  ASSERT_GT(LoadStringW(saver.get(), 1, text, 64), 0);
  EXPECT_STREQ(text, L"ベスカル");
}

TEST(Resources, ManifestAsksForPerMonitorDpiAndCommonControls6) {
  const auto saver = OpenSaverAsData();
  ASSERT_TRUE(saver);
  HRSRC res = FindResourceW(saver.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(res, nullptr);
  const char* data = static_cast<const char*>(LockResource(LoadResource(saver.get(), res)));
  const std::string manifest(data, SizeofResource(saver.get(), res));
  EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
  EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
  EXPECT_NE(manifest.find("supportedOS"), std::string::npos);
  // The assembly version is the program's own, four parts.
  EXPECT_NE(manifest.find("name=\"Veskar.ScreenSaver\" version=\"" VESKAR_VERSION_STRING ".0\""), std::string::npos)
      << manifest.substr(0, 300);
}

TEST(Resources, CarriesAnIconAndAVersion) {
  const auto saver = OpenSaverAsData();
  ASSERT_TRUE(saver);
  EXPECT_NE(FindResourceW(saver.get(), MAKEINTRESOURCEW(100), MAKEINTRESOURCEW(14)), nullptr);
  EXPECT_NE(FindResourceW(saver.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16)), nullptr);
}
