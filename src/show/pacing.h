// The show's pace: every level it draws reaches the screen and stays there for at least
// one display refresh, and no more than 60 levels come in a second. This is the whole of
// the decision (the period from the refresh rate, how many refreshes a level stays, when
// the next level is due, which wait to use); the shell only carries out the waits.
#pragma once
#include <cstdint>

namespace show {

// Times on a steady clock, in nanoseconds.
using Nanos = int64_t;

struct Pace {
  int hz = 60;                 // the refresh rate paced by
  int refreshesPerLevel = 1;   // the fewest whole refreshes that last at least 1/60 s
  Nanos refresh = 0;           // one refresh
  Nanos level = 0;             // how long a level stays: refreshesPerLevel refreshes
};

// The pace for the rate the display reports. 0 and 1 mean "the hardware's default" on
// Windows, and nothing outside 2 to 1000 is a real rate: all of these count as 60 Hz.
Pace PaceForRefreshRate(int reportedHz);

// What the show waits with. Every wait handles the window's input and timers while it
// lasts, so a key or a click during the animation ends the show within a refresh.
class FrameClock {
 public:
  virtual ~FrameClock() = default;
  virtual Nanos Now() = 0;
  // Waits until the compositor has put its next frame on the screen. False when there is
  // no compositor to wait for (desktop composition is off); it did not wait then.
  virtual bool WaitForCompositor() = 0;
  // Waits until `due` on a high-resolution timer.
  virtual void WaitUntil(Nanos due) = 0;
};

// Paces the levels of the show. After a level has been presented, WaitForNextLevel
// returns when the next one is due:
// - with composition on, after the compositor has shown refreshesPerLevel frames. A
//   compositor whose waits keep coming back at once is not one to pace by; the timer
//   takes over for the rest of the show.
// - otherwise at the previous due time plus a level's time, so the schedule keeps its
//   phase and late wake-ups do not add up. A frame that took longer than a level simply
//   took longer: the next level comes at once and the schedule starts afresh from it,
//   without catching up.
class LevelPacer {
 public:
  LevelPacer(const Pace& pace, bool compositionOn) : pace_(pace), compositor_(compositionOn) {}

  // The schedule starts afresh: the level about to be drawn is due now (after the hold,
  // or when the display comes back on).
  void Restart(Nanos now) { due_ = now; }

  void WaitForNextLevel(FrameClock& clock);

  const Pace& pace() const { return pace_; }
  bool pacedByCompositor() const { return compositor_; }

 private:
  // A compositor wait shorter than this came back at once.
  Nanos quickReturn() const { return pace_.refresh / 4; }
  static constexpr int kQuickReturnsBeforeTimer = 3;

  Pace pace_;
  bool compositor_;
  int quickReturns_ = 0;
  Nanos due_ = 0;
};

}  // namespace show
