#include "show/pacing.h"

namespace show {

namespace {
constexpr Nanos kSecond = 1'000'000'000;
constexpr int kMostLevelsPerSecond = 60;
}  // namespace

Pace PaceForRefreshRate(int reportedHz) {
  Pace p;
  p.hz = (reportedHz >= 2 && reportedHz <= 1000) ? reportedHz : 60;
  // n refreshes last at least 1/60 s when n / hz >= 1 / 60, that is n >= hz / 60.
  p.refreshesPerLevel = (p.hz + kMostLevelsPerSecond - 1) / kMostLevelsPerSecond;
  p.refresh = (kSecond + p.hz / 2) / p.hz;
  // From the rate, not from the rounded refresh, so that a level at 144 Hz is 3/144 s.
  p.level = (kSecond * p.refreshesPerLevel + p.hz / 2) / p.hz;
  return p;
}

void LevelPacer::WaitForNextLevel(FrameClock& clock) {
  if (compositor_) {
    for (int i = 0; i < pace_.refreshesPerLevel && compositor_; ++i) {
      const Nanos before = clock.Now();
      if (!clock.WaitForCompositor()) {
        compositor_ = false;  // composition went off: the timer from here on
      } else if (clock.Now() - before < quickReturn()) {
        // One quick wait is a frame that was about to be shown anyway; several in a row
        // are a compositor that does not wait.
        if (++quickReturns_ >= kQuickReturnsBeforeTimer) compositor_ = false;
      } else {
        quickReturns_ = 0;
      }
    }
    if (compositor_) return;
    due_ = clock.Now();  // the timer's schedule starts from the last compositor frame
  }

  const Nanos now = clock.Now();
  Nanos next = due_ + pace_.level;
  if (next <= now) next = now;  // late: at once, and the schedule starts afresh here
  due_ = next;
  if (next > now) clock.WaitUntil(next);
}

}  // namespace show
