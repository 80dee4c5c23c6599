// Audio CD: opening, the 200 ms poll that (re)starts the disc or one track, and the stop.
#include <gtest/gtest.h>

#include "music/player.h"
#include "support/fake_music.h"

using Call = testing_support::FakeMci::Call;
using Commands = std::vector<std::string>;

namespace {

constexpr const char* kCurrent = "status cdaudio current track";
constexpr const char* kTracks = "status cdaudio number of tracks";
constexpr const char* kMode = "status cdaudio mode";

class CdMusic : public ::testing::Test, protected testing_support::FakePlayer {
 protected:
  // A disc in the drive, as the device would describe it.
  void Disc(const std::string& track, const std::string& mode) {
    mci.Set(kCurrent, 0, track);
    mci.Set(kTracks, 0, "12");
    mci.Set(kMode, 0, mode);
  }
  // One tick of the show's Timer2: poll, then keep the timer running only while the poll
  // says so. Returns the commands the tick sent.
  Commands Tick() {
    mci.calls.clear();
    player.PollCdMusic();
    timer2 = player.CdPollActive();
    return mci.Commands();
  }
  // The show's end: the CD is stopped only while its poll still runs.
  Commands EndShow() {
    mci.calls.clear();
    if (timer2) {
      timer2 = false;
      player.StopCdMusic();
    }
    return mci.Commands();
  }

  bool timer2 = true;
};

}  // namespace

TEST_F(CdMusic, OpenAndStopSendTheirCommandsWithoutReplyBuffers) {
  mci.Set("open cdaudio", 266, "");
  mci.Set("set cdaudio time format tmsf", 263, "");
  player.OpenCdMusic();
  EXPECT_EQ(lastApiResult, 263) << "each result overwrites the last";
  mci.Set("close cdaudio", 0, "");
  player.StopCdMusic();
  EXPECT_EQ(lastApiResult, 0);
  EXPECT_EQ(mci.calls, (std::vector<Call>{{"open cdaudio", 0},
                                          {"set cdaudio time format tmsf", 0},
                                          {"stop cdaudio", 0},
                                          {"close cdaudio", 0}}));
  EXPECT_TRUE(mci.errorTextCalls.empty()) << "results of these commands are not looked at";
}

TEST_F(CdMusic, WholeDiscStartsOnTheFirstPollAndIsOnlyWatchedWhilePlaying) {
  settings.RepeatTrack = 0;
  Disc("1", "stopped");
  player.OpenCdMusic();
  mci.calls.clear();
  player.PollCdMusic();
  EXPECT_TRUE(player.CdPollActive());
  EXPECT_EQ(mci.calls, (std::vector<Call>{{kCurrent, 512}, {kTracks, 512}, {kMode, 255},
                                          {"play cdaudio", 512}}));

  Disc("5", "playing");
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Tick(), (Commands{kCurrent, kTracks, kMode}));
  EXPECT_TRUE(timer2);

  // At the end of the disc the device stops, and the next tick plays it from the start.
  Disc("12", "stopped");
  EXPECT_EQ(Tick(), (Commands{kCurrent, kTracks, kMode, "play cdaudio"}));
  EXPECT_EQ(EndShow(), (Commands{"stop cdaudio", "close cdaudio"}));
}

TEST_F(CdMusic, ARepeatedTrackIsPlayedAgainWhenTheNextOneBegins) {
  settings.RepeatTrack = 3;
  mci.Set("status cdaudio position track 3", 0, "03:00:00:00");

  // Right after opening the device is stopped: the track is found and played.
  Disc("1", "stopped");
  EXPECT_EQ(Tick(), (Commands{kCurrent, kTracks, kMode, "status cdaudio position track 3",
                              "play cdaudio from 03:00:00:00"}));
  // While track 3 plays, the poll only asks.
  Disc("3", "playing");
  EXPECT_EQ(Tick(), (Commands{kCurrent, kTracks, kMode}));
  // Track 4 begins: back to the start of track 3, at the position exactly as the device
  // gave it.
  mci.Set("status cdaudio position track 3", 0, " 3:0:0:0 ");
  Disc("4", "playing");
  EXPECT_EQ(Tick(), (Commands{kCurrent, kTracks, kMode, "status cdaudio position track 3",
                              "play cdaudio from  3:0:0:0 "}));
  EXPECT_TRUE(timer2);
  // Track 3, but stopped (the last track of a disc): played again too.
  Disc("3", "stopped");
  EXPECT_EQ(Tick().back(), "play cdaudio from  3:0:0:0 ");
}

TEST_F(CdMusic, AnEmptyDriveEndsThePollingAfterOneTickAndIsNeverTouchedAgain) {
  // No drive at all (what Wine reports), no disc: the first query fails.
  mci.Set("open cdaudio", 266, "");
  mci.Set(kCurrent, 266, "");
  player.OpenCdMusic();
  EXPECT_EQ(Tick(), (Commands{kCurrent}));
  EXPECT_FALSE(timer2);
  EXPECT_EQ(EndShow(), Commands{});

  // A drive that answers the track but cannot read the disc: the second query fails.
  mci.Set(kCurrent, 0, "1");
  mci.Set(kTracks, 0, "ERROR");
  timer2 = true;
  EXPECT_EQ(Tick(), (Commands{kCurrent, kTracks}));
  EXPECT_FALSE(timer2);

  // Any reply with "err" in it, in any letter case, counts as an error. A poll starts out
  // active again: only the show's timer makes the end final.
  Disc("Terr", "playing");
  EXPECT_EQ(Tick().size(), 1u);
  EXPECT_FALSE(player.CdPollActive());
  Disc("1", "playing");
  EXPECT_EQ(Tick().size(), 3u);
  EXPECT_TRUE(player.CdPollActive());
}

TEST_F(CdMusic, ATrackBeyondTheDiscKeepsTryingWithoutSound) {
  settings.RepeatTrack = 20;
  Disc("1", "stopped");
  mci.Set("status cdaudio position track 20", 289, "");
  mci.Set("play cdaudio from Error:289", 277, "");
  mci.errorTexts[277] = "bad position";
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(Tick(), (Commands{kCurrent, kTracks, kMode, "status cdaudio position track 20",
                                "play cdaudio from Error:289"}));
    EXPECT_TRUE(timer2);
  }
  EXPECT_EQ(player.LastMciReply(), "bad position");
  EXPECT_EQ(lastApiResult, 277);
}

TEST_F(CdMusic, ModeAndTrackAreComparedExactly) {
  settings.RepeatTrack = 0;
  for (const char* notStopped : {"Stopped", "stop", "STOPPED", " stopped", "paused", ""}) {
    Disc("1", notStopped);
    EXPECT_EQ(Tick().size(), 3u) << notStopped;
  }
  Disc("1", "stopped and more");  // the first seven characters decide
  EXPECT_EQ(Tick().back(), "play cdaudio");
  // A mode query that fails and writes nothing leaves the last mode in its buffer; its
  // result is kept but not looked up.
  mci.Set(kMode, 261, std::nullopt);
  EXPECT_EQ(Tick().back(), "play cdaudio");
  EXPECT_EQ(lastApiResult, 0) << "the play command's result came last";
  EXPECT_TRUE(mci.errorTextCalls.empty());

  settings.RepeatTrack = 3;
  mci.Set("status cdaudio position track 3", 0, "03:00:00:00");
  for (const char* same : {"3", " 3 ", "+3", "3.0", "03", "0.3e1"}) {
    Disc(same, "playing");
    EXPECT_EQ(Tick().size(), 3u) << same;
  }
  for (const char* other : {"2", "3.5", "-3", "30"}) {
    Disc(other, "playing");
    EXPECT_EQ(Tick().back(), "play cdaudio from 03:00:00:00") << other;
  }
}

TEST_F(CdMusic, ACurrentTrackThatIsNoNumberEndsThePollingWhenATrackIsRepeated) {
  settings.RepeatTrack = 3;
  for (const char* bad : {"", "three", "3 4", "3:00", "&H3"}) {
    Disc(bad, "stopped");
    timer2 = true;
    EXPECT_EQ(Tick(), (Commands{kCurrent, kTracks, kMode})) << "'" << bad << "'";
    EXPECT_FALSE(timer2) << "'" << bad << "'";
  }
  // Without a track to repeat, the current track is never read as a number.
  settings.RepeatTrack = 0;
  Disc("three", "stopped");
  EXPECT_EQ(Tick().back(), "play cdaudio");
  EXPECT_TRUE(timer2);
}
