// The show while the display is switched off and the computer sleeps: the real Veskar_S
// in this process, told about the display the way Windows tells it (WM_POWERBROADCAST,
// PBT_POWERSETTINGCHANGE with a POWERBROADCAST_SETTING), frames driven one by one, the
// effect calls counted by the recording stand-in of the effects library and the music's
// commands by scripted devices.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/session.h"
#include "show/show_win.h"
#include "support/effect_log.h"
#include "support/fake_music.h"
#include "support/power.h"
#include "support/win32_helpers.h"
#include "win/handle.h"
#include "win/module.h"
#include "win/pump.h"
#include "win/strings.h"

namespace {

using testing_support::kConsoleDisplayState;
using testing_support::kMonitorPowerOn;
using testing_support::SendPowerSetting;
constexpr GUID kPowerSchemePersonality = {0x245d8541, 0x3943, 0x4422, {0xb0, 0x25, 0x13, 0xa7, 0x84, 0xf6, 0x79, 0xb7}};
constexpr DWORD kOff = testing_support::kDisplayOff, kOn = testing_support::kDisplayOn,
                kDimmed = testing_support::kDisplayDimmed;

// The stand-in, built beside this program, logs to effect-calls.txt in the same folder.
std::wstring BesideProgram(const wchar_t* name) { return win::widen(win::ProgramFolder()) + L"\\" + name; }

std::vector<int> RecordedLevels() {
  std::vector<int> levels;
  const std::string log = testing_support::ReadFileBytes(BesideProgram(L"effect-calls.txt"));
  for (const auto& call : testing_support::ParseEffectLog(log).calls) levels.push_back(call.level);
  return levels;
}

constexpr COLORREF kMark = RGB(255, 0, 255);

// Paints a mark on the show window where a refresh would draw over it.
void PaintMark(HWND show) {
  win::WindowDc dc(show);
  const RECT r{0, 0, 16, 16};
  win::UniqueBrush brush(CreateSolidBrush(kMark));
  FillRect(dc.get(), &r, brush.get());
  GdiFlush();
}

bool MarkShown(HWND show) {
  win::WindowDc dc(show);
  return GetPixel(dc.get(), 8, 8) == kMark;
}

class ShowPower : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteFileW(BesideProgram(L"effect-calls.txt").c_str());
    session_.ArgumentString = "/s";
    session_.programFolder = win::ProgramFolder();
    session_.settings.Degree = 5;  // a cycle: 0 .. 6 .. 1, twelve levels
  }

  // The show window, loaded without its start timer: the test drives the frames.
  show::Veskar_S& load() {
    form_ = std::make_unique<show::Veskar_S>(
        session_, show::ShowParts{L"recording_effect.dll", show::ReadDesk, {}, &mci_, &sound_});
    EXPECT_TRUE(form_->Load(false));
    return *form_;
  }
  // The commands sent since the last look.
  std::vector<std::string> newCommands() {
    std::vector<std::string> all = mci_.Commands();
    std::vector<std::string> fresh(all.begin() + std::ptrdiff_t(seen_), all.end());
    seen_ = all.size();
    return fresh;
  }

  testing_support::FakeMci mci_;
  testing_support::FakeSound sound_;
  size_t seen_ = 0;
  app::Session session_;
  std::unique_ptr<show::Veskar_S> form_;
};

// What the display does while the show waits for it, run from a thread timer that the
// show's own wait dispatches: a few ticks of looking, then the display comes back on.
struct WhileOff {
  HWND show = nullptr;
  int ticks = 0;
  size_t callsSeen = 0;
  bool markKept = true;
  bool stillOff = true;
};
WhileOff* g_whileOff = nullptr;

void CALLBACK OnWhileOffTick(HWND, UINT, UINT_PTR id, DWORD) {
  WhileOff& w = *g_whileOff;
  w.callsSeen = RecordedLevels().size();
  w.markKept = w.markKept && MarkShown(w.show);
  if (++w.ticks == 4) {
    KillTimer(nullptr, id);
    SendPowerSetting(w.show, kConsoleDisplayState, kOn);
  }
}

DWORD WINAPI EndAHungChild(LPVOID) {
  Sleep(15000);
  ExitProcess(3);
}

}  // namespace

TEST_F(ShowPower, NothingIsDrawnWhileTheDisplayIsOffAndTheCycleGoesOnWhereItWas) {
  show::Veskar_S& form = load();
  const HWND show = form.hwnd();
  ASSERT_NE(show, nullptr);
  for (int i = 0; i < 4; ++i) form.RunFrame();
  ASSERT_EQ(RecordedLevels(), (std::vector<int>{0, 1, 2, 3}));

  EXPECT_EQ(SendPowerSetting(show, kConsoleDisplayState, kOff), TRUE);
  EXPECT_FALSE(form.displayOn());
  PaintMark(show);
  ASSERT_TRUE(MarkShown(show));

  // The frame waits, drawing nothing, until the display is back; then the next level is
  // the one that was due, not the start of a new cycle.
  WhileOff whileOff{show};
  g_whileOff = &whileOff;
  ASSERT_NE(SetTimer(nullptr, 0, 100, OnWhileOffTick), 0u);
  const DWORD begin = GetTickCount();
  form.RunFrame();
  const DWORD waited = GetTickCount() - begin;
  g_whileOff = nullptr;
  EXPECT_EQ(whileOff.ticks, 4) << "the wait did not handle the timer's messages";
  EXPECT_GE(waited, 300u) << "the frame did not wait for the display";
  EXPECT_EQ(whileOff.callsSeen, 4u) << "the effect was called while the display was off";
  EXPECT_TRUE(whileOff.markKept) << "the window was drawn on while the display was off";
  EXPECT_TRUE(form.displayOn());
  EXPECT_EQ(form.cycle().Level(), 4);

  for (int i = 0; i < 10; ++i) form.RunFrame();  // through the bottom of the cycle and its hold
  EXPECT_FALSE(MarkShown(show)) << "the refresh resumed";
  EXPECT_EQ(RecordedLevels(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 5, 4, 3, 2, 1, 0, 1}));
}

TEST_F(ShowPower, OffMeansDataZeroOfEitherDisplaySettingAndADimmedDisplayIsStillShown) {
  show::Veskar_S& form = load();
  const HWND show = form.hwnd();
  ASSERT_NE(show, nullptr);
  struct Step {
    const char* what;
    GUID setting;
    DWORD state;
    DWORD dataLength;
    WPARAM event;
    bool onAfter;
  };
  const Step steps[] = {
      {"console display off", kConsoleDisplayState, kOff, sizeof(DWORD), PBT_POWERSETTINGCHANGE, false},
      {"console display on", kConsoleDisplayState, kOn, sizeof(DWORD), PBT_POWERSETTINGCHANGE, true},
      {"console display dimmed", kConsoleDisplayState, kDimmed, sizeof(DWORD), PBT_POWERSETTINGCHANGE, true},
      {"monitor off", kMonitorPowerOn, kOff, sizeof(DWORD), PBT_POWERSETTINGCHANGE, false},
      {"another setting's 1", kPowerSchemePersonality, kOn, sizeof(DWORD), PBT_POWERSETTINGCHANGE, false},
      {"data too short to read", kConsoleDisplayState, kOn, 2, PBT_POWERSETTINGCHANGE, false},
      {"another power event", kConsoleDisplayState, kOn, sizeof(DWORD), PBT_APMRESUMEAUTOMATIC, false},
      {"monitor on", kMonitorPowerOn, kOn, sizeof(DWORD), PBT_POWERSETTINGCHANGE, true},
      {"monitor off again", kMonitorPowerOn, kOff, sizeof(DWORD), PBT_POWERSETTINGCHANGE, false},
      {"dimmed from off", kConsoleDisplayState, kDimmed, sizeof(DWORD), PBT_POWERSETTINGCHANGE, true},
  };
  for (const Step& s : steps) {
    EXPECT_EQ(SendPowerSetting(show, s.setting, s.state, s.dataLength, s.event), TRUE) << s.what;
    EXPECT_EQ(form.displayOn(), s.onAfter) << s.what;
  }
  // A notification without its setting is ignored, not read.
  EXPECT_EQ(SendMessageW(show, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, 0), TRUE);
  EXPECT_TRUE(form.displayOn());

  // Dimmed, the show goes on drawing.
  form.RunFrame();
  form.RunFrame();
  EXPECT_EQ(RecordedLevels(), (std::vector<int>{0, 1}));
}

TEST_F(ShowPower, AKeyWhileTheDisplayIsOffStillEndsTheShow) {
  // The show ends the process: that part runs in a child process of this test. A watchdog
  // turns a show that never handles the key into a failure instead of a hang.
  EXPECT_EXIT(
      {
        win::UniqueHandle watchdog(CreateThread(nullptr, 0, EndAHungChild, nullptr, 0, nullptr));
        show::Veskar_S& form = load();
        SendPowerSetting(form.hwnd(), kConsoleDisplayState, kOff);
        PostMessageW(form.hwnd(), WM_KEYDOWN, 'K', 0);
        form.RunFrame();
        ExitProcess(4);  // the frame came back: the key was not handled
      },
      ::testing::ExitedWithCode(0), "");
  // A frame drawn while off would have loaded the stand-in, which logs every call.
  EXPECT_TRUE(RecordedLevels().empty()) << "the effect was called while the display was off";
}

using Commands = std::vector<std::string>;

TEST_F(ShowPower, TheMusicStopsAndClosesWhileTheDisplayIsOffAndStartsAgainWhenItComesBack) {
  session_.settings.MusicKind = 2;
  session_.settings.MusicFile = "C:\\Music\\song.mp3";
  show::Veskar_S& form = load();
  const HWND show = form.hwnd();
  const Commands start = {"open \"C:\\Music\\song.mp3\" type MPEGVideo Alias MP3Play", "play MP3Play"};
  EXPECT_EQ(newCommands(), start);
  for (int i = 0; i < 3; ++i) form.RunFrame();

  SendPowerSetting(show, kConsoleDisplayState, kDimmed);
  EXPECT_TRUE(newCommands().empty()) << "a dimmed display is still seen";
  SendPowerSetting(show, kConsoleDisplayState, kOff);
  EXPECT_EQ(newCommands(), (Commands{"stop MP3Play", "close MP3Play"}));

  // The frame waits for the display, which comes back on from a timer it handles.
  WhileOff whileOff{show};
  g_whileOff = &whileOff;
  ASSERT_NE(SetTimer(nullptr, 0, 100, OnWhileOffTick), 0u);
  form.RunFrame();
  g_whileOff = nullptr;
  EXPECT_EQ(newCommands(), start) << "started again as at the show's start";
  EXPECT_EQ(whileOff.callsSeen, 3u);
  EXPECT_EQ(form.cycle().Level(), 3) << "the cycle goes on where it was";
  form.RunFrame();
  EXPECT_EQ(RecordedLevels(), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(ShowPower, TheCdStopsForSleepAndOnlyAWakeBySomeoneStartsItAgain) {
  session_.settings.MusicKind = 1;
  mci_.Set("status cdaudio current track", 0, "1");
  mci_.Set("status cdaudio number of tracks", 0, "9");
  mci_.Set("status cdaudio mode", 0, "playing");
  show::Veskar_S& form = load();
  const HWND show = form.hwnd();
  const Commands open = {"open cdaudio", "set cdaudio time format tmsf"};
  EXPECT_EQ(newCommands(), open);

  EXPECT_EQ(SendMessageW(show, WM_POWERBROADCAST, PBT_APMSUSPEND, 0), TRUE);
  EXPECT_EQ(newCommands(), (Commands{"stop cdaudio", "close cdaudio"}));
  // A wake for a timer plays to nobody; the wake that someone made does.
  SendMessageW(show, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
  EXPECT_TRUE(newCommands().empty());
  SendMessageW(show, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
  EXPECT_EQ(newCommands(), open);
  // And the poll runs again: Timer2 is back on.
  Commands polled;
  EXPECT_TRUE(testing_support::PumpUntil([&] {
    for (const std::string& c : newCommands()) polled.push_back(c);
    return !polled.empty();
  }));
  EXPECT_EQ(polled.front(), "status cdaudio current track");
}
