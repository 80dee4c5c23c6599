// The player's command helpers: the reply buffer, error texts, the "Error:" results and
// the play command's parts.
#include <gtest/gtest.h>

#include "music/player.h"
#include "support/fake_music.h"

using Call = testing_support::FakeMci::Call;

namespace {

class MciCommands : public ::testing::Test, protected testing_support::FakePlayer {
 protected:
  MciCommands() : FakePlayer(777) {}
};

}  // namespace

TEST_F(MciCommands, AnEmptyCommandIsRefusedWithoutReachingTheDevice) {
  std::string reply = "old";
  EXPECT_EQ(player.SendMciCommand("", reply), -1);
  EXPECT_EQ(reply, "コマンド文字列が指定されていません");
  EXPECT_TRUE(mci.calls.empty());
  EXPECT_EQ(lastApiResult, 777) << "nothing was sent, so no result is kept";

  // Through QueryMci the -1 becomes the error result, and is kept.
  EXPECT_EQ(player.QueryMci(""), "Error:-1");
  EXPECT_EQ(player.LastMciReply(), "コマンド文字列が指定されていません");
  EXPECT_EQ(lastApiResult, -1);
}

TEST_F(MciCommands, AnsweredCommandsGiveTheReplyFromThe512CharacterBuffer) {
  mci.Set("status cdaudio current track", 0, "7");
  std::string reply;
  EXPECT_EQ(player.SendMciCommand("status cdaudio current track", reply), 0);
  EXPECT_EQ(reply, "7");
  EXPECT_EQ(lastApiResult, 0);
  EXPECT_EQ(mci.calls, (std::vector<Call>{{"status cdaudio current track", 512}}));
  EXPECT_TRUE(mci.errorTextCalls.empty());

  EXPECT_EQ(player.QueryMci("status cdaudio current track"), "7");
  EXPECT_EQ(player.LastMciReply(), "7");
}

TEST_F(MciCommands, FailuresGiveThePlatformTextOrTheFallbackText) {
  mci.Set("status cdaudio mode", 263, std::nullopt);
  mci.errorTexts[263] = "The specified device is not open.";
  std::string reply;
  EXPECT_EQ(player.SendMciCommand("status cdaudio mode", reply), 263);
  EXPECT_EQ(reply, "The specified device is not open.");
  EXPECT_EQ(lastApiResult, 263);
  EXPECT_EQ(mci.errorTextCalls, (std::vector<Call>{{"263", 256}}));

  // A code the platform has no text for.
  mci.Set("status cdaudio mode", 99999, std::nullopt);
  EXPECT_EQ(player.SendMciCommand("status cdaudio mode", reply), 99999);
  EXPECT_EQ(reply, "Error (文字列が取れません)");
}

TEST_F(MciCommands, AFailedQueryReadsAsAnErrorAndKeepsTheTextAside) {
  mci.Set("status cdaudio number of tracks", 266, "");
  mci.errorTexts[266] = "Cannot load the driver.";
  const std::string result = player.QueryMci("status cdaudio number of tracks");
  EXPECT_EQ(result, "Error:266");
  EXPECT_EQ(player.LastMciReply(), "Cannot load the driver.");
  EXPECT_EQ(lastApiResult, 266);

  // Codes are 32-bit signed numbers in decimal, no blank.
  mci.Set("status x", 0x80000001u, "");
  EXPECT_EQ(player.QueryMci("status x"), "Error:-2147483647");
}

TEST_F(MciCommands, TheReplyBufferKeepsItsTextWhenTheDeviceWritesNothing) {
  mci.Set("status a", 0, "first");
  mci.Set("status b", 0, std::nullopt);
  EXPECT_EQ(player.QueryMci("status a"), "first");
  EXPECT_EQ(player.QueryMci("status b"), "first");
  // The error-text buffer is kept the same way; only a failed lookup gives the fallback.
  mci.Set("status c", 5, "");
  mci.errorTexts[5] = "five";
  player.QueryMci("status c");
  EXPECT_EQ(player.LastMciReply(), "five");
}

TEST_F(MciCommands, PlayCommandsAreBuiltFromTheirParts) {
  EXPECT_EQ(player.PlayMciDevice("cdaudio", "", ""), 0);
  EXPECT_EQ(player.PlayMciDevice("cdaudio", "03:00:00:00", ""), 0);
  EXPECT_EQ(player.PlayMciDevice("cdaudio", "1", "2"), 0);
  EXPECT_EQ(player.PlayMciDevice("cdaudio", "", "2"), 0);
  EXPECT_EQ(mci.calls, (std::vector<Call>{{"play cdaudio", 512},
                                          {"play cdaudio from 03:00:00:00", 512},
                                          {"play cdaudio from 1 to 2", 512},
                                          {"play cdaudio to 2", 512}}));

  mci.Set("play cdaudio from Error:263", 277, "");
  mci.errorTexts[277] = "bad position";
  EXPECT_EQ(player.PlayMciDevice("cdaudio", "Error:263", ""), 277);
  EXPECT_EQ(player.LastMciReply(), "bad position");
}
