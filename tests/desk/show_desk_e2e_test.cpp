// The show on a desk of three monitors, one of them left of and above the primary, with
// gaps between them: the one window covers them all, each monitor is pixelated with blocks
// from its own top-left corner, each shows its own desktop exactly in the hold, a click on a
// secondary monitor ends the show, a display change leaves every monitor covered, and a
// capture that shows nothing is told from a monitor that really is of one colour.
#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "effects/pixelate.h"
#include "harness.h"
#include "support/effect_log.h"
#include "support/pixels.h"
#include "support/settings_text.h"

#include "../../assets/resource.h"

using namespace e2e;
using testing_support::NoisePixels;
using testing_support::PartOf;

namespace {

std::vector<RECT> g_found;
BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info)) g_found.push_back(info.rcMonitor);
  return TRUE;
}
std::vector<RECT> Monitors() {
  g_found.clear();
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, 0);
  return g_found;
}

RECT VirtualScreen() {
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

// `picture` as the library renders it at `level`, blocks from the picture's own corner.
Pixels Pixelated(const Pixels& picture, int level) {
  Pixels out = picture;
  effects::PixelatePortable({picture.data.data(), picture.width}, {out.data.data(), out.width},
                                    picture.width, picture.height, level);
  for (auto& v : out.data) v &= 0xFFFFFF;
  return out;
}

// A click through the input queue at a point of the virtual screen (any monitor).
void ClickOnDesk(int x, int y) {
  const RECT v = VirtualScreen();
  INPUT in[3]{};
  const DWORD flags[3] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
  for (int i = 0; i < 3; ++i) {
    in[i].type = INPUT_MOUSE;
    in[i].mi.dx = LONG(int64_t(x - v.left) * 65535 / std::max<LONG>(1, v.right - v.left - 1));
    in[i].mi.dy = LONG(int64_t(y - v.top) * 65535 / std::max<LONG>(1, v.bottom - v.top - 1));
    in[i].mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | flags[i];
  }
  SendInput(3, in, sizeof(INPUT));
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class Desk : public ::testing::Test {
 protected:
  void SetUp() override {
    monitors_ = Monitors();
    if (monitors_.size() != 3) {
      // Only the run that sets the desk up can run these; there, a missing desk fails.
      if (std::getenv("VESKAR_DESK")) FAIL() << "the test desk has " << monitors_.size() << " monitors, not 3";
      GTEST_SKIP() << "needs the three-monitor test desk";
    }
    folder_.copyFromBuild(L"Veskar.scr");
  }

  HWND start(int degree) {
    const std::string settings = testing_support::SettingsFile({{testing_support::kDegreeKey, testing_support::SavedNumber(degree)}});
    if (!WriteFileBytes(folder_.file(L"ベスカル.ini"), settings)) return nullptr;
    saver_ = StartSaver(folder_, L"/s");
    const HWND show = saver_.started() ? WaitForWindow(L"Veskar_Main", 15000, saver_.pid()) : nullptr;
    if (!show || !WaitUntil([&] { return IsWindowVisible(show) != FALSE; }, 10000)) return nullptr;
    return show;
  }

  // Is every monitor's point under the show window, and the show still running?
  bool coversEveryMonitor(HWND show) const {
    for (const RECT& m : monitors_) {
      for (const POINT p : {Centre(m), POINT{m.left + 1, m.top + 1}, POINT{m.right - 2, m.bottom - 2}}) {
        if (WindowFromPoint(p) != show) return false;
      }
    }
    return true;
  }

  std::vector<RECT> monitors_;
  TestFolder folder_{::testing::UnitTest::GetInstance()->current_test_info()->name()};
  Process saver_;
};

}  // namespace

TEST_F(Desk, EveryMonitorIsCoveredPixelatedFromItsOwnCornerAndExactInTheHold) {
  folder_.copyFromBuild(L"Runo_Effect.dll");
  const RECT v = VirtualScreen();
  const int vw = v.right - v.left, vh = v.bottom - v.top;
  const Pixels desk = NoisePixels(vw, vh);
  auto shown = std::make_unique<ScreenPicture>(desk, POINT{v.left, v.top});
  ASSERT_EQ(CaptureScreen(v).data, desk.data) << "the test picture is not on every monitor";

  const HWND show = start(40);
  ASSERT_NE(show, nullptr);
  RECT rc{};
  GetWindowRect(show, &rc);
  EXPECT_TRUE(EqualRect(&rc, &v)) << "the window is not the virtual screen";
  shown.reset();  // from here on the screen shows only the show

  // Each monitor's own picture, and its place in a capture of the virtual screen.
  struct Seen {
    RECT at;
    Pixels desktop;
    std::set<int> levels;  // levels matched exactly, blocks from the monitor's corner
    bool sharp = false;
  };
  std::vector<Seen> seen;
  for (const RECT& m : monitors_) {
    seen.push_back({m, PartOf(desk, m.left - v.left, m.top - v.top, m.right - m.left, m.bottom - m.top), {}, false});
  }
  const auto blackGap = [&](const Pixels& screen) {
    // Below the upper-left monitor and left of the primary lies no monitor.
    return screen.at(10, vh - 10) == 0;
  };
  bool gapBlack = true;
  WaitUntil(
      [&] {
        const Pixels screen = CaptureScreen(v);
        gapBlack = gapBlack && blackGap(screen);
        bool allSharp = true;
        for (Seen& s : seen) {
          const Pixels now = PartOf(screen, s.at.left - v.left, s.at.top - v.top, s.desktop.width, s.desktop.height);
          if (now.data == s.desktop.data) {
            continue;  // sharp here; the hold needs all three at once
          }
          allSharp = false;
          // The side of the top-left block gives the level to check the whole picture at.
          int side = 1;
          while (side < now.width && now.at(side, 0) == now.at(0, 0)) ++side;
          if (side >= 2 && Pixelated(s.desktop, side - 1).data == now.data) s.levels.insert(side - 1);
        }
        if (allSharp) {
          for (Seen& s : seen) s.sharp = true;
        }
        return std::all_of(seen.begin(), seen.end(), [](const Seen& s) {
          return s.sharp && std::count_if(s.levels.begin(), s.levels.end(), [](int l) { return l >= 8; }) >= 2;
        });
      },
      20000);
  for (const Seen& s : seen) {
    EXPECT_TRUE(s.sharp) << "monitor at " << s.at.left << "," << s.at.top << ": the hold shows its desktop exactly";
    EXPECT_GE(std::count_if(s.levels.begin(), s.levels.end(), [](int l) { return l >= 8; }), 2)
        << "monitor at " << s.at.left << "," << s.at.top << ": blocks from its own corner during the climb";
  }
  EXPECT_TRUE(gapBlack) << "where no monitor is, the show is black";
  if (HasFailure()) SaveBmp(CaptureScreen(v), folder_.file(L"desk.bmp"));
  EXPECT_TRUE(saver_.running());
}

TEST_F(Desk, AClickOnASecondaryMonitorEndsTheShowMovingTheMouseThereDoesNot) {
  folder_.copyFromBuild(L"recording_effect.dll", L"Runo_Effect.dll");
  const HWND show = start(3);
  ASSERT_NE(show, nullptr);
  EXPECT_TRUE(coversEveryMonitor(show));
  const auto negative = std::find_if(monitors_.begin(), monitors_.end(), [](const RECT& m) { return m.left < 0; });
  ASSERT_NE(negative, monitors_.end()) << "a monitor at negative coordinates";
  const RECT left = *negative;

  SetCursorPos(Centre(left).x, Centre(left).y + 20);
  ASSERT_TRUE(WaitForEffectCalls(folder_, EffectCalls(folder_), 6)) << "two more frames";
  EXPECT_TRUE(saver_.running()) << "moving the mouse over a secondary monitor ended the show";

  ClickOnDesk(Centre(left).x, Centre(left).y);
  POINT at{};
  GetCursorPos(&at);
  EXPECT_LE(std::abs(at.x - Centre(left).x) + std::abs(at.y - Centre(left).y), 2) << "the click went elsewhere";
  const auto code = saver_.waitExit(10000);
  ASSERT_TRUE(code.has_value()) << "a click on a secondary monitor did not end the show";
  EXPECT_EQ(*code, 0u);
}

TEST_F(Desk, ADisplayChangeWhileTheShowRunsLeavesEveryMonitorCovered) {
  folder_.copyFromBuild(L"recording_effect.dll", L"Runo_Effect.dll");
  const HWND show = start(3);
  ASSERT_NE(show, nullptr);
  PostMessageW(show, WM_DISPLAYCHANGE, 32, MAKELPARAM(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)));
  ASSERT_TRUE(WaitForEffectCalls(folder_, EffectCalls(folder_), 6)) << "the show stopped after the display change";
  EXPECT_TRUE(saver_.running());
  EXPECT_TRUE(coversEveryMonitor(show));
  // Every frame still renders all three monitors at one level.
  std::vector<std::string> sizes;
  for (const auto& call : testing_support::ParseEffectLog(ReadFileBytes(folder_.file(L"effect-calls.txt"))).calls)
    sizes.push_back(call.size);
  ASSERT_GE(sizes.size(), 6u);
  EXPECT_EQ(std::set<std::string>(sizes.begin(), sizes.begin() + 3).size(), 3u) << "a frame is the three monitors";
  for (size_t i = 3; i < sizes.size(); ++i) EXPECT_EQ(sizes[i], sizes[i % 3]) << "call " << i;
  PostKey(show, 'K');
  EXPECT_TRUE(saver_.waitExit(10000).has_value());
}

TEST_F(Desk, AMonitorOfOneColourAmongOthersIsShownAsItIsAndStaysSoInTheHold) {
  // A plain background with no taskbar on the right monitor: real, not a failed capture.
  folder_.copyFromBuild(L"Runo_Effect.dll");
  const RECT v = VirtualScreen();
  Pixels desk = NoisePixels(v.right - v.left, v.bottom - v.top);
  const auto right = std::max_element(monitors_.begin(), monitors_.end(),
                                      [](const RECT& a, const RECT& b) { return a.left < b.left; });
  const RECT solid = *right;
  constexpr uint32_t kSolid = 0x102030;
  for (int y = solid.top; y < solid.bottom; ++y)
    for (int x = solid.left; x < solid.right; ++x) desk.data[size_t(y - v.top) * desk.width + (x - v.left)] = kSolid;
  auto shown = std::make_unique<ScreenPicture>(desk, POINT{v.left, v.top});
  const HWND show = start(10);
  ASSERT_NE(show, nullptr);
  shown.reset();

  // The hold: every other monitor shows its desktop exactly; the solid one, its colour.
  std::vector<std::string> faults;
  const bool held = WaitUntil(
      [&] {
        const Pixels screen = CaptureScreen(v);
        faults.clear();
        for (const RECT& m : monitors_) {
          if (EqualRect(&m, &solid)) continue;
          const Pixels now = PartOf(screen, m.left - v.left, m.top - v.top, m.right - m.left, m.bottom - m.top);
          if (now.data != PartOf(desk, m.left - v.left, m.top - v.top, now.width, now.height).data) return false;
        }
        const Pixels now = PartOf(screen, solid.left - v.left, solid.top - v.top, solid.right - solid.left,
                                  solid.bottom - solid.top);
        if (std::count(now.data.begin(), now.data.end(), kSolid) != ptrdiff_t(now.data.size()))
          faults.push_back("the one-colour monitor does not show its colour");
        return true;
      },
      20000);
  EXPECT_TRUE(held) << "no hold with every other monitor exact";
  for (const std::string& fault : faults) ADD_FAILURE() << fault;
  if (HasFailure()) SaveBmp(CaptureScreen(v), folder_.file(L"desk.bmp"));
  PostKey(show, 'K');
  EXPECT_TRUE(saver_.waitExit(10000).has_value());
}

TEST_F(Desk, ADeskCapturedAsOneColourShowsTheSampleDesktopOnEveryMonitor) {
  // The secure desktop, or a capture the system refused: every monitor blank at once. No
  // effects library: the pictures stay as the load made them. No wallpaper in the prefix.
  const RECT v = VirtualScreen();
  Pixels black = NoisePixels(v.right - v.left, v.bottom - v.top);
  std::fill(black.data.begin(), black.data.end(), 0u);
  const Pixels sample = SaverBitmap(IDB_PREVIEW);
  ASSERT_GT(sample.width, 0);
  auto shown = std::make_unique<ScreenPicture>(black, POINT{v.left, v.top});
  const HWND show = start(3);
  ASSERT_NE(show, nullptr);
  shown.reset();
  // The middle of each sample pixel's stretched span on each monitor shows that pixel.
  int wrong = -1;
  WaitUntil(
      [&] {
        const Pixels screen = CaptureScreen(v);
        wrong = 0;
        for (const RECT& m : monitors_) {
          const int w = m.right - m.left, h = m.bottom - m.top;
          for (int sy = 0; sy < sample.height; ++sy)
            for (int sx = 0; sx < sample.width; ++sx) {
              const int x = m.left - v.left + (2 * sx + 1) * w / (2 * sample.width);
              const int y = m.top - v.top + (2 * sy + 1) * h / (2 * sample.height);
              wrong += screen.at(x, y) != sample.at(sx, sy);
            }
        }
        return wrong == 0;
      },
      10000);
  EXPECT_EQ(wrong, 0) << "places where a monitor does not show the sample desktop stretched over it";
  PostKey(show, 'K');
  EXPECT_TRUE(saver_.waitExit(10000).has_value());
}
