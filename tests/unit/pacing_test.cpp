// The show's pace: refreshes per level for the usual display rates, and when each level
// comes on a simulated clock (timer and compositor waits, late wake-ups, slow frames,
// a compositor that does not wait, the hold).
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "show/pacing.h"

using show::FrameClock;
using show::LevelPacer;
using show::Nanos;
using show::Pace;
using show::PaceForRefreshRate;

namespace {

constexpr Nanos kMs = 1'000'000;

// Simulated time. A timer wait ends `latency` after its due time (a late wake-up); the
// compositor shows a frame at every whole refresh, or, when `compositorWaits` is false,
// comes back at once as Wine's does.
class SimClock final : public FrameClock {
 public:
  explicit SimClock(Nanos refresh) : refresh_(refresh) {}
  Nanos Now() override { return now_; }
  bool WaitForCompositor() override {
    ++compositorWaits;
    if (!compositionOn) return false;
    if (compositorBlocks) now_ = (now_ / refresh_ + 1) * refresh_;
    return true;
  }
  void WaitUntil(Nanos due) override {
    EXPECT_GT(due, now_) << "a wait for a time already past";
    ++timerWaits;
    now_ = due + latency;
  }
  void Spend(Nanos t) { now_ += t; }

  Nanos latency = 0;
  bool compositionOn = true;
  bool compositorBlocks = true;
  int compositorWaits = 0;
  int timerWaits = 0;

 private:
  Nanos refresh_;
  Nanos now_ = 0;
};

// The times at which `levels` levels start, each costing `cost(i)` to draw and present.
template <typename Cost>
std::vector<Nanos> Starts(LevelPacer& pacer, SimClock& clock, int levels, Cost cost) {
  std::vector<Nanos> starts;
  pacer.Restart(clock.Now());
  for (int i = 0; i < levels; ++i) {
    starts.push_back(clock.Now());
    clock.Spend(cost(i));
    pacer.WaitForNextLevel(clock);
  }
  starts.push_back(clock.Now());
  return starts;
}

std::vector<Nanos> Intervals(const std::vector<Nanos>& starts) {
  std::vector<Nanos> out;
  for (size_t i = 1; i < starts.size(); ++i) out.push_back(starts[i] - starts[i - 1]);
  return out;
}

}  // namespace

TEST(ShowPace, RefreshesPerLevelKeepAtMostSixtyLevelsASecond) {
  struct Case {
    int reported, hz, refreshes;
  };
  // 0 and 1 are the hardware default; nonsense rates count as 60 Hz too.
  const Case cases[] = {{50, 50, 1},   {60, 60, 1},   {75, 75, 2},  {120, 120, 2}, {144, 144, 3},
                        {240, 240, 4}, {59, 59, 1},   {0, 60, 1},   {1, 60, 1},    {-60, 60, 1},
                        {100000, 60, 1}};
  for (const Case& c : cases) {
    const Pace p = PaceForRefreshRate(c.reported);
    EXPECT_EQ(p.hz, c.hz) << c.reported;
    EXPECT_EQ(p.refreshesPerLevel, c.refreshes) << c.reported;
    EXPECT_NEAR(double(p.refresh), 1e9 / c.hz, 1.0) << c.reported;
    EXPECT_NEAR(double(p.level), 1e9 * c.refreshes / c.hz, 1.0) << c.reported;
    EXPECT_GE(p.level, 1'000'000'000 / 60 - 1) << c.reported << ": more than 60 levels a second";
  }
}

TEST(ShowPace, TimerLevelsComeOnePerLevelTimeWithoutDriftAtEveryRate) {
  for (int hz : {50, 60, 75, 120, 144, 0}) {
    const Pace pace = PaceForRefreshRate(hz);
    SimClock clock(pace.refresh);
    clock.compositionOn = false;
    LevelPacer pacer(pace, false);
    // Drawing takes 3 ms; every wake-up is 0.7 ms late, yet the schedule keeps its phase:
    // 61 levels (a cycle of degree 30) take 61 level times.
    clock.latency = 7 * kMs / 10;
    const auto starts = Starts(pacer, clock, 61, [](int) { return 3 * kMs; });
    const auto d = Intervals(starts);
    EXPECT_EQ(d[0], pace.level + clock.latency) << hz;
    for (size_t i = 1; i < d.size(); ++i) EXPECT_EQ(d[i], pace.level) << hz << " level " << i;
    EXPECT_EQ(starts.back() - starts.front(), 61 * pace.level + clock.latency) << hz;
    EXPECT_EQ(clock.compositorWaits, 0);
  }
}

TEST(ShowPace, ASlowFrameTakesLongerAndNothingCatchesUp) {
  const Pace pace = PaceForRefreshRate(60);
  SimClock clock(pace.refresh);
  LevelPacer pacer(pace, false);
  // Level 2 takes 40 ms to draw; every level lasts at least a level time, the one after
  // the slow frame comes at once, and the schedule starts afresh from there.
  const auto starts = Starts(pacer, clock, 6, [](int i) { return i == 2 ? 40 * kMs : 2 * kMs; });
  const auto d = Intervals(starts);
  EXPECT_EQ(d[0], pace.level);
  EXPECT_EQ(d[1], pace.level);
  EXPECT_EQ(d[2], 40 * kMs) << "no wait after a frame that overran";
  for (size_t i = 3; i < d.size(); ++i) EXPECT_EQ(d[i], pace.level) << "level " << i << " was cut short";

  // Frames that always take longer than a level run back to back.
  SimClock busy(pace.refresh);
  LevelPacer slow(pace, false);
  for (Nanos x : Intervals(Starts(slow, busy, 10, [](int) { return 25 * kMs; }))) EXPECT_EQ(x, 25 * kMs);
  EXPECT_EQ(busy.timerWaits, 0);
}

TEST(ShowPace, CompositorFramesPaceTheLevelsWhereCompositionIsOn) {
  for (int hz : {60, 144}) {
    const Pace pace = PaceForRefreshRate(hz);
    SimClock clock(pace.refresh);
    LevelPacer pacer(pace, true);
    const auto starts = Starts(pacer, clock, 20, [](int) { return 2 * kMs; });
    EXPECT_TRUE(pacer.pacedByCompositor()) << hz;
    EXPECT_EQ(clock.timerWaits, 0) << hz;
    EXPECT_EQ(clock.compositorWaits, 20 * pace.refreshesPerLevel) << hz;
    // Every level starts on a compositor frame and stays for refreshesPerLevel of them.
    for (Nanos d : Intervals(starts)) EXPECT_EQ(d, pace.refreshesPerLevel * pace.refresh) << hz;
  }
}

TEST(ShowPace, ACompositorThatDoesNotWaitOrGoesOffHandsOverToTheTimer) {
  const Pace pace = PaceForRefreshRate(60);
  {
    // Wine's: composition reads as on to a program that asks DwmFlush, which comes back
    // at once. After three quick returns the timer paces, and every level lasts its time.
    SimClock clock(pace.refresh);
    clock.compositorBlocks = false;
    LevelPacer pacer(pace, true);
    const auto d = Intervals(Starts(pacer, clock, 30, [](int) { return 1 * kMs; }));
    EXPECT_FALSE(pacer.pacedByCompositor());
    EXPECT_EQ(clock.compositorWaits, 3);
    for (size_t i = 3; i < d.size(); ++i) EXPECT_EQ(d[i], pace.level) << i;
  }
  {
    // One quick return is a frame that was about to be shown anyway: still the compositor.
    SimClock clock(pace.refresh);
    LevelPacer pacer(pace, true);
    Starts(pacer, clock, 10, [&](int i) { return i == 4 ? pace.refresh - kMs / 10 : 2 * kMs; });
    EXPECT_TRUE(pacer.pacedByCompositor());
  }
  {
    // Composition switched off during the show.
    SimClock clock(pace.refresh);
    LevelPacer pacer(pace, true);
    Starts(pacer, clock, 3, [](int) { return kMs; });
    clock.compositionOn = false;
    const auto d = Intervals(Starts(pacer, clock, 5, [](int) { return kMs; }));
    EXPECT_FALSE(pacer.pacedByCompositor());
    for (Nanos x : d) EXPECT_GE(x, pace.level);
  }
}

TEST(ShowPace, AfterTheHoldTheNextLevelComesAtOnce) {
  const Pace pace = PaceForRefreshRate(60);
  SimClock clock(pace.refresh);
  LevelPacer pacer(pace, false);
  Starts(pacer, clock, 4, [](int) { return kMs; });
  clock.Spend(1000 * kMs);  // the hold
  pacer.Restart(clock.Now());
  const Nanos level0 = clock.Now();
  clock.Spend(kMs);
  pacer.WaitForNextLevel(clock);
  EXPECT_EQ(clock.Now() - level0, pace.level) << "the level drawn after the hold lasts one level time";
}
