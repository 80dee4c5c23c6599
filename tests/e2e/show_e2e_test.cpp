// The show end to end: Veskar.scr /s on the virtual screen, over a picture the test puts
// there first. What the screen shows (the captured picture during the hold, uniform square
// blocks of its averages mid-cycle), what ends the show and what does not, and - through
// a recording stand-in for Runo_Effect.dll loaded by the real search - the levels of each
// cycle and what happens to the cursor.
#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <utility>

#include "harness.h"
#include "support/effect_log.h"
#include "support/settings_text.h"

using namespace e2e;

namespace {

int ScreenWidth() { return GetSystemMetrics(SM_CXSCREEN); }
int ScreenHeight() { return GetSystemMetrics(SM_CYSCREEN); }

Pixels NoisePicture() { return testing_support::NoisePixels(ScreenWidth(), ScreenHeight()); }

// Is `screen` the picture rendered in blocks of `side` pixels from the top-left corner,
// each the average of what it covers (channels rounded, halves up)?
bool IsPixelated(const Pixels& screen, const Pixels& picture, int side) {
  for (int by = 0; by < picture.height; by += side) {
    for (int bx = 0; bx < picture.width; bx += side) {
      const int bw = std::min(side, picture.width - bx), bh = std::min(side, picture.height - by);
      uint32_t sum[3] = {0, 0, 0};
      for (int y = by; y < by + bh; ++y)
        for (int x = bx; x < bx + bw; ++x)
          for (int c = 0; c < 3; ++c) sum[c] += (picture.at(x, y) >> (8 * c)) & 0xFF;
      const uint32_t n = uint32_t(bw * bh);
      uint32_t want = 0;
      for (int c = 0; c < 3; ++c) want |= ((sum[c] + n / 2) / n) << (8 * c);
      for (int y = by; y < by + bh; ++y)
        for (int x = bx; x < bx + bw; ++x)
          if (screen.at(x, y) != want) return false;
    }
  }
  return true;
}

// Block side of a frame, read from its top-left block (1: sharp or not blocks at all).
int TopLeftRun(const Pixels& screen) {
  int run = 1;
  while (run < screen.width && screen.at(run, 0) == screen.at(0, 0)) ++run;
  return run;
}

using testing_support::EffectCall;
using testing_support::EffectLog;

EffectLog ReadRecording(const TestFolder& folder) {
  return testing_support::ParseEffectLog(ReadFileBytes(folder.file(L"effect-calls.txt")));
}

// Waits until the show has drawn `frames` more frames: the top-left corner of the screen
// changed that often (each level has its own block size). With the real effects library
// every frame changes it; the show handles pending input at the end of every frame.
bool WaitForDrawnFrames(int frames) {
  const RECT corner{0, 0, 64, 1};
  Pixels last = CaptureScreen(corner);
  int seen = 0;
  return WaitUntil(
      [&] {
        Pixels now = CaptureScreen(corner);
        if (now.data != last.data) {
          ++seen;
          last = std::move(now);
        }
        return seen >= frames;
      },
      10000);
}

class Show : public ::testing::Test {
 protected:
  void SetUp() override { folder_.copyFromBuild(L"Veskar.scr"); }

  void useRealEffect() { folder_.copyFromBuild(L"Runo_Effect.dll"); }
  void useRecordingEffect() { folder_.copyFromBuild(L"recording_effect.dll", L"Runo_Effect.dll"); }
  void setDegree(int degree) {
    ASSERT_TRUE(WriteFileBytes(folder_.file(L"ベスカル.ini"), testing_support::SettingsFile({{testing_support::kDegreeKey, testing_support::SavedNumber(degree)}})));
  }

  // Starts the show and waits until its window is shown on top (its load has finished).
  HWND start(const std::wstring& args = L"/s") {
    StartedSaver started = StartSaverWindow(folder_, args, kShowTitle);
    saver_ = std::move(started.process);
    const HWND show = started.window;
    const bool onTop = show && WaitUntil([&] { return (GetWindowLongW(show, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }, 10000);
    return onTop ? show : nullptr;
  }

  bool endsWithin(DWORD ms) { return saver_.endsCleanly(ms); }

  TestFolder folder_;
  Process saver_;
};

}  // namespace

TEST_F(Show, CoversTheScreenShowsTheCaptureAndPixelatesItInSquareBlocks) {
  useRealEffect();
  setDegree(60);
  const Pixels picture = NoisePicture();
  auto shown = std::make_unique<ScreenPicture>(picture);
  ASSERT_EQ(CaptureScreen().data, picture.data) << "the test picture is not on the screen";

  const HWND show = start();
  ASSERT_NE(show, nullptr);
  RECT rc{};
  GetWindowRect(show, &rc);
  EXPECT_EQ(rc.left, 0);
  EXPECT_EQ(rc.top, 0);
  EXPECT_EQ(rc.right, ScreenWidth());
  EXPECT_EQ(rc.bottom, ScreenHeight());
  const LONG style = GetWindowLongW(show, GWL_STYLE);
  EXPECT_TRUE(style & WS_VISIBLE);
  EXPECT_FALSE(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME)) << "no border, no title bar";
  EXPECT_TRUE(GetWindowLongW(show, GWL_EXSTYLE) & WS_EX_TOPMOST);

  // From here on the screen shows only the show: the captured picture must be its own.
  shown.reset();
  bool sawSharp = false;
  std::set<int> sides;
  WaitUntil(
      [&] {
        const Pixels screen = CaptureScreen();
        const int side = TopLeftRun(screen);
        if (screen.data == picture.data) {
          sawSharp = true;
        } else if (side >= 2 && IsPixelated(screen, picture, side)) {
          if (sides.insert(side).second && sides.size() == 1) SaveBmp(screen, folder_.file(L"blocks.bmp"));
        }  // anything else was caught while a refresh was under way
        return sawSharp && sides.size() >= 3;
      },
      15000);
  EXPECT_TRUE(sawSharp) << "the held picture is exactly the captured one";
  EXPECT_GE(sides.size(), 3u) << "mid-cycle frames are uniform square blocks of the averages";
  for (int side : sides) EXPECT_LE(side, 62) << "the level goes one past the degree (60), no further";
  EXPECT_TRUE(saver_.running());

  // Moving the mouse, however far, leaves the show running; a key ends it.
  for (int i = 0; i < 6; ++i) {
    SendMouseMove(i * ScreenWidth() / 6, (5 - i) * ScreenHeight() / 6);
    PostMouseMove(show, 10 + i * 50, 20 + i * 40);
  }
  EXPECT_TRUE(WaitForDrawnFrames(3)) << "the show stopped drawing";
  EXPECT_TRUE(saver_.running()) << "mouse movement ended the show";
  PostKey(show, 'A');
  EXPECT_TRUE(endsWithin(5000));
}

TEST_F(Show, AnyKeyEndsItModifierKeysAlone) {
  // Shift and Ctrl as posted keys, Alt as the system key it arrives as, and a typed key
  // through the input queue (the show window has the focus).
  struct Case {
    const char* name;
    void (*press)(HWND);
  };
  const Case cases[] = {
      {"Shift", [](HWND h) { PostKey(h, VK_SHIFT); }},
      {"Ctrl", [](HWND h) { PostKey(h, VK_CONTROL); }},
      {"Alt", [](HWND h) { PostKey(h, VK_MENU, true); }},
      {"typed Z", [](HWND) { SendKey('Z'); }},
  };
  for (const auto& c : cases) {
    const HWND show = start();
    ASSERT_NE(show, nullptr) << c.name;
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == show; }, 3000)) << "the show has no focus";
    c.press(show);
    EXPECT_TRUE(endsWithin(5000)) << c.name << " did not end the show";
    saver_.kill();
  }
}

TEST_F(Show, ALeftOrRightClickOnThePictureEndsIt) {
  useRecordingEffect();
  for (bool right : {false, true}) {
    const HWND show = start();
    ASSERT_NE(show, nullptr);
    SendClick(ScreenWidth() / 2, ScreenHeight() / 3, right);
    EXPECT_TRUE(endsWithin(5000)) << (right ? "right" : "left") << " click did not end the show";
    saver_.kill();
  }
  // A button that was never pressed over the picture is no click.
  const HWND show = start();
  ASSERT_NE(show, nullptr);
  const size_t before = EffectCalls(folder_);
  PostMessageW(show, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  ASSERT_TRUE(WaitForEffectCalls(folder_, before, 2)) << "the show stopped drawing";
  EXPECT_TRUE(saver_.running()) << "a release alone ended the show";
  PostMessageW(show, WM_CLOSE, 0, 0);  // and closing the window ends it too
  EXPECT_TRUE(endsWithin(5000));
}

TEST_F(Show, CycleLevelsThroughTheRealLoadingPath) {
  useRecordingEffect();
  setDegree(3);
  const HWND show = start();
  ASSERT_NE(show, nullptr);
  // Two cycles of eight calls, each followed by its one-second hold, and the next one begun.
  ASSERT_TRUE(WaitUntil([&] { return ReadRecording(folder_).calls.size() >= 17; }, 15000));
  PostKey(show, VK_SPACE);
  ASSERT_TRUE(endsWithin(5000));

  const EffectLog r = ReadRecording(folder_);
  ASSERT_GE(r.calls.size(), 17u);
  const int cycle[] = {0, 1, 2, 3, 4, 3, 2, 1};
  for (size_t i = 0; i < r.calls.size(); ++i) {
    EXPECT_EQ(r.calls[i].level, cycle[i % 8]) << "call " << i;
    EXPECT_EQ(r.calls[i].size, std::to_string(ScreenWidth()) + "x" + std::to_string(ScreenHeight()));
  }
  // The hold comes after the call at level 1 and before the next cycle's 0.
  for (size_t i = 8; i < r.calls.size(); i += 8) {
    EXPECT_GE(r.calls[i].ms - r.calls[i - 1].ms, 900u) << "no hold before call " << i;
  }
  // The result variable holds the topmost placement's result before the first call and the
  // restoring copy's after each hold: both succeeded.
  EXPECT_NE(r.calls[0].resultOnEntry, 0);
  EXPECT_NE(r.calls[8].resultOnEntry, 0);
}

TEST_F(Show, DegreeZeroOrBelowCyclesThroughZeroAndOne) {
  useRecordingEffect();
  for (int degree : {0, -5}) {
    setDegree(degree);
    DeleteFileW(folder_.file(L"effect-calls.txt").c_str());
    const HWND show = start();
    ASSERT_NE(show, nullptr) << degree;
    ASSERT_TRUE(WaitUntil([&] { return ReadRecording(folder_).calls.size() >= 5; }, 15000)) << degree;
    PostKey(show, VK_ESCAPE);
    ASSERT_TRUE(endsWithin(5000)) << degree;
    const EffectLog r = ReadRecording(folder_);
    for (size_t i = 0; i < r.calls.size(); ++i) EXPECT_EQ(r.calls[i].level, int(i % 2)) << degree << " call " << i;
    for (size_t i = 2; i < r.calls.size(); i += 2) EXPECT_GE(r.calls[i].ms - r.calls[i - 1].ms, 900u) << degree;
  }
}

TEST_F(Show, WithoutTheEffectsLibraryTheCaptureStaysHeldOncePerCycle) {
  // No Runo_Effect.dll: every effect call is skipped. The picture stays the capture, and
  // the one-second hold still comes once per cycle: the window answers nothing while it
  // lasts. With degree 0 a cycle is two quick frames and the hold.
  setDegree(0);
  const Pixels picture = NoisePicture();
  auto shown = std::make_unique<ScreenPicture>(picture);
  const HWND show = start();
  ASSERT_NE(show, nullptr);
  shown.reset();
  EXPECT_TRUE(WaitUntil([&] { return CaptureScreen().data == picture.data; }, 5000));

  int stalls = 0;
  const DWORD begin = GetTickCount();
  while (GetTickCount() - begin < 3500 && stalls < 2) {
    const DWORD t0 = GetTickCount();
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(SendMessageTimeoutW(show, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored)) << "the show hangs";
    if (GetTickCount() - t0 >= 500) ++stalls;
  }
  EXPECT_GE(stalls, 2) << "no hold seen";
  EXPECT_EQ(CaptureScreen().data, picture.data);
  PostKey(show, 'Q');
  EXPECT_TRUE(endsWithin(5000));
}

TEST_F(Show, OnlyTheModeLetterSHidesAndGivesBackTheCursor) {
  // The stand-in reads the show thread's cursor counter at every call and when the process
  // ends. An empty argument string starts the show without touching it at all; /s hides
  // it for the show and counts it back up at the end.
  useRecordingEffect();
  setDegree(0);
  for (const wchar_t* args : {L"", L"/s"}) {
    DeleteFileW(folder_.file(L"effect-calls.txt").c_str());
    const HWND show = start(args);
    ASSERT_NE(show, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return !ReadRecording(folder_).calls.empty(); }, 15000));
    PostKey(show, VK_RETURN);
    ASSERT_TRUE(endsWithin(5000));
    const EffectLog r = ReadRecording(folder_);
    const bool hidden = std::wstring(args) == L"/s";
    for (const EffectCall& c : r.calls) EXPECT_EQ(c.cursor, hidden ? -1 : 0) << Utf8(args);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.cursorAtExit, 0) << Utf8(args) << ": the cursor counter at the end";
  }
}

TEST_F(Show, EachLevelStaysForADisplayFrameAndAKeyEndsTheAnimationAtOnce) {
  // Degree 30: 62 levels a cycle, one per refresh of the (60 Hz) display, then the hold.
  useRecordingEffect();
  setDegree(30);
  DEVMODEW mode{};
  mode.dmSize = sizeof mode;
  EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode);
  const int hz = mode.dmDisplayFrequency > 1 ? int(mode.dmDisplayFrequency) : 60;
  const double period = 1e6 * ((hz + 59) / 60) / hz;  // microseconds a level stays
  const HWND show = start();
  ASSERT_NE(show, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return ReadRecording(folder_).calls.size() >= 2 * 62 + 20; }, 20000));

  // A key mid-cycle ends the show before more than a few further levels are drawn: the
  // one under way, and the next if the key came just as it ended.
  const size_t before = ReadRecording(folder_).calls.size();
  PostKey(show, 'K');
  ASSERT_TRUE(endsWithin(5000));
  const EffectLog r = ReadRecording(folder_);
  EXPECT_LE(r.calls.size(), before + 2) << "levels went on being drawn after the key";

  ASSERT_GE(r.calls.size(), 2u * 62);
  std::vector<double> steps;
  for (size_t cycle = 0; cycle < 2; ++cycle) {
    const size_t first = cycle * 62, last = first + 61;
    EXPECT_EQ(r.calls[first].level, 0);
    EXPECT_EQ(r.calls[last].level, 1);
    // The cycle lasts at least 61 level times from its level 0 to its level 1 (how close
    // it keeps to that pace is measured by scripts/bench) ...
    const double length = double(r.calls[last].us - r.calls[first].us);
    EXPECT_GT(length, 0.9 * 61 * period) << "cycle " << cycle << " outran the display";
    for (size_t i = first + 1; i <= last; ++i) steps.push_back(double(r.calls[i].us - r.calls[i - 1].us));
    // ... and the hold comes once, after it.
    if (last + 1 < r.calls.size()) {
      EXPECT_GE(r.calls[last + 1].ms - r.calls[last].ms, 1000u) << "no hold after cycle " << cycle;
    }
  }
  std::sort(steps.begin(), steps.end());
  const double median = steps[steps.size() / 2];
  EXPECT_GT(median, 0.8 * period);
  std::printf("level intervals: median %.0f us, 5th %.0f us, 95th %.0f us (period %.0f us)\n", median,
              steps[steps.size() / 20], steps[steps.size() * 19 / 20], period);
}

TEST_F(Show, AKeyDuringTheHoldEndsTheShowOnlyAfterTheHold) {
  useRecordingEffect();
  setDegree(3);
  const HWND show = start();
  ASSERT_NE(show, nullptr);
  // The call at level 1 that ends the first cycle; the hold begins a level time later.
  ASSERT_TRUE(WaitForEffectCalls(folder_, 0, 8));
  ASSERT_TRUE(WaitForHold(show, 5000)) << "no hold after the first cycle";
  PostKey(show, 'H');
  ASSERT_TRUE(endsWithin(5000));
  const EffectLog r = ReadRecording(folder_);
  EXPECT_EQ(r.calls.size(), 8u) << "the key was handled after the next cycle began";
  ASSERT_TRUE(r.exited);
  ASSERT_FALSE(r.calls.empty());
  EXPECT_GE(r.msAtExit - r.calls.back().ms, 1000u) << "the key ended the hold early";
}
