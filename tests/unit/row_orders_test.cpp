// The library's memory of which way up each picture's rows lie: every picture of a desk of
// any size is found once, handles that come back for other pictures miss, and pictures
// that are gone make room before the table grows.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "effects/row_orders.h"

using effects::RowOrders;

namespace {

// Stand-ins for bitmap handles and bits: only their addresses count.
char g_handles[256];
char g_bits[256];

RowOrders::Picture PictureNo(int i, int width = 1920, int height = 1080) {
  return {&g_handles[i], &g_bits[i], width, height};
}

}  // namespace

TEST(RowOrders, EveryPictureOfALargeDeskIsFoundOnceAndThenKnown) {
  // Twenty monitors, two pictures each, rendered frame after frame in the same order.
  RowOrders known;
  int probes = 0;
  for (int frame = 0; frame < 5; ++frame) {
    for (int i = 0; i < 40; ++i) {
      if (const auto topDown = known.Find(PictureNo(i))) {
        EXPECT_EQ(*topDown, i % 3 != 0) << "picture " << i;
        continue;
      }
      ++probes;
      known.Remember(PictureNo(i), i % 3 != 0, [](const RowOrders::Picture&) { return true; });
    }
  }
  EXPECT_EQ(probes, 40);
  EXPECT_EQ(known.size(), 40u);
}

TEST(RowOrders, AHandleThatComesBackForAnotherPictureIsFoundAfresh) {
  RowOrders known;
  auto alive = [](const RowOrders::Picture&) { return true; };
  known.Remember(PictureNo(1), true, alive);
  // Same handle, other bits or size: not the picture that was looked at.
  EXPECT_FALSE(known.Find({&g_handles[1], &g_bits[2], 1920, 1080}));
  EXPECT_FALSE(known.Find(PictureNo(1, 1920, 1200)));
  known.Remember({&g_handles[1], &g_bits[2], 1920, 1080}, false, alive);
  EXPECT_EQ(known.Find({&g_handles[1], &g_bits[2], 1920, 1080}), false);
  EXPECT_FALSE(known.Find(PictureNo(1)));
  EXPECT_EQ(known.size(), 1u);
}

TEST(RowOrders, PicturesThatAreGoneMakeRoomBeforeTheTableGrows) {
  // A caller that makes new pictures again and again (a desk changed a hundred times):
  // the table stays about as large as the pictures alive at once.
  RowOrders known;
  std::set<int> alive;
  for (int i = 0; i < 200; ++i) {
    alive.insert(i);
    if (i >= 4) alive.erase(i - 4);  // four pictures alive at any time
    known.Remember(PictureNo(i), true, [&](const RowOrders::Picture& p) {
      return alive.count(static_cast<int>(static_cast<const char*>(p.bitmap) - g_handles)) != 0;
    });
    ASSERT_LE(known.size(), 16u) << "after picture " << i;
    EXPECT_EQ(known.Find(PictureNo(i)), true);
  }
}
