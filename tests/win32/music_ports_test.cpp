// The real multimedia ports under Wine: error codes and texts, the reply buffers, a WAV
// looping into the test environment's sound device, an MP3 restarted by the player, and
// the CD device that Wine does not have.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "music/player.h"
#include "music/ports_win.h"
#include "support/audio.h"
#include "support/test_run.h"
#include "support/win32_helpers.h"
#include "win/strings.h"

using namespace testing_support;

namespace {

// The raw file the test environment's sound device writes (a Windows path), or "".
std::string RawAudioPath() {
  const char* p = std::getenv("VESKAR_AUDIO_RAW");
  return p ? p : "";
}

std::string ReadAll(const std::string& path) { return testing_support::ReadFileBytes(win::widen(path)); }

bool WriteAll(const std::string& path, const std::string& bytes) {
  return testing_support::WriteFileBytes(win::widen(path), bytes);
}

int64_t SizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA a;
  if (!GetFileAttributesExW(win::widen(path).c_str(), GetFileExInfoStandard, &a)) return -1;
  return (static_cast<int64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

// A file of the source tree, reached through Wine's drive Z: (the root of the Unix side).
std::string SourceFile(const std::string& relative) {
  std::string self = __FILE__;  // .../tests/win32/music_ports_test.cpp
  const size_t tests = self.rfind("/tests/");
  std::string path = "Z:" + self.substr(0, tests) + "/" + relative;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

class MusicPorts : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    folder_ = win::narrow(temp) + "veskar-music-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryW(win::widen(folder_).c_str(), nullptr);
  }
  void TearDown() override {
    for (const std::string& f : made_) DeleteFileW(win::widen(f).c_str());
    RemoveDirectoryW(win::widen(folder_).c_str());
  }
  std::string Make(const std::string& name, const std::string& bytes) {
    const std::string path = folder_ + "\\" + name;
    EXPECT_TRUE(WriteAll(path, bytes)) << path;
    made_.push_back(path);
    return path;
  }
  // Starts the sound device's file afresh (a new stream truncates it anyway).
  std::string FreshRawAudio() {
    const std::string raw = RawAudioPath();
    if (!raw.empty()) DeleteFileW(win::widen(raw).c_str());
    return raw;
  }

  std::string folder_;
  std::vector<std::string> made_;
  music::WinMci mci_;
  music::WinSound sound_;
};

}  // namespace

TEST_F(MusicPorts, MciFailuresGiveCodesAndTextsAndKeepUnwrittenBuffers) {
  std::string reply = "earlier";
  const uint32_t code = mci_.Send("open nosuchdevice", reply, 512);
  EXPECT_NE(code, 0u);
  std::string text;
  ASSERT_TRUE(mci_.ErrorText(code, text, 256));
  EXPECT_FALSE(text.empty());
  // The capacity is honoured: at most 9 characters and the terminating zero.
  std::string cut;
  ASSERT_TRUE(mci_.ErrorText(code, cut, 10));
  EXPECT_EQ(cut, text.substr(0, 9));

  // A code without a text fails and leaves the buffer as it was.
  std::string kept = "kept";
  EXPECT_FALSE(mci_.ErrorText(99999, kept, 256));
  EXPECT_EQ(kept, "kept");

  // No reply buffer offered: the caller's text is not touched.
  std::string untouched = "mine";
  EXPECT_NE(mci_.Send("close nosuchdevice", untouched, 0), 0u);
  EXPECT_EQ(untouched, "mine");
}

TEST_F(MusicPorts, TheCdSourceUnderWineEndsItsPollAfterOneTick) {
  settings::Settings s;
  s.MusicKind = 1;
  int32_t last = 0;
  music::Player player(mci_, sound_, s, last);
  player.OpenCdMusic();
  EXPECT_NE(last, 0) << "Wine has no CD device";
  player.PollCdMusic();
  EXPECT_FALSE(player.CdPollActive());
  EXPECT_FALSE(player.LastMciReply().empty()) << "the platform's error text is kept";
  EXPECT_EQ(player.QueryMci("status cdaudio current track").rfind("Error:", 0), 0u);
  player.StopCdMusic();
}

TEST_F(MusicPorts, AWavLoopsIntoTheSoundDeviceUntilStopped) {
  const std::string raw = RawAudioPath();
  VESKAR_NEEDS_AUDIO_RAW(raw);
  ASSERT_EQ(sound_.WaveDeviceCount(), 1) << "the test environment's ALSA file device";

  // 0.4 s of 440 Hz, 16-bit mono at 22 050 Hz. (The name keeps to ASCII: Wine's sound
  // player opens files through the ANSI code page, so a Japanese name plays nothing there;
  // Windows takes the wide name as it is.)
  constexpr double kLength = 0.4;
  const std::string wav = Make("a tone.wav", SineWav(22050, 1, kLength, 440.0));
  FreshRawAudio();
  EXPECT_NE(sound_.PlayLooped(wav, music::kWavMusicFlags), 0);
  Sleep(900);
  const int64_t before = SizeOf(raw);
  Sleep(300);
  const int64_t later = SizeOf(raw);
  EXPECT_GT(later, before) << "still playing after more than twice the file's length";
  EXPECT_NE(sound_.Stop(), 0);
  Sleep(200);
  const int64_t stopped = SizeOf(raw);
  Sleep(300);
  EXPECT_EQ(SizeOf(raw), stopped) << "nothing more after the stop";

  // The device was opened in the file's own format.
  const RawFormat format{22050, 1, SampleType::Int16};
  const auto [sounding, frequency] = MeasureTone(ReadAll(raw), format);
  std::printf("WAV: %.2f s of sound at %.1f Hz reached the device\n", sounding, frequency);
  EXPECT_GT(sounding, 2 * kLength) << "the file was played over and over";
  EXPECT_NEAR(frequency, 440.0, 440.0 * 0.02);
}

TEST_F(MusicPorts, ThePlayerRestartsAnMp3ThatEnded) {
  const std::string raw = RawAudioPath();
  VESKAR_NEEDS_AUDIO_RAW(raw);
  // One second: 1000 Hz, then 400 Hz. The name has blanks and Japanese letters.
  const std::string mp3 = Make("曲 テスト.mp3", ReadAll(SourceFile("tests/data/tones.mp3")));
  ASSERT_GT(SizeOf(mp3), 1000);

  settings::Settings s;
  s.MusicKind = 2;
  s.MusicFile = mp3;
  int32_t last = 0;
  music::Player player(mci_, sound_, s, last);
  FreshRawAudio();
  player.StartMp3Music();
  EXPECT_TRUE(player.IsMp3Playing());
  // The show's Timer1: a check every second.
  for (int i = 0; i < 3; ++i) {
    Sleep(1000);
    player.CheckMp3Repeat();
  }
  Sleep(300);
  player.StopMp3Music();
  EXPECT_FALSE(player.IsMp3Playing());

  const RawFormat format{48000, 2, SampleType::Float32};
  const std::vector<float> samples = FirstChannel(ReadAll(raw), format);
  const std::string heard = ToneSequence(samples, format.rate, 1000.0, 'A', 400.0, 'B');
  const double start = ToneFrequency(BlocksWhere(samples, format.rate, 1000.0, 400.0), format.rate);
  const double end = ToneFrequency(BlocksWhere(samples, format.rate, 400.0, 1000.0), format.rate);
  std::printf("MP3: heard %s, start at %.1f Hz, end at %.1f Hz\n", heard.c_str(), start, end);
  EXPECT_NEAR(start, 1000.0, 1000.0 * 0.02);
  EXPECT_NEAR(end, 400.0, 400.0 * 0.02);
  EXPECT_EQ(heard.rfind("AB", 0), 0u) << heard;
  EXPECT_NE(heard.find("ABA"), std::string::npos) << "the start heard again after the end: " << heard;
}

TEST_F(MusicPorts, AnMp3ThatCannotBeOpenedPlaysNothingAndTheChecksGoOn) {
  settings::Settings s;
  s.MusicFile = folder_ + "\\missing.mp3";
  int32_t last = 0;
  music::Player player(mci_, sound_, s, last);
  player.StartMp3Music();
  EXPECT_FALSE(player.IsMp3Playing());
  player.CheckMp3Repeat();
  player.StopMp3Music();
  EXPECT_FALSE(player.IsMp3Playing());
}

// A ".wav" that is no wave file (a truncated one, or text) plays nothing, even where the
// system has a default sound: without SND_NODEFAULT the platform may loop that sound for
// the whole show instead. The default is registered for this test, then put back.
TEST_F(MusicPorts, AWavThatCannotBePlayedLeavesTheDeviceSilent) {
  const std::string raw = RawAudioPath();
  VESKAR_NEEDS_AUDIO_RAW(raw);
  const std::string tone = Make("default.wav", SineWav(22050, 1, 0.5, 440.0));
  const std::wstring key = L"AppEvents\\Schemes\\Apps\\.Default\\.Default\\.Current";
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k,
                            nullptr),
            ERROR_SUCCESS);
  const std::wstring value = win::widen(tone);
  RegSetValueExW(k, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));

  const std::string whole = SineWav(22050, 1, 0.5, 440.0);
  const std::string broken[] = {
      Make("truncated.wav", whole.substr(0, 30)),   // the header cut inside the format chunk
      Make("text.wav", "this is no wave file\r\n"),  // no RIFF at all
      Make("empty.wav", ""),
  };
  for (const std::string& wav : broken) {
    FreshRawAudio();
    sound_.PlayLooped(wav, music::kWavMusicFlags);
    Sleep(700);
    sound_.Stop();
    Sleep(100);
    const auto [sounding, frequency] = MeasureTone(ReadAll(raw), RawFormat{22050, 1, SampleType::Int16});
    EXPECT_EQ(sounding, 0.0) << wav << ": " << sounding << " s at " << frequency << " Hz reached the device";
  }
  RegDeleteValueW(k, nullptr);
  RegCloseKey(k);
}
