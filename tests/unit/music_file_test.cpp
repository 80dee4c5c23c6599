// MP3 and WAV files: which endings count, the MP3 commands and its once-a-second repeat
// check, the WAV sound player, and names that must never reach a command.
#include <gtest/gtest.h>

#include "music/player.h"
#include "support/fake_music.h"

using Call = testing_support::FakeMci::Call;
using Commands = std::vector<std::string>;

namespace {

class FileMusic : public ::testing::Test, protected testing_support::FakePlayer {
 protected:
  FileMusic() : FakePlayer(555) {}
};

}  // namespace

TEST(MusicEnding, TheLastThreeCharactersUpperCasedDecide) {
  for (const char* mp3 : {"song.Mp3", "song.MP3", "C:\\a\\b.mp3", "xmp3", "mp3", "曲.mP3"}) {
    EXPECT_TRUE(music::EndsInMp3(mp3)) << mp3;
    EXPECT_FALSE(music::EndsInWav(mp3)) << mp3;
  }
  for (const char* wav : {"song.wav", "song.WAV", "曲.Wav", "wav"}) {
    EXPECT_TRUE(music::EndsInWav(wav)) << wav;
    EXPECT_FALSE(music::EndsInMp3(wav)) << wav;
  }
  for (const char* neither : {"song.mp3x", "song.mp", "p3", "", "song.ｍｐ３", "song.wave",
                              "song.mp3 ", "song.wma"}) {
    EXPECT_FALSE(music::EndsInMp3(neither)) << neither;
    EXPECT_FALSE(music::EndsInWav(neither)) << neither;
  }
}

TEST_F(FileMusic, Mp3OpensItsFileQuotedAndPlaysOnlyWhenTheOpenWorked) {
  settings.MusicFile = "C:\\My Music\\a b.mp3";
  player.StartMp3Music();
  EXPECT_EQ(mci.calls,
            (std::vector<Call>{{"open \"C:\\My Music\\a b.mp3\" type MPEGVideo Alias MP3Play", 0},
                               {"play MP3Play", 0}}));

  mci.calls.clear();
  settings.MusicFile = "C:\\曲\\ない.mp3";
  mci.Set("open \"C:\\曲\\ない.mp3\" type MPEGVideo Alias MP3Play", 275, "");
  player.StartMp3Music();
  EXPECT_EQ(mci.Commands(), (Commands{"open \"C:\\曲\\ない.mp3\" type MPEGVideo Alias MP3Play"}));
  EXPECT_EQ(lastApiResult, 555) << "the MP3 routines keep no result";
  EXPECT_TRUE(mci.errorTextCalls.empty());
}

TEST_F(FileMusic, AnMp3ThatEndedIsPlayedAgainFromTheStartOnTheNextCheck) {
  mci.Set("status MP3Play mode", 0, "playing");
  player.CheckMp3Repeat();
  EXPECT_EQ(mci.calls, (std::vector<Call>{{"status MP3Play mode", 30}}));

  mci.calls.clear();
  mci.Set("status MP3Play mode", 0, "stopped");
  player.CheckMp3Repeat();
  EXPECT_EQ(mci.calls, (std::vector<Call>{{"status MP3Play mode", 30},
                                          {"stop MP3Play", 0},
                                          {"play MP3Play from 0", 0}}));
  EXPECT_EQ(lastApiResult, 555);

  mci.calls.clear();
  player.StopMp3Music();
  EXPECT_EQ(mci.calls, (std::vector<Call>{{"stop MP3Play", 0}, {"close MP3Play", 0}}));
}

TEST_F(FileMusic, OnlyAModeStartingWithPlayingCountsAsPlaying) {
  for (const char* yes : {"playing", "playing more"}) {
    mci.Set("status MP3Play mode", 0, yes);
    EXPECT_TRUE(player.IsMp3Playing()) << yes;
  }
  for (const char* no : {"Playing", "PLAYING", "play", "paused", "seeking", ""}) {
    mci.Set("status MP3Play mode", 0, no);
    EXPECT_FALSE(player.IsMp3Playing()) << no;
  }
}

TEST_F(FileMusic, AnMp3ThatNeverOpenedIsTriedAgainEverySecond) {
  // The device clears the offered buffer and fails: not playing, so stop and play again,
  // both failing without effect.
  mci.Set("status MP3Play mode", 263, "");
  mci.Set("stop MP3Play", 263, "");
  mci.Set("play MP3Play from 0", 263, "");
  for (int i = 0; i < 3; ++i) {
    mci.calls.clear();
    player.CheckMp3Repeat();
    EXPECT_EQ(mci.Commands(),
              (Commands{"status MP3Play mode", "stop MP3Play", "play MP3Play from 0"}));
  }
}

TEST_F(FileMusic, WavLoopsThroughTheSoundPlayerWhenThereIsAWaveDevice) {
  settings.MusicFile = "C:\\My Music\\曲.wav";
  sound.playResult = 1;
  player.StartWavMusic();
  EXPECT_EQ(sound.calls, (Commands{"count", "play C:\\My Music\\曲.wav"}));
  EXPECT_EQ(lastApiResult, 1);
  // SND_ASYNC | SND_LOOP | SND_FILENAME | SND_NODEFAULT: a file that cannot be played
  // (corrupt, truncated, not a wave file) leaves the show silent instead of looping the
  // system's default sound, and the name is never taken for a sound alias.
  EXPECT_EQ(sound.playFlags, (std::vector<uint32_t>{0x0001u | 0x0008u | 0x00020000u | 0x0002u}));
  sound.stopResult = 0;
  player.StopWavMusic();
  EXPECT_EQ(sound.calls.back(), "stop");
  EXPECT_EQ(lastApiResult, 0);
  EXPECT_TRUE(mci.calls.empty());

  // No wave device (or a count read as negative): nothing plays; the stop is harmless.
  for (int32_t devices : {0, -1}) {
    sound.calls.clear();
    sound.devices = devices;
    player.StartWavMusic();
    player.StopWavMusic();
    EXPECT_EQ(sound.calls, (Commands{"count", "stop"}));
  }
}

TEST_F(FileMusic, ANameWithAQuotationMarkNeverReachesADevice) {
  // Unquoted, this name would close the quotes early and add " type waveaudio" of its own.
  settings.MusicFile = "C:\\x\" type waveaudio alias MP3Play wait \"y.mp3";
  player.StartMp3Music();
  EXPECT_TRUE(mci.calls.empty());
  // The show's timer and its end still run; their commands carry no name.
  player.CheckMp3Repeat();
  player.StopMp3Music();
  EXPECT_EQ(mci.Commands(), (Commands{"status MP3Play mode", "stop MP3Play",
                                      "play MP3Play from 0", "stop MP3Play", "close MP3Play"}));

  settings.MusicFile = "C:\\\"quoted\".wav";
  player.StartWavMusic();
  player.StopWavMusic();
  EXPECT_EQ(sound.calls, (Commands{"stop"}));

  EXPECT_TRUE(music::IsUnplayableName("\""));
  EXPECT_FALSE(music::IsUnplayableName("C:\\it's “curly”.mp3"));
}
