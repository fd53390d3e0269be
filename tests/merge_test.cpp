// The hit test and the merge of the bubbles under a click.
#include <gtest/gtest.h>

#include <cmath>

#include "game/scenes.hpp"
#include "support.hpp"

using testing_support::Rig;

namespace {

// A field with only the given bubbles on it, in the given slots.
struct Bubble {
  int slot, r;
  double x, y, vx = 0, vy = 0;
};

Rig FieldOf(std::initializer_list<Bubble> bubbles) {
  Rig rig;
  rig.g.Scene = game::kPlay;
  rig.g.Gone.fill(1);
  rig.g.BubblesLeft = static_cast<std::int32_t>(bubbles.size());
  for (const Bubble& b : bubbles) {
    rig.g.Gone[b.slot] = 0;
    rig.g.Radius[b.slot] = b.r;
    rig.g.Area[b.slot] = static_cast<std::int32_t>(static_cast<std::uint32_t>(b.r) * b.r);
    rig.g.PosX[b.slot] = b.x;
    rig.g.PosY[b.slot] = b.y;
    rig.g.VelX[b.slot] = b.vx;
    rig.g.VelY[b.slot] = b.vy;
  }
  return rig;
}

struct HitCase {
  double cx, cy;
  int r, x, y;
  bool hit;
};

class HitTest : public ::testing::TestWithParam<HitCase> {};

TEST_P(HitTest, StrictlyInsideRadiusSquaredPlusOne) {
  const HitCase c = GetParam();
  Rig rig = FieldOf({{0, c.r, c.cx, c.cy}});
  EXPECT_EQ(game::BubbleHit(rig.g, 0, c.x, c.y), c.hit) << c.x << "," << c.y;
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, HitTest,
    ::testing::Values(HitCase{100, 100, 14, 100, 100, true},
                      HitCase{100, 100, 14, 114, 100, true},   // on the outline: 196 < 197
                      HitCase{100, 100, 14, 114, 101, false},  // exactly r^2 + 1 misses
                      HitCase{100, 100, 14, 86, 99, false}, HitCase{100, 100, 14, 100, 85, false},
                      HitCase{100.5, 100, 14, 114, 100, true},
                      HitCase{100.5, 100, 14, 115, 100, false},  // 14.5^2 = 210.25
                      HitCase{390, 200, 18, 399, 200, true},     // past the field: no field test
                      HitCase{100, 100, 14, -2147483647, 100, false},
                      // r^2 + 1 wraps in 32 bits: 46340 is the last radius that does not,
                      // 46341 wraps negative and hits nothing, 65536 wraps to 0 + 1.
                      HitCase{100, 100, 46340, 46440, 100, true},
                      HitCase{100, 100, 46341, 100, 100, false},
                      HitCase{100, 100, 65536, 100, 100, true},
                      HitCase{100, 100, 65536, 101, 100, false}),
    [](const auto& p) {
      const HitCase& c = p.param;
      return testing_support::CaseName("r", c.r, "at", c.cx, c.cy, "point", c.x, c.y);
    });

TEST(Merge, HugeAreasWrapInsteadOfOverflowing) {
  Rig rig = FieldOf({{0, 46340, 100, 100}, {1, 46340, 100, 100}});
  rig.ClickAt(100, 100);
  game::MergeStep(rig.g, rig.platform);
  EXPECT_EQ(rig.g.TotalArea, -176096);  // 2 x 46340^2 - 2^32
  EXPECT_EQ(rig.g.Gone[1], 1);
}

TEST(HitTest, GoneBubblesAreNeverHit) {
  Rig rig = FieldOf({{0, 14, 100, 100}});
  rig.g.Gone[0] = 1;
  EXPECT_FALSE(game::BubbleHit(rig.g, 0, 100, 100));
}

TEST(Merge, TwoOfRadius14GiveRadius20Area400) {
  Rig rig = FieldOf({{3, 14, 100, 100, 1.0, 0.5}, {7, 14, 110, 100, -1.0, 0.5}});
  rig.ClickAt(105, 100);
  game::MergeStep(rig.g, rig.platform);
  const auto& g = rig.g;
  EXPECT_EQ(g.Clicked, 0);
  EXPECT_EQ(g.HitCount, 2);
  EXPECT_EQ(g.TotalArea, 392);
  EXPECT_EQ(g.Radius[3], 20);  // sqrt(392) = 19.80
  EXPECT_EQ(g.Area[3], 400);   // the new radius squared, not the total
  EXPECT_EQ(g.Gone[3], 0);
  EXPECT_EQ(g.Gone[7], 1);
  EXPECT_EQ(g.BubblesLeft, 1);
  EXPECT_DOUBLE_EQ(g.PosX[3], 105.0);
  EXPECT_NEAR(g.VelX[3], 0.0, 1e-15);  // equal areas, opposite velocities: it stands still
  EXPECT_DOUBLE_EQ(g.VelY[3], 0.5);
  EXPECT_EQ(rig.cues.played, std::vector{game::Cue::Merge});
}

TEST(Merge, AreaWeightedCentreAndRounding) {
  Rig rig = FieldOf({{0, 14, 100, 60}, {1, 18, 125, 60}});
  rig.ClickAt(112, 60);
  game::MergeStep(rig.g, rig.platform);
  EXPECT_EQ(rig.g.Radius[0], 23);  // sqrt(520) = 22.80
  EXPECT_EQ(rig.g.Area[0], 529);
  EXPECT_NEAR(rig.g.PosX[0], (196 * 100 + 324 * 125) / 520.0, 1e-12);
  EXPECT_DOUBLE_EQ(rig.g.PosY[0], 60.0);
}

TEST(Merge, ThreeBubblesGoIntoTheLowestSlot) {
  Rig rig = FieldOf({{9, 14, 200, 200}, {2, 16, 205, 200}, {40, 15, 200, 205}, {5, 14, 300, 300}});
  rig.ClickAt(202, 202);
  game::MergeStep(rig.g, rig.platform);
  EXPECT_EQ(rig.g.HitCount, 3);
  EXPECT_EQ((std::array{rig.g.HitList[0], rig.g.HitList[1], rig.g.HitList[2]}),
            (std::array{2, 9, 40}));
  EXPECT_EQ(rig.g.BubblesLeft, 2);
  EXPECT_EQ(rig.g.Gone[2], 0);
  EXPECT_EQ(rig.g.Gone[9], 1);
  EXPECT_EQ(rig.g.Gone[40], 1);
  EXPECT_EQ(rig.g.Gone[5], 0);
  EXPECT_EQ(rig.g.Radius[2], 26);  // sqrt(196 + 256 + 225) = 26.02
}

TEST(Merge, FirstMergeStartsTheClockOnce) {
  Rig rig = FieldOf({{0, 14, 100, 100}, {1, 14, 105, 100}, {2, 14, 300, 300}, {3, 14, 305, 300}});
  rig.clock.now = 5000;
  rig.ClickAt(102, 100);
  game::MergeStep(rig.g, rig.platform);
  EXPECT_EQ(rig.g.ClockStarted, 1);
  EXPECT_EQ(rig.g.ClockStart, 5000);
  rig.clock.now = 9000;
  rig.ClickAt(302, 300);
  game::MergeStep(rig.g, rig.platform);
  EXPECT_EQ(rig.g.ClockStart, 5000);
  EXPECT_EQ(rig.g.BubblesLeft, 2);
}

struct NoMergeCase {
  const char* what;
  std::int32_t phase, clicked, x, y;
  bool consumed;
};

class NoMergeTest : public ::testing::TestWithParam<NoMergeCase> {};

// Clicks that merge nothing: no sound, no clock, nothing moved; used up only in Phases 0, 1.
TEST_P(NoMergeTest, LeavesTheFieldAsItWas) {
  const NoMergeCase c = GetParam();
  Rig rig = FieldOf({{0, 14, 100, 100}, {1, 14, 105, 100}, {2, 14, 300, 300}});
  rig.g.Phase = c.phase;
  rig.g.MouseX = c.x;
  rig.g.MouseY = c.y;
  rig.g.Clicked = c.clicked;
  const auto before = rig.g.PosX;
  game::MergeStep(rig.g, rig.platform);
  EXPECT_EQ(rig.g.Clicked, c.consumed ? 0 : c.clicked) << c.what;
  EXPECT_TRUE(rig.cues.played.empty()) << c.what;
  EXPECT_EQ(rig.g.ClockStarted, 0) << c.what;
  EXPECT_EQ(rig.g.BubblesLeft, 3) << c.what;
  EXPECT_EQ(rig.g.PosX, before) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, NoMergeTest,
    ::testing::Values(NoMergeCase{"empty field", 0, 1, 200, 300, true},
                      NoMergeCase{"single bubble", 0, 1, 300, 300, true},
                      NoMergeCase{"no click", 0, 0, 102, 100, false},
                      NoMergeCase{"finish banner swallows it", 1, 1, 300, 300, true},
                      NoMergeCase{"final click is not a merge", 2, 1, 102, 100, false},
                      NoMergeCase{"pause keeps it latched", 3, 1, 102, 100, false}),
    [](const auto& p) { return testing_support::CaseName(p.param.what); });

}  // namespace
