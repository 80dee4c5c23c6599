// The show over a desk of several monitors, in this process with a scripted desk (the test
// display has one monitor): a picture pair per monitor, every monitor at the same level in
// each frame, each picture at its monitor's place in the one window with black between,
// and a desk that changes while the show runs. The effect calls are counted by the
// recording stand-in of the effects library, which logs each call's picture size.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "show/show_win.h"
#include "support/effect_log.h"
#include "support/win32_helpers.h"
#include "win/module.h"
#include "win/strings.h"

namespace {

std::wstring CallLog() { return win::widen(win::ProgramFolder()) + L"\\effect-calls.txt"; }

// "level WxH" of every effect call so far.
std::vector<std::string> RecordedCalls() {
  std::vector<std::string> calls;
  for (const auto& call : testing_support::ParseEffectLog(testing_support::ReadFileBytes(CallLog())).calls)
    calls.push_back(std::to_string(call.level) + " " + call.size);
  return calls;
}

// The desk the scripted reader tells; a test changes it before it sends WM_DISPLAYCHANGE.
std::vector<show::DeskRect> g_monitors;
show::DeskLayout ScriptedDesk() { return show::LayOutDesk({}, g_monitors); }

COLORREF WindowPixel(HWND hwnd, int x, int y) {
  win::WindowDc dc(hwnd);
  return GetPixel(dc.get(), x, y);
}

class ShowDesk : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteFileW(CallLog().c_str());
    session_.ArgumentString = "/s";
    session_.programFolder = win::ProgramFolder();
    session_.settings.Degree = 5;
    // A primary, and a monitor to its right with a 100-pixel gap, lower down.
    g_monitors = {{0, 0, 600, 768}, {700, 100, 1020, 340}};
  }

  show::Veskar_S& load() {
    form_ = std::make_unique<show::Veskar_S>(session_, L"recording_effect.dll", ScriptedDesk);
    EXPECT_TRUE(form_->Load(false));
    return *form_;
  }

  // Marks each monitor's capture with its own colour, as if it had captured that.
  void markCaptures(const std::vector<uint32_t>& colours) {
    for (size_t i = 0; i < form_->monitors().size(); ++i) {
      const win::Surface& master = form_->monitors()[i].Master;
      std::fill_n(master.bits(), size_t(master.width()) * master.height(), colours[i]);
    }
  }

  app::Session session_;
  std::unique_ptr<show::Veskar_S> form_;
};

TEST_F(ShowDesk, EachMonitorHasItsOwnPicturesAtItsPlaceAndEveryFrameDrawsThemAll) {
  show::Veskar_S& form = load();
  RECT window{};
  GetWindowRect(form.hwnd(), &window);
  EXPECT_EQ(window.left, 0);
  EXPECT_EQ(window.right - window.left, 1020);
  EXPECT_EQ(window.bottom - window.top, 768);
  ASSERT_EQ(form.monitors().size(), 2u);
  EXPECT_EQ(form.monitors()[1].Display.width(), 320);
  EXPECT_EQ(form.monitors()[1].Master.height(), 240);

  markCaptures({0x0000FF, 0x00FF00});
  form.Frame(0);
  form.Frame(1);
  EXPECT_EQ(RecordedCalls(), (std::vector<std::string>{"0 600x768", "0 320x240", "1 600x768", "1 320x240"}));

  // The stand-in leaves the pictures as they are: the Display still holds the load's copy
  // of the real capture. The restoring copy at the bottom of a cycle shows each monitor's
  // capture at its own place; between the monitors the window is black.
  for (int i = 0; i < 12; ++i) form.RunFrame();  // 0 .. 6 .. 1, then the restoring copy
  EXPECT_EQ(WindowPixel(form.hwnd(), 10, 10), RGB(0, 0, 255));
  EXPECT_EQ(WindowPixel(form.hwnd(), 710, 110), RGB(0, 255, 0));
  EXPECT_EQ(WindowPixel(form.hwnd(), 1019, 339), RGB(0, 255, 0));
  InvalidateRect(form.hwnd(), nullptr, FALSE);
  UpdateWindow(form.hwnd());
  EXPECT_EQ(WindowPixel(form.hwnd(), 650, 300), RGB(0, 0, 0)) << "the gap between the monitors";
  EXPECT_EQ(WindowPixel(form.hwnd(), 800, 50), RGB(0, 0, 0)) << "above the right monitor";
  EXPECT_EQ(WindowPixel(form.hwnd(), 710, 110), RGB(0, 255, 0)) << "a paint keeps the pictures";
}

TEST_F(ShowDesk, ADeskThatChangesIsCoveredAgainAndKeepsWhatItStillShows) {
  show::Veskar_S& form = load();
  markCaptures({0x0000FF, 0x00FF00});

  // The right monitor unplugged and a new one put left of the primary: the window moves
  // over the new desk; the primary keeps its capture, the new monitor was never captured.
  g_monitors = {{0, 0, 600, 768}, {-300, 0, 0, 200}};
  SendMessageW(form.hwnd(), WM_DISPLAYCHANGE, 32, MAKELPARAM(600, 768));
  RECT window{};
  GetWindowRect(form.hwnd(), &window);
  EXPECT_EQ(window.left, -300);
  EXPECT_EQ(window.right, 600);
  ASSERT_EQ(form.monitors().size(), 2u);
  EXPECT_EQ(form.monitors()[0].Master.bits()[0], 0x0000FFu);
  EXPECT_EQ(form.monitors()[1].place.x, 0);
  EXPECT_EQ(form.monitors()[0].place.x, 300);
  EXPECT_EQ(form.monitors()[1].Master.bits()[0] & 0xFFFFFF, 0u) << "never captured: black";
  EXPECT_EQ(form.monitors()[1].Display.bits()[0] & 0xFFFFFF, 0u);

  // A resolution change moves part of a picture: the primary, now 800 wide, keeps the
  // 600 pixels it had, and black beyond.
  g_monitors = {{0, 0, 800, 600}};
  SendMessageW(form.hwnd(), WM_DISPLAYCHANGE, 32, MAKELPARAM(800, 600));
  ASSERT_EQ(form.monitors().size(), 1u);
  const win::Surface& master = form.monitors()[0].Master;
  EXPECT_EQ(master.bits()[599], 0x0000FFu);
  EXPECT_EQ(master.bits()[600] & 0xFFFFFF, 0u);

  // The same desk told again changes nothing; the show goes on over it.
  const uint32_t* before = master.bits();
  SendMessageW(form.hwnd(), WM_DISPLAYCHANGE, 32, MAKELPARAM(800, 600));
  EXPECT_EQ(form.monitors()[0].Master.bits(), before) << "pictures made again for an unchanged desk";
  form.Frame(2);
  EXPECT_EQ(RecordedCalls().back(), "2 800x600");
}

}  // namespace
