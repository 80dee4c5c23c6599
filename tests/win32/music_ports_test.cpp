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
#include "support/files.h"
#include "support/process.h"
#include <tlhelp32.h>
#include "win/handle.h"
#include "win/strings.h"

using namespace testing_support;

namespace {

std::string ReadAll(const std::string& path) { return ReadFileBytes(win::widen(path)); }
int64_t SizeOf(const std::string& path) { return FileSize(win::widen(path)); }

// The threads of this process: the sound player plays on one of its own.
size_t ThreadCount() {
  const win::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry{sizeof entry};
  size_t n = 0;
  if (snapshot && Thread32First(snapshot.get(), &entry)) {
    do {
      if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++n;
    } while (Thread32Next(snapshot.get(), &entry));
  }
  return n;
}

class MusicPorts : public ::testing::Test {
 protected:
  std::string Make(const std::string& name, const std::string& bytes) {
    const std::string path = win::narrow(folder_.file(win::widen(name)));
    EXPECT_TRUE(WriteFileBytes(win::widen(path), bytes)) << path;
    return path;
  }
  // Starts the sound device's file afresh (a new stream truncates it anyway).
  std::string FreshRawAudio() {
    if (!raw_.empty()) DeleteFileW(win::widen(raw_).c_str());
    return raw_;
  }

  TestFolder folder_;
  const std::string raw_ = win::narrow(RawAudioPath());
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
  const std::string& raw = raw_;
  VESKAR_NEEDS_AUDIO_RAW(raw);
  ASSERT_EQ(sound_.WaveDeviceCount(), 1) << "the test environment's ALSA file device";

  // 0.4 s of 440 Hz, 16-bit mono at 22 050 Hz. (The name keeps to ASCII: Wine's sound
  // player opens files through the ANSI code page, so a Japanese name plays nothing there;
  // Windows takes the wide name as it is.)
  constexpr double kLength = 0.4;
  const std::string wav = Make("a tone.wav", SineWav(22050, 1, kLength, 440.0));
  FreshRawAudio();
  // The device is opened in the file's own format. More than two plays' worth of sound
  // reaches it, and more still comes.
  const RawFormat format{22050, 1, SampleType::Int16};
  EXPECT_NE(sound_.PlayLooped(wav, music::kWavMusicFlags), 0);
  EXPECT_TRUE(WaitUntil([&] { return MeasureTone(ReadAll(raw), format).seconds > 2 * kLength; }, 10000))
      << "the file was not played over and over";
  const int64_t before = SizeOf(raw);
  EXPECT_TRUE(WaitUntil([&] { return SizeOf(raw) > before; }, 5000)) << "it stopped playing by itself";
  EXPECT_NE(sound_.Stop(), 0);
  const int64_t stopped = SizeOf(raw);

  const auto [sounding, frequency] = MeasureTone(ReadAll(raw), format);
  std::printf("WAV: %.2f s of sound at %.1f Hz reached the device\n", sounding, frequency);
  EXPECT_GT(sounding, 2 * kLength) << "the file was played over and over";
  EXPECT_NEAR(frequency, 440.0, 440.0 * 0.02);
  EXPECT_EQ(SizeOf(raw), stopped) << "nothing more after the stop";
}

TEST_F(MusicPorts, ThePlayerRestartsAnMp3ThatEnded) {
  const std::string& raw = raw_;
  VESKAR_NEEDS_AUDIO_RAW(raw);
  // One second: 1000 Hz, then 400 Hz. The name has blanks and Japanese letters.
  const std::string mp3 = Make("曲 テスト.mp3", ReadFileBytes(SourceTreeFile("tests/data/tones.mp3")));
  ASSERT_GT(SizeOf(mp3), 1000);

  settings::Settings s;
  s.MusicKind = 2;
  s.MusicFile = mp3;
  int32_t last = 0;
  music::Player player(mci_, sound_, s, last);
  FreshRawAudio();
  player.StartMp3Music();
  EXPECT_TRUE(player.IsMp3Playing());
  // The show's Timer1 checks every second; here the checks come until the start of the
  // file is heard again after its end.
  const RawFormat format{48000, 2, SampleType::Float32};
  std::string heard;
  WaitUntil(
      [&] {
        player.CheckMp3Repeat();
        heard = ToneSequence(FirstChannel(ReadAll(raw), format), format.rate, 1000.0, 'A', 400.0, 'B');
        return heard.find("ABA") != std::string::npos;
      },
      10000);
  player.StopMp3Music();
  EXPECT_FALSE(player.IsMp3Playing());

  const std::vector<float> samples = FirstChannel(ReadAll(raw), format);
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
  s.MusicFile = win::narrow(folder_.file(L"missing.mp3"));
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
  const std::string& raw = raw_;
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
    // The player plays on a thread of its own, which ends once it has given up on the
    // file; playing anything instead would keep it.
    const size_t threads = ThreadCount();
    sound_.PlayLooped(wav, music::kWavMusicFlags);
    EXPECT_TRUE(WaitUntil([&] { return ThreadCount() <= threads; }, 5000)) << wav << ": still playing";
    sound_.Stop();
    const auto [sounding, frequency] = MeasureTone(ReadAll(raw), RawFormat{22050, 1, SampleType::Int16});
    EXPECT_EQ(sounding, 0.0) << wav << ": " << sounding << " s at " << frequency << " Hz reached the device";
  }
  RegDeleteValueW(k, nullptr);
  RegCloseKey(k);
}
