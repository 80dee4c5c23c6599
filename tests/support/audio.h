// Test sounds and what reached the sound device. The test environment's ALSA device is a
// file: Wine opens it in the format of each stream it plays (a wave file played through
// the sound player keeps its own format; the MP3 device's DirectSound output is 32-bit
// float stereo at 48 kHz) and writes the samples raw, faster than real time, with stretches
// of silence where a real-time stream could not keep up. These helpers make a tone file,
// read the raw samples back and measure them.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace testing_support {

// A 16-bit PCM wave file holding a sine of `frequency` Hz, the same on every channel.
inline std::string SineWav(int rate, int channels, double seconds, double frequency,
                           double amplitude = 0.4) {
  const auto frames = static_cast<uint32_t>(rate * seconds);
  std::string data;
  auto put16 = [](std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
  };
  auto put32 = [&](std::string& s, uint32_t v) {
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
  };
  const double pi = std::acos(-1.0);
  for (uint32_t i = 0; i < frames; ++i) {
    const double v = amplitude * 32767.0 * std::sin(2.0 * pi * frequency * i / rate);
    const auto sample = static_cast<int16_t>(std::lround(v));
    for (int c = 0; c < channels; ++c) put16(data, static_cast<uint16_t>(sample));
  }
  const auto blockAlign = static_cast<uint32_t>(channels * 2);
  std::string wav = "RIFF";
  put32(wav, static_cast<uint32_t>(36 + data.size()));
  wav += "WAVEfmt ";
  put32(wav, 16);
  put16(wav, 1);  // PCM
  put16(wav, static_cast<uint32_t>(channels));
  put32(wav, static_cast<uint32_t>(rate));
  put32(wav, static_cast<uint32_t>(rate) * blockAlign);
  put16(wav, blockAlign);
  put16(wav, 16);
  wav += "data";
  put32(wav, static_cast<uint32_t>(data.size()));
  return wav + data;
}

enum class SampleType { Int16, Float32 };

struct RawFormat {
  int rate;
  int channels;
  SampleType type;
  size_t frameBytes() const { return static_cast<size_t>(channels) * (type == SampleType::Int16 ? 2 : 4); }
  double seconds(size_t bytes) const { return static_cast<double>(bytes / frameBytes()) / rate; }
};

// The first channel of raw little-endian samples, scaled to -1..1.
inline std::vector<float> FirstChannel(const std::string& raw, const RawFormat& format) {
  std::vector<float> out;
  const size_t frame = format.frameBytes();
  out.reserve(raw.size() / frame);
  for (size_t at = 0; at + frame <= raw.size(); at += frame) {
    if (format.type == SampleType::Int16) {
      const auto lo = static_cast<uint8_t>(raw[at]);
      const auto hi = static_cast<uint8_t>(raw[at + 1]);
      out.push_back(static_cast<int16_t>(lo | (hi << 8)) / 32768.0f);
    } else {
      float v;
      std::memcpy(&v, raw.data() + at, sizeof v);
      out.push_back(std::isfinite(v) ? v : 0.0f);
    }
  }
  return out;
}

inline double Rms(const float* s, size_t n) {
  if (n == 0) return 0;
  double sum = 0;
  for (size_t i = 0; i < n; ++i) sum += static_cast<double>(s[i]) * s[i];
  return std::sqrt(sum / static_cast<double>(n));
}

// Samples louder than `floor`, counted in blocks of `block`: how much of the stream was sound.
inline size_t SoundingSamples(const std::vector<float>& s, size_t block, double floor = 0.02) {
  size_t n = 0;
  for (size_t at = 0; at + block <= s.size(); at += block) {
    if (Rms(s.data() + at, block) > floor) n += block;
  }
  return n;
}

// The frequency of a tone: the median time between rising zero crossings (placed between
// samples by linear interpolation), taken only in blocks that sound. The median keeps the
// silence a stream is padded with, and the odd seam where the device dropped samples, from
// bending the result. 0 when there is no tone.
inline double ToneFrequency(const std::vector<float>& s, int rate, size_t block = 480,
                            double floor = 0.02) {
  std::vector<double> periods;
  for (size_t at = 0; at + block <= s.size(); at += block) {
    if (Rms(s.data() + at, block) <= floor) continue;
    bool armed = false;  // went clearly negative since the last rise
    double lastRise = -1;
    for (size_t i = at + 1; i < at + block; ++i) {
      if (s[i] < -0.01f) armed = true;
      if (armed && s[i - 1] <= 0 && s[i] > 0) {
        const double t = static_cast<double>(i - 1) + s[i - 1] / (s[i - 1] - s[i]);
        if (lastRise >= 0) periods.push_back(t - lastRise);
        lastRise = t;
        armed = false;
      }
    }
  }
  if (periods.empty()) return 0.0;
  std::nth_element(periods.begin(), periods.begin() + periods.size() / 2, periods.end());
  return rate / periods[periods.size() / 2];
}

// The power of one frequency in a block (Goertzel).
inline double PowerAt(const float* s, size_t n, double frequency, int rate) {
  const double k = 2.0 * std::cos(2.0 * std::acos(-1.0) * frequency / rate);
  double s1 = 0, s2 = 0;
  for (size_t i = 0; i < n; ++i) {
    const double s0 = s[i] + k * s1 - s2;
    s2 = s1;
    s1 = s0;
  }
  return s1 * s1 + s2 * s2 - k * s1 * s2;
}

// The blocks of `block` samples in which `frequency` is louder than `other` four times
// over, one after the other (to measure one of two tones).
inline std::vector<float> BlocksWhere(const std::vector<float>& s, int rate, double frequency,
                                      double other, size_t block = 480, double floor = 0.02) {
  std::vector<float> out;
  for (size_t at = 0; at + block <= s.size(); at += block) {
    const float* p = s.data() + at;
    if (Rms(p, block) <= floor) continue;
    if (PowerAt(p, block, frequency, rate) > 4 * PowerAt(p, block, other, rate)) {
      out.insert(out.end(), p, p + block);
    }
  }
  return out;
}

// What was heard, block by block: `a` where frequency `fa` dominates, `b` where `fb` does.
// Silent and unclear blocks are left out, a run shorter than `minRun` blocks is ignored and
// runs of one letter are merged: two plays of a file that starts with `fa` and ends with
// `fb` read "ABAB".
inline std::string ToneSequence(const std::vector<float>& s, int rate, double fa, char a,
                                double fb, char b, size_t block = 480, size_t minRun = 3,
                                double floor = 0.02) {
  std::string seq;
  char run = 0;
  size_t length = 0;
  auto close = [&] {
    if (run && length >= minRun && (seq.empty() || seq.back() != run)) seq += run;
  };
  for (size_t at = 0; at + block <= s.size(); at += block) {
    const float* p = s.data() + at;
    if (Rms(p, block) <= floor) continue;
    const double pa = PowerAt(p, block, fa, rate);
    const double pb = PowerAt(p, block, fb, rate);
    const char c = pa > 4 * pb ? a : pb > 4 * pa ? b : 0;
    if (!c) continue;
    if (c == run) {
      ++length;
    } else {
      close();
      run = c;
      length = 1;
    }
  }
  close();
  return seq;
}

// How much of a recording sounds (seconds, in blocks of 480 samples) and at what pitch.
struct ToneMeasure {
  double seconds;
  double frequency;
};
inline ToneMeasure MeasureTone(const std::string& raw, const RawFormat& format) {
  const std::vector<float> samples = FirstChannel(raw, format);
  return {static_cast<double>(SoundingSamples(samples, 480)) / format.rate,
          ToneFrequency(samples, format.rate)};
}

}  // namespace testing_support
