#include "show/desk.h"

#include <gtest/gtest.h>

#include <vector>

namespace show {
namespace {

// The three-monitor desk of the end-to-end tests: a 1280x1024 primary, an 800x600 monitor
// above and to its left, a 544x960 one to its right, with gaps between them.
const std::vector<DeskRect> kThree = {{0, 0, 1280, 1024}, {-800, -344, 0, 256}, {1280, -344, 1824, 616}};
const DeskRect kThreeVirtual{-800, -344, 1824, 1024};

TEST(Desk, OneMonitorIsTheWholeWindowAtItsCorner) {
  const DeskRect primary{0, 0, 1920, 1080};
  const DeskLayout one = LayOutDesk(primary, std::vector<DeskRect>{primary});
  EXPECT_EQ(one.window, primary);
  ASSERT_EQ(one.monitors.size(), 1u);
  EXPECT_EQ(one.monitors[0], (MonitorPlace{primary, 0, 0}));
  // No monitor reported: the virtual screen stands for it.
  EXPECT_EQ(LayOutDesk(primary, {}).monitors, one.monitors);
  EXPECT_TRUE(LayOutDesk(DeskRect{}, {}).monitors.empty());
}

TEST(Desk, NegativeCoordinatesAndGapsPlaceEachPictureFromTheWindowsCorner) {
  const DeskLayout desk = LayOutDesk(kThreeVirtual, kThree);
  EXPECT_EQ(desk.window, kThreeVirtual);
  ASSERT_EQ(desk.monitors.size(), 3u);
  EXPECT_EQ(desk.monitors[0], (MonitorPlace{kThree[0], 800, 344}));
  EXPECT_EQ(desk.monitors[1], (MonitorPlace{kThree[1], 0, 0}));
  EXPECT_EQ(desk.monitors[2], (MonitorPlace{kThree[2], 2080, 0}));
  // The window is the bounding box even when the virtual screen reads smaller (a layout
  // read half way through a change), and it takes empty or repeated monitors once.
  const std::vector<DeskRect> odd = {kThree[1], {5, 5, 5, 900}, kThree[0], kThree[1]};
  const DeskLayout stale = LayOutDesk(DeskRect{0, 0, 1280, 1024}, odd);
  EXPECT_EQ(stale.window, (DeskRect{-800, -344, 1280, 1024}));
  ASSERT_EQ(stale.monitors.size(), 2u);
  EXPECT_EQ(stale.monitors[1].x, 800);
}

TEST(Desk, AChangedDeskKeepsWhatEachMonitorStillShows) {
  const DeskLayout before = LayOutDesk(kThreeVirtual, kThree);
  // The left monitor unplugged, the right one now 1080 wide, a new one below.
  const std::vector<DeskRect> now = {kThree[0], {1280, -344, 2360, 616}, {0, 1024, 640, 1504}};
  const DeskLayout after = LayOutDesk(DeskRect{0, -344, 2360, 1504}, now);
  const std::vector<CarriedPiece> pieces = CarryOver(before.monitors, after.monitors);
  const std::vector<CarriedPiece> expected = {
      {0, 0, 0, 0, 0, 0, 1280, 1024},  // the primary whole
      {2, 1, 0, 0, 0, 0, 544, 960},    // the old right picture at the grown monitor's left
  };
  EXPECT_EQ(pieces, expected);  // the new monitor below keeps nothing: black

  // A monitor moved by its neighbour's change keeps the part of the desk it still shows.
  const std::vector<DeskRect> shifted = {{-400, 0, 880, 1024}};
  const std::vector<CarriedPiece> moved = CarryOver(before.monitors, LayOutDesk({}, shifted).monitors);
  ASSERT_EQ(moved.size(), 2u);
  EXPECT_EQ(moved[0], (CarriedPiece{0, 0, 0, 0, 400, 0, 880, 1024}));
  EXPECT_EQ(moved[1], (CarriedPiece{1, 0, 400, 344, 0, 0, 400, 256}));
  EXPECT_EQ(Intersect({0, 0, 10, 10}, {10, 0, 20, 10}), DeskRect{});
}

TEST(Desk, AChangeKeepsTheUnchangedMonitorsAndCarriesOnlyIntoTheNewOnes) {
  const DeskLayout before = LayOutDesk(kThreeVirtual, kThree);
  // The right monitor grows; the others are told in another order, and the window moves.
  const std::vector<DeskRect> now = {kThree[1], kThree[0], {1280, -344, 2360, 616}};
  const DeskChange change = PlanDeskChange(before.monitors, LayOutDesk({}, now).monitors);
  EXPECT_EQ(change.keeps, (std::vector<std::optional<size_t>>{1, 0, std::nullopt}));
  EXPECT_EQ(change.pieces, (std::vector<CarriedPiece>{{2, 2, 0, 0, 0, 0, 544, 960}}));

  // A monitor moved on the desk is a changed one, though its size is the same.
  const std::vector<DeskRect> moved = {kThree[0], {-800, -300, 0, 300}};
  const DeskChange shift = PlanDeskChange(before.monitors, LayOutDesk({}, moved).monitors);
  EXPECT_EQ(shift.keeps, (std::vector<std::optional<size_t>>{0, std::nullopt}));
  EXPECT_EQ(shift.pieces, (std::vector<CarriedPiece>{{1, 1, 0, 44, 0, 0, 800, 556}}));
}

TEST(Desk, TheBlankCapturePictureIsForADeskThatCapturedNoDesktop) {
  using C = Capture;
  struct Case {
    std::vector<Capture> captures;
    std::vector<bool> fallBack;
  };
  const Case cases[] = {
      // One monitor: a capture of one colour, or none at all, shows nothing.
      {{C::Desktop}, {false}},
      {{C::OneColour}, {true}},
      {{C::CopyFailed}, {true}},
      // Several: one colour among desktops is real; a failed copy falls back as alone.
      {{C::Desktop, C::OneColour, C::Desktop}, {false, false, false}},
      {{C::Desktop, C::CopyFailed, C::OneColour}, {false, true, false}},
      {{C::OneColour, C::OneColour, C::CopyFailed}, {true, true, true}},
      // A monitor without pictures has nothing to draw into, and no say.
      {{C::OneColour, C::NoPictures}, {true, false}},
      {{C::NoPictures, C::Desktop, C::OneColour}, {false, false, false}},
      {{}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(FallBackMonitors(c.captures), c.fallBack) << c.captures.size();
}

}  // namespace
}  // namespace show
