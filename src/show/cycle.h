// The level sequence of the show's pixelation loop. Each cycle climbs from level 0 one step
// per frame until the level passes the degree, falls back one step per frame, and at 0 the
// show restores the sharp picture and holds it: 0, 1, ..., D, D + 1, D, ..., 1, hold.
#pragma once
#include <cstdint>

namespace show {

class LevelCycle {
 public:
  // The level of the next effect call.
  int32_t Level() const { return level_; }

  // Moves on after the effect call at Level(). `degree` is the setting as it stands now
  // (widened with its sign). True when the level has come back to 0: the caller restores
  // the sharp picture and holds it before the next cycle.
  bool Step(int16_t degree) {
    if (rising_) {
      ++level_;  // at most 32 768: the degree is 16-bit
      if (level_ > int32_t{degree}) rising_ = false;
      return false;
    }
    --level_;
    if (level_ != 0) return false;
    rising_ = true;
    return true;
  }

 private:
  int32_t level_ = 0;
  bool rising_ = true;
};

}  // namespace show
