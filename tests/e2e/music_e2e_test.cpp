// Background music end to end: the real Veskar.scr with a music source in its settings
// file, heard through the test environment's sound device (a raw file; see
// tests/support/audio.h for what Wine writes there).
#include <optional>
#include <string>
#include <utility>

#include "harness.h"
#include "support/audio.h"
#include "support/effect_log.h"
#include "support/power.h"
#include "support/settings_text.h"
#include "support/test_run.h"

using namespace e2e;
using namespace testing_support;

namespace {

class Music : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.copyFromBuild(L"Veskar.scr");
    // The recording stand-in: its log tells how far the show has got.
    folder_.copyFromBuild(L"recording_effect.dll", L"Runo_Effect.dll");
    raw_ = RawAudioPath();
    VESKAR_NEEDS_AUDIO_RAW(raw_);
    DeleteFileW(raw_.c_str());  // each new sound stream starts the file afresh anyway
  }

  void Configure(int kind, int track, const std::wstring& file) {
    ASSERT_TRUE(WriteFileBytes(folder_.file(L"ベスカル.ini"), SavedSettings(20, kind, track, Cp932(file))));
  }

  // Starts the show and waits for its window.
  void StartShow() {
    StartedSaver started = StartSaverWindow(folder_, L"/s", kShowTitle);
    saver_ = std::move(started.process);
    window_ = started.window;
    ASSERT_TRUE(window_) << "the show window did not appear";
  }

  // A key press ends the show; afterwards the process is gone, and nothing more reaches
  // the sound device (TearDown looks again, after the test has read what was heard).
  void EndShowWithAKey() {
    PostKey(window_, VK_SPACE);
    ASSERT_TRUE(saver_.waitExit(10000).has_value()) << "the show still runs after a key press";
    atEnd_ = FileSize(raw_);
  }
  void TearDown() override {
    if (atEnd_) {
      EXPECT_EQ(FileSize(raw_), *atEnd_) << "sound went on after the process ended";
    }
  }

  TestFolder folder_;
  std::wstring raw_;
  std::optional<int64_t> atEnd_;
  Process saver_;
  HWND window_ = nullptr;
};

}  // namespace

TEST_F(Music, AWavPlaysInALoopFromTheShowsStartUntilAKeyEndsIt) {
  // 0.5 s of 440 Hz, 16-bit mono at 22 050 Hz: the sound player opens the device in the
  // file's own format, so the raw file holds these samples as they are.
  constexpr double kLength = 0.5;
  const std::wstring wav = folder_.file(L"tone 440.wav");
  ASSERT_TRUE(WriteFileBytes(wav, SineWav(22050, 1, kLength, 440.0)));
  Configure(2, 0, wav);
  StartShow();

  // More sound than two plays of the file has reached the device, and more still comes.
  const RawFormat format{22050, 1, SampleType::Int16};
  EXPECT_TRUE(WaitUntil([&] { return MeasureTone(ReadFileBytes(raw_), format).seconds > 2 * kLength; }, 10000))
      << "the file was not played over and over";
  const int64_t before = FileSize(raw_);
  EXPECT_TRUE(WaitUntil([&] { return FileSize(raw_) > before; }, 5000)) << "the music stopped before the show did";
  EXPECT_TRUE(saver_.running());

  EndShowWithAKey();

  const auto [sounding, frequency] = MeasureTone(ReadFileBytes(raw_), format);
  std::printf("show WAV: %.2f s of sound at %.1f Hz reached the device\n", sounding, frequency);
  EXPECT_GT(sounding, 2 * kLength) << "the file was not played over and over";
  EXPECT_NEAR(frequency, 440.0, 440.0 * 0.02);
}

TEST_F(Music, AnMp3PlaysAndStartsAgainAfterItEnds) {
  // One second: 1000 Hz, then 400 Hz. Its start heard again after its end is the restart.
  // The name has a blank and a Japanese letter: the settings file holds it in code page
  // 932 and the open command gets it in quotes.
  const std::wstring mp3 = folder_.file(L"曲 tones.mp3");
  const std::string bytes = ReadFileBytes(SourceTreeFile("tests/data/tones.mp3"));
  ASSERT_GT(bytes.size(), 1000u);
  ASSERT_TRUE(WriteFileBytes(mp3, bytes));
  Configure(2, 0, mp3);
  StartShow();

  // DirectSound's output: 32-bit float stereo at 48 kHz.
  const RawFormat format{48000, 2, SampleType::Float32};
  std::string heard;
  const bool restarted = WaitUntil(
      [&] {
        heard = ToneSequence(FirstChannel(ReadFileBytes(raw_), format), format.rate, 1000.0, 'A',
                             400.0, 'B');
        return heard.find("ABA") != std::string::npos;
      },
      8000);
  EXPECT_TRUE(saver_.running());
  EndShowWithAKey();

  const std::vector<float> samples = FirstChannel(ReadFileBytes(raw_), format);
  const double start = ToneFrequency(BlocksWhere(samples, format.rate, 1000.0, 400.0), format.rate);
  const double end = ToneFrequency(BlocksWhere(samples, format.rate, 400.0, 1000.0), format.rate);
  std::printf("show MP3: heard %s, start at %.1f Hz, end at %.1f Hz\n", heard.c_str(), start, end);
  EXPECT_TRUE(restarted) << "heard: " << heard;
  EXPECT_EQ(heard.rfind("AB", 0), 0u) << heard;
  EXPECT_NEAR(start, 1000.0, 1000.0 * 0.02);
  EXPECT_NEAR(end, 400.0, 400.0 * 0.02);
}

TEST_F(Music, AnMp3FallsSilentWhileTheDisplayIsOffAndPlaysAgainWhenItComesBack) {
  const std::wstring mp3 = folder_.file(L"tones.mp3");
  ASSERT_TRUE(WriteFileBytes(mp3, ReadFileBytes(SourceTreeFile("tests/data/tones.mp3"))));
  Configure(2, 0, mp3);
  StartShow();
  ASSERT_TRUE(WaitUntil([&] { return FileSize(raw_) > 0; }, 10000)) << "the music did not start";

  // Windows tells the show, as it tells every window that asked, with the setting in the
  // show's own memory. The device is closed: the sound file stops growing, and stays so
  // past the MP3's one-second repeat check; nothing is drawn either.
  ASSERT_TRUE(SendPowerSettingTo(saver_.pid(), window_, kConsoleDisplayState, kDisplayOff));
  int64_t silent = FileSize(raw_);
  ASSERT_TRUE(WaitUntil(
      [&] {
        Sleep(500);  // the device writes in bursts: a half-second without one is silence
        const int64_t now = FileSize(raw_);
        return std::exchange(silent, now) == now;
      },
      10000))
      << "the music went on with the display off";
  // Silence is the absence of an event: it is watched for two and a half seconds, past
  // two ticks of the repeat check that would restart an MP3 still open.
  const size_t frames = EffectCalls(folder_);
  Sleep(2500);
  EXPECT_EQ(FileSize(raw_), silent) << "the music started again with the display off";
  EXPECT_EQ(EffectCalls(folder_), frames) << "the show drew with the display off";

  ASSERT_TRUE(SendPowerSettingTo(saver_.pid(), window_, kConsoleDisplayState, kDisplayOn));
  EXPECT_TRUE(WaitUntil([&] { return FileSize(raw_) != silent; }, 10000)) << "the music did not come back";
  const int64_t back = FileSize(raw_);
  EXPECT_TRUE(WaitUntil([&] { return FileSize(raw_) > back; }, 10000)) << "the music did not go on";
  EXPECT_TRUE(WaitForEffectCalls(folder_, frames, 2)) << "the show did not draw again";
  EndShowWithAKey();
}

TEST_F(Music, TheCdSourceWithoutADriveLeavesTheShowRunning) {
  Configure(1, 3, L"");
  StartShow();
  // Past two of its 200 ms polls on the show's own clock (the first one found no drive and
  // ended the polling), and two frames more, the show is still there, over the whole screen.
  ASSERT_TRUE(WaitUntil(
      [&] {
        const auto log = testing_support::ParseEffectLog(ReadFileBytes(folder_.file(L"effect-calls.txt")));
        return !log.calls.empty() && log.calls.back().ms >= 400;
      },
      15000));
  EXPECT_TRUE(WaitForEffectCalls(folder_, EffectCalls(folder_), 2)) << "the show stopped";
  EXPECT_TRUE(saver_.running());
  EXPECT_TRUE(IsWindow(window_));
  RECT r{};
  GetWindowRect(window_, &r);
  EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYSCREEN));
  EndShowWithAKey();
  EXPECT_EQ(FileSize(raw_), -1) << "nothing was played";
}
