// Pictures in memory for the artwork generator: 8-bit RGBA pixels, row 0 at the top.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace artwork {

struct Rgba {
  uint8_t r = 0, g = 0, b = 0, a = 255;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

constexpr Rgba Opaque(int r, int g, int b) {
  return Rgba{static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b), 255};
}
constexpr Rgba kClear{0, 0, 0, 0};

struct Image {
  Image() = default;
  Image(int w, int h, Rgba fill = Rgba{}) : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}
  Rgba& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
  const Rgba& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }

  int width = 0;
  int height = 0;
  std::vector<Rgba> pixels;
};

// Channel arithmetic stays in integers and IEEE-exact operations (+ - * / sqrt) so that
// the generator writes the same bytes on every machine; no sin, cos, exp or pow.
inline uint8_t Clamp8(double v) {
  if (v <= 0.0) return 0;
  if (v >= 255.0) return 255;
  return static_cast<uint8_t>(v + 0.5);
}

// a at t = 0, b at t = 1 (alpha included).
inline Rgba Mix(Rgba a, Rgba b, double t) {
  if (t <= 0.0) return a;
  if (t >= 1.0) return b;
  return Rgba{Clamp8(a.r + (b.r - a.r) * t), Clamp8(a.g + (b.g - a.g) * t),
              Clamp8(a.b + (b.b - a.b) * t), Clamp8(a.a + (b.a - a.a) * t)};
}

inline Rgba Shade(Rgba c, int delta) {
  return Rgba{Clamp8(c.r + delta), Clamp8(c.g + delta), Clamp8(c.b + delta), c.a};
}

// Accumulates colour samples and gives their mean (for supersampled drawing). Colours are
// weighted by their alpha, so clear samples thin a pixel out without darkening it.
class Average {
 public:
  void add(Rgba c) {
    r_ += c.r * c.a;
    g_ += c.g * c.a;
    b_ += c.b * c.a;
    a_ += c.a;
    ++n_;
  }
  Rgba mean() const {
    if (a_ <= 0.0) return kClear;
    return Rgba{Clamp8(r_ / a_), Clamp8(g_ / a_), Clamp8(b_ / a_), Clamp8(a_ / n_)};
  }

 private:
  double r_ = 0, g_ = 0, b_ = 0, a_ = 0;
  int n_ = 0;
};

// A small deterministic generator (xorshift32) for grain and streaks.
class Grain {
 public:
  explicit Grain(uint32_t seed) : state_(seed ? seed : 0x9E3779B9u) {}
  uint32_t next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
  }
  // Uniform in [-1, 1].
  double signedUnit() { return static_cast<double>(next() % 2001u) / 1000.0 - 1.0; }

 private:
  uint32_t state_;
};

}  // namespace artwork
