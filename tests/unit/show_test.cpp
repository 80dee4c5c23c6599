// The show's rules: the level sequence of the pixelation loop, when the music starts,
// repeats and stops, and when the cursor is given back.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <utility>
#include <string>
#include <vector>

#include "show/cycle.h"
#include "show/show_music.h"

namespace {

// The levels handed to the effect until the `holds`-th hold, with "H" for each hold.
std::vector<std::string> Levels(int16_t degree, int holds) {
  show::LevelCycle cycle;
  std::vector<std::string> seen;
  while (holds > 0) {
    seen.push_back(std::to_string(cycle.Level()));
    if (cycle.Step(degree)) {
      seen.push_back("H");
      --holds;
    }
  }
  return seen;
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find(' ', start);
    out.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return out;
}

}  // namespace

TEST(LevelCycle, ClimbsOnePastTheDegreeFallsBackAndHoldsAtZero) {
  EXPECT_EQ(Levels(3, 2), Words("0 1 2 3 4 3 2 1 H 0 1 2 3 4 3 2 1 H"));
  EXPECT_EQ(Levels(1, 2), Words("0 1 2 1 H 0 1 2 1 H"));
}

TEST(LevelCycle, DegreeZeroOrBelowGivesZeroOneAndTheHold) {
  for (int16_t degree : {0, -1, -32768}) {
    EXPECT_EQ(Levels(degree, 3), Words("0 1 H 0 1 H 0 1 H")) << degree;
  }
}

TEST(LevelCycle, DefaultDegreeMakesTwoHundredAndTwoCallsPerCycle) {
  const auto seen = Levels(100, 1);
  ASSERT_EQ(seen.size(), 203u);  // 202 calls and the hold
  EXPECT_EQ(seen[101], "101");
  EXPECT_EQ(seen[200], "2");
  EXPECT_EQ(seen[201], "1");
  int timesAt50 = 0;
  for (const auto& s : seen) timesAt50 += s == "50";
  EXPECT_EQ(timesAt50, 2);
}

TEST(LevelCycle, LargestDegreeReachesLevel32768WithoutOverflow) {
  show::LevelCycle cycle;
  int32_t highest = 0;
  int calls = 0;
  for (int cycles = 0; cycles < 2;) {
    highest = std::max(highest, cycle.Level());
    ++calls;
    if (cycle.Step(32767)) ++cycles;
  }
  EXPECT_EQ(highest, 32768);
  EXPECT_EQ(calls, 2 * 65536);
}

// ---- music

namespace {

class RecordingMusic final : public show::MusicPort {
 public:
  std::vector<std::string> calls;
  bool pollStaysActive = true;
  bool timer1 = false;
  bool timer2 = false;

  void OpenCdMusic() override { calls.push_back("OpenCdMusic"); }
  void PollCdMusic() override { calls.push_back("PollCdMusic"); }
  bool CdPollActive() override { return pollStaysActive; }
  void StopCdMusic() override { calls.push_back("StopCdMusic"); }
  void StartMp3Music() override { calls.push_back("StartMp3Music"); }
  void CheckMp3Repeat() override { calls.push_back("CheckMp3Repeat"); }
  void StopMp3Music() override { calls.push_back("StopMp3Music"); }
  void StartWavMusic() override { calls.push_back("StartWavMusic"); }
  void StopWavMusic() override { calls.push_back("StopWavMusic"); }
  void SetTimer1(bool on) override {
    timer1 = on;
    calls.push_back(on ? "Timer1 on" : "Timer1 off");
  }
  void SetTimer2(bool on) override {
    timer2 = on;
    calls.push_back(on ? "Timer2 on" : "Timer2 off");
  }
  bool Timer2Enabled() override { return timer2; }
};

settings::Settings Music(int16_t kind, const std::string& file = "") {
  settings::Settings s;
  s.MusicKind = kind;
  s.MusicFile = file;
  return s;
}

using Calls = std::vector<std::string>;

}  // namespace

TEST(ShowMusic, TheCdIsOpenedBeforeItsPollAndStoppedOnlyWhileThePollRuns) {
  RecordingMusic m;
  show::StartMusic(m, Music(1));
  show::OnTimer2(m);
  show::StopMusic(m, Music(1));
  EXPECT_EQ(m.calls, (Calls{"OpenCdMusic", "Timer2 on", "PollCdMusic", "Timer2 on", "Timer2 off", "StopCdMusic"}));

  // A poll that gives up (no disc, no drive) stops the polling for good, and the end
  // leaves the CD device alone.
  RecordingMusic gaveUp;
  show::StartMusic(gaveUp, Music(1));
  gaveUp.pollStaysActive = false;
  show::OnTimer2(gaveUp);
  gaveUp.calls.clear();
  show::StopMusic(gaveUp, Music(1));
  EXPECT_FALSE(gaveUp.timer2);
  EXPECT_TRUE(gaveUp.calls.empty());
}

TEST(ShowMusic, AFileStartsAndStopsByItsLastThreeLetters) {
  struct Case {
    const char* file;
    Calls start;
    Calls stop;
  };
  const Case cases[] = {
      // The repeat check is off before the MP3 device is stopped.
      {"C:\\My Music\\song.Mp3", {"StartMp3Music", "Timer1 on"}, {"Timer1 off", "StopMp3Music"}},
      {"C:\\Music\\xmp3", {"StartMp3Music", "Timer1 on"}, {"Timer1 off", "StopMp3Music"}},  // no dot needed
      {"C:\\Music\\song.wav", {"StartWavMusic"}, {"StopWavMusic"}},
      {"C:\\Music\\song.WAV", {"StartWavMusic"}, {"StopWavMusic"}},
      {"C:\\Music\\song.mp3x", {}, {}},
      {"C:\\Music\\song.ogg", {}, {}},
      {"", {}, {}},
  };
  for (const auto& c : cases) {
    RecordingMusic m;
    show::StartMusic(m, Music(2, c.file));
    EXPECT_EQ(m.calls, c.start) << c.file;
    m.calls.clear();
    show::StopMusic(m, Music(2, c.file));
    EXPECT_EQ(m.calls, c.stop) << c.file;
  }
}

TEST(ShowMusic, OtherKindsPlayNothing) {
  for (int16_t kind : {0, 3, -1, 32767}) {
    RecordingMusic m;
    show::StartMusic(m, Music(kind, "C:\\song.mp3"));
    show::StopMusic(m, Music(kind, "C:\\song.mp3"));
    EXPECT_TRUE(m.calls.empty()) << kind;
  }
}

TEST(ShowMusic, StopsWhileNobodyCanHearItAndStartsAgainAsAtTheStart) {
  using E = show::PowerEvent;
  RecordingMusic m;
  show::MusicPower power;
  const auto mp3 = Music(2, "C:\\song.mp3");
  power.Start(m, mp3);
  EXPECT_EQ(m.calls, (Calls{"StartMp3Music", "Timer1 on"}));

  // Off, or asleep, or both: stopped once, as at the end; on and awake: started again.
  const std::pair<std::vector<E>, Calls> steps[] = {
      {{E::DisplayOn}, {}},  // a dimmed display too
      {{E::DisplayOff}, {"Timer1 off", "StopMp3Music"}},
      {{E::Suspend, E::DisplayOff}, {}},
      {{E::DisplayOn}, {}},  // still asleep
      {{E::Resume}, {"StartMp3Music", "Timer1 on"}},
      {{E::Suspend}, {"Timer1 off", "StopMp3Music"}},
      {{E::Resume}, {"StartMp3Music", "Timer1 on"}},
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    m.calls.clear();
    for (const E e : steps[i].first) power.Handle(e, m, mp3);
    EXPECT_EQ(m.calls, steps[i].second) << "step " << i;
  }
  // The end stops only what still plays; after it nothing starts again.
  power.Handle(E::DisplayOff, m, mp3);
  m.calls.clear();
  power.End(m, mp3);
  power.Handle(E::DisplayOn, m, mp3);
  EXPECT_TRUE(m.calls.empty());
}

TEST(ShowMusic, TheCdStartsAgainOnlyWhenItsPollWasRunning) {
  using E = show::PowerEvent;
  RecordingMusic m;
  show::MusicPower power;
  power.Start(m, Music(1));
  m.calls.clear();
  power.Handle(E::DisplayOff, m, Music(1));
  power.Handle(E::DisplayOn, m, Music(1));
  EXPECT_EQ(m.calls, (Calls{"Timer2 off", "StopCdMusic", "OpenCdMusic", "Timer2 on"}));

  // A poll that gave up keeps the CD silent, and its timer off, for the rest of the show.
  m.pollStaysActive = false;
  show::OnTimer2(m);
  m.calls.clear();
  power.Handle(E::Suspend, m, Music(1));
  power.Handle(E::Resume, m, Music(1));
  EXPECT_TRUE(m.calls.empty());

  // A display already off at the start: the music waits for it, then starts as at a start.
  RecordingMusic late;
  show::MusicPower latePower;
  latePower.Handle(E::DisplayOff, late, Music(1));
  latePower.Start(late, Music(1));
  EXPECT_TRUE(late.calls.empty());
  latePower.Handle(E::DisplayOn, late, Music(1));
  EXPECT_EQ(late.calls, (Calls{"OpenCdMusic", "Timer2 on"}));
}

TEST(ShowEnding, OnlyTheModeLetterSGivesTheCursorBack) {
  for (const char* args : {"/s", "/S", "-s", "xs", "/s 1234"}) EXPECT_TRUE(show::GivesCursorBack(args)) << args;
  for (const char* args : {"", "s", "/c", "/p 1234", "/a"}) EXPECT_FALSE(show::GivesCursorBack(args)) << args;
}
