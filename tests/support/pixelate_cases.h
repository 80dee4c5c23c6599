// Randomized cases for holding every way through the pixel kernel (and the library that
// wraps it) to the plain per-block loop: odd and even sizes, every level from 0 to 256 and
// a few beyond, both row orders. The native core tests and the library tests under Wine
// draw from the same generator.
#pragma once
#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "effects/pixelate.h"

namespace testing_support {

struct PixelateCase {
  int width = 0;
  int height = 0;
  int32_t level = 0;
  bool bottomUp = false;
  uint32_t seed = 0;
  std::string Describe() const {
    return std::to_string(width) + "x" + std::to_string(height) + " level " + std::to_string(level) +
           (bottomUp ? " bottom-up" : " top-down") + " seed " + std::to_string(seed);
  }
};

// `count` cases up to maxWidth x maxHeight. Levels 0 to 256 come in turn, so that every
// block side up to 257 is met once `count` reaches 257; a tenth of the cases take a level
// past 256 or past the picture.
inline std::vector<PixelateCase> RandomPixelateCases(uint32_t seed, int count, int maxWidth, int maxHeight) {
  std::mt19937 rng(seed);
  auto upTo = [&](int n) { return 1 + static_cast<int>(rng() % static_cast<uint32_t>(n)); };
  std::vector<PixelateCase> cases;
  for (int i = 0; i < count; ++i) {
    PixelateCase c;
    c.level = i % 257;
    // Pictures as tall and wide as the blocks half the time, so that whole blocks and the
    // fast ways through them are met; any size otherwise.
    const int least = std::min(c.level + 1, std::min(maxWidth, maxHeight));
    c.width = i % 2 == 0 ? std::min(maxWidth, least * upTo(3) + upTo(least) - 1) : upTo(maxWidth);
    c.height = i % 2 == 0 ? std::min(maxHeight, least * upTo(2) + upTo(least) - 1) : upTo(maxHeight);
    if (i % 10 == 9) c.level = static_cast<int32_t>(257 + rng() % 2000);
    c.bottomUp = (rng() & 1) != 0;
    c.seed = rng();
    cases.push_back(c);
  }
  return cases;
}

// Colour noise, every byte random (the top byte is averaged like the others).
inline std::vector<uint32_t> RandomPixels(int width, int height, uint32_t seed) {
  std::vector<uint32_t> px(static_cast<size_t>(width) * static_cast<size_t>(height));
  std::mt19937 rng(seed);
  for (uint32_t& p : px) p = rng();
  return px;
}

// What the plain loop makes of a top-down picture.
inline std::vector<uint32_t> PlainPixelated(const std::vector<uint32_t>& src, int width, int height,
                                            int32_t level) {
  std::vector<uint32_t> out(src.size());
  effects::PixelatePortable({src.data(), width}, {out.data(), width}, width, height, level);
  return out;
}

}  // namespace testing_support
