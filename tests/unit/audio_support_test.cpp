// The measuring helpers the audio tests rely on: if they were wrong, those tests would
// pass on silence or fail on sound.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "support/audio.h"

using namespace testing_support;

namespace {

void AppendSine(std::vector<float>& s, int rate, double frequency, double seconds) {
  const double pi = std::acos(-1.0);
  const auto n = static_cast<size_t>(rate * seconds);
  for (size_t i = 0; i < n; ++i) s.push_back(static_cast<float>(0.4 * std::sin(2 * pi * frequency * i / rate)));
}

}  // namespace

TEST(AudioSupport, ToneFrequencyIgnoresPaddingSilenceAndSeams) {
  std::vector<float> s(4800, 0.0f);
  AppendSine(s, 48000, 660.0, 0.2);
  s.insert(s.end(), 9600, 0.0f);
  AppendSine(s, 48000, 660.0, 0.05);  // a seam: the sine starts over mid-cycle
  s.erase(s.end() - 1200 - 17, s.end() - 1200);
  EXPECT_NEAR(ToneFrequency(s, 48000), 660.0, 660.0 * 0.005);
  EXPECT_EQ(ToneFrequency(std::vector<float>(48000, 0.0f), 48000), 0.0);
  EXPECT_EQ(SoundingSamples(s, 480) % 480, 0u);
  EXPECT_NEAR(static_cast<double>(SoundingSamples(s, 480)), 0.25 * 48000 - 17, 2 * 480);
}

TEST(AudioSupport, ToneSequenceTellsTheStartOfAFileHeardAgain) {
  std::vector<float> s;
  AppendSine(s, 48000, 1000.0, 0.1);
  s.insert(s.end(), 4800, 0.0f);
  AppendSine(s, 48000, 400.0, 0.1);
  AppendSine(s, 48000, 1000.0, 0.005);  // too short to count
  AppendSine(s, 48000, 400.0, 0.1);
  AppendSine(s, 48000, 1000.0, 0.1);
  EXPECT_EQ(ToneSequence(s, 48000, 1000.0, 'A', 400.0, 'B'), "ABA");
  EXPECT_NEAR(ToneFrequency(BlocksWhere(s, 48000, 400.0, 1000.0), 48000), 400.0, 2.0);
}

TEST(AudioSupport, SineWavAndRawSamplesRoundTrip) {
  const std::string wav = SineWav(22050, 2, 0.1, 440.0);
  ASSERT_EQ(wav.size(), 44u + 2205u * 4u);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
  const std::vector<float> left = FirstChannel(wav.substr(44), {22050, 2, SampleType::Int16});
  ASSERT_EQ(left.size(), 2205u);
  EXPECT_NEAR(ToneFrequency(left, 22050), 440.0, 1.0);

  std::string floats(8 * 2, '\0');
  const float a[4] = {0.5f, -1.0f, -0.25f, 2.0f};
  std::memcpy(floats.data(), a, sizeof a);
  EXPECT_EQ(FirstChannel(floats, {48000, 2, SampleType::Float32}), (std::vector<float>{0.5f, -0.25f}));
}
