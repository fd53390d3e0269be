// The generator, the spawn, the wall reflections and the drawing of the field.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ios>
#include <random>
#include <vector>

#include "game/scenes.hpp"
#include "support.hpp"

using testing_support::Rig;

namespace {

TEST(Random, StepsFromSeedZero) {
  game::Random rng;
  game::SeedRandom(rng, 0);
  EXPECT_EQ(game::RandomInt(rng, 5), 0);  // state 1: the high bits of 5 x 1 are 0
  EXPECT_EQ(rng.RandomSeed, 1u);
  EXPECT_EQ(game::RandomReal(rng), 134775814.0L / 4294967296.0L);
  EXPECT_EQ(rng.RandomSeed, 134775814u);  // the multiplier plus one
}

TEST(Random, IntStaysInRangeForExtremeStates) {
  game::Random rng;
  for (std::uint32_t seed : {0u, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 12345u}) {
    game::SeedRandom(rng, seed);
    for (int i = 0; i < 1000; ++i) {
      const auto v = game::RandomInt(rng, 5);
      ASSERT_GE(v, 0);
      ASSERT_LE(v, 4);
      const long double r = game::RandomReal(rng);
      ASSERT_GE(r, 0.0L);
      ASSERT_LT(r, 1.0L);
    }
  }
  game::SeedRandom(rng, 0xFFFFFFFFu);
  // state x 134775813 + 1 wraps: (2^32 - 1) x 134775813 + 1 = -134775812 mod 2^32.
  game::RandomInt(rng, 1);
  EXPECT_EQ(rng.RandomSeed, 4294967296u - 134775812u);
}

// Values worked out by hand from seed 0 (exact fractions of 2^32 for the positions).
TEST(Spawn, FirstSlotsFromSeedZero) {
  Rig rig(1, 0);
  game::SpawnBubbles(rig.g, rig.rng);
  const auto& g = rig.g;
  EXPECT_EQ(g.Radius[0], 14);
  EXPECT_EQ(g.Area[0], 196);
  EXPECT_DOUBLE_EQ(g.PosX[0], 332.5879328730516);
  EXPECT_DOUBLE_EQ(g.PosY[0], 88.95495709590614);
  EXPECT_NEAR(g.VelX[0], 1.0506703662334667, 1e-14);
  EXPECT_NEAR(g.VelY[0], 0.2098832179863423, 1e-14);
  EXPECT_EQ(g.Radius[1], 15);
  EXPECT_DOUBLE_EQ(g.PosX[1], 132.27838777378201);
  EXPECT_DOUBLE_EQ(g.PosY[1], 74.54073122143745);
  EXPECT_NEAR(g.VelX[1], -0.4726185859571675, 1e-14);
  EXPECT_NEAR(g.VelY[1], -0.8812670833565994, 1e-14);
  EXPECT_DOUBLE_EQ(g.PosX[2], 45.18047470226884);
  // Four draws per slot, 200 per game.
  game::Random expected;
  game::SeedRandom(expected, 0);
  for (int i = 0; i < 200; ++i) game::RandomInt(expected, 1);
  EXPECT_EQ(rig.rng.RandomSeed, expected.RandomSeed);
}

TEST(Spawn, EveryBubbleBornInRangeWithItsLevelSpeed) {
  for (int level = 1; level <= 5; ++level) {
    Rig rig(level, 4242u * level);
    rig.g.Gone.fill(1);
    game::SpawnBubbles(rig.g, rig.rng);
    for (int i = 0; i < game::BubbleCount; ++i) {
      const int r = rig.g.Radius[i];
      ASSERT_GE(r, 14);
      ASSERT_LE(r, 18);
      EXPECT_EQ(rig.g.Gone[i], 0);
      EXPECT_EQ(rig.g.Area[i], r * r);
      EXPECT_GE(rig.g.PosX[i], r);
      EXPECT_LT(rig.g.PosX[i], 398 - r);
      EXPECT_GE(rig.g.PosY[i], r);
      EXPECT_LT(rig.g.PosY[i], 398 - r);
      EXPECT_NEAR(std::hypot(rig.g.VelX[i], rig.g.VelY[i]), 15.0 * level / r, 1e-12);
    }
  }
}

TEST(Spawn, SameSeedSameLayoutAndASecondGameContinues) {
  Rig a(3, 777), b(3, 777);
  game::SpawnBubbles(a.g, a.rng);
  game::SpawnBubbles(b.g, b.rng);
  EXPECT_EQ(a.g.PosX, b.g.PosX);
  EXPECT_EQ(a.g.VelY, b.g.VelY);
  EXPECT_EQ(a.g.Radius, b.g.Radius);
  const auto first = a.g.PosX;
  game::SpawnBubbles(a.g, a.rng);
  EXPECT_NE(a.g.PosX, first);
}

struct WallCase {
  const char* what;
  int r;
  double x, y, vx, vy;      // before the tick
  double ex, ey, evx, evy;  // after
};

class WallTest : public ::testing::TestWithParam<WallCase> {};

TEST_P(WallTest, MovesThenReflects) {
  const WallCase c = GetParam();
  Rig rig;
  auto& g = rig.g;
  g.Radius[0] = c.r;
  g.PosX[0] = c.x;
  g.PosY[0] = c.y;
  g.VelX[0] = c.vx;
  g.VelY[0] = c.vy;
  game::MoveBubble(g, 0);
  EXPECT_NEAR(g.PosX[0], c.ex, 1e-9) << c.what;
  EXPECT_NEAR(g.PosY[0], c.ey, 1e-9) << c.what;
  EXPECT_EQ(g.VelX[0], c.evx) << c.what;
  EXPECT_EQ(g.VelY[0], c.evy) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    EveryWall, WallTest,
    ::testing::Values(
        WallCase{"free flight", 14, 100, 100, 1.5, -2.5, 101.5, 97.5, 1.5, -2.5},
        WallCase{"left at r + 0.6 mirrors to r + 0.4", 14, 15.6, 100, -1, 0, 14.4, 100, 1, 0},
        WallCase{"left at r + 1.0 stays", 14, 16.0, 100, -1, 0, 15.0, 100, -1, 0},
        WallCase{"right edge at 400 reflects", 14, 385.0, 100, 1, 0, 384.0, 100, -1, 0},
        WallCase{"right edge at 399.9 stays", 14, 384.9, 100, 1, 0, 385.9, 100, 1, 0},
        WallCase{"top at r + 0.6", 16, 100, 17.6, 0, -1, 100, 16.4, 0, 1},
        WallCase{"top at r + 1.0 stays", 16, 100, 18.0, 0, -1, 100, 17.0, 0, -1},
        WallCase{"bottom edge at 400", 16, 100, 383.0, 0, 1, 100, 382.0, 0, -1},
        WallCase{"bottom edge at 399.95 stays", 16, 100, 382.95, 0, 1, 100, 383.95, 0, 1},
        WallCase{"corner: both axes flip", 14, 15.0, 385.5, -0.5, 0.5, 14.5, 384.0, 0.5, -0.5},
        // A merged bubble reaching over a wall jumps back and flips even while moving away.
        WallCase{"over the left wall, moving away", 20, 5.0, 100, 1, 0, 35.0, 100, -1, 0},
        WallCase{"over the bottom wall, moving away", 25, 100, 390.0, 0, -2, 100, 360.0, 0, 2},
        // Wider than the field: left, then right on what the left test left.
        WallCase{"both walls in order", 250, 200, 200, 0, 0, -3.0, -3.0, 0, 0}),
    [](const auto& p) { return testing_support::CaseName(p.param.what); });

TEST(Wall, MergedBubbleOverAWallThenBouncesNormally) {
  Rig rig;
  auto& g = rig.g;
  g.Radius[0] = 20;
  g.PosX[0] = 5.0;
  g.VelX[0] = 1.0;
  g.PosY[0] = 200;
  game::MoveBubble(g, 0);
  EXPECT_DOUBLE_EQ(g.PosX[0], 35.0);
  int ticks = 0;
  while (g.VelX[0] < 0 && ticks < 100) {
    game::MoveBubble(g, 0);
    ++ticks;
  }
  EXPECT_EQ(ticks, 15);  // the 15th move reaches x = 20, where T(x - r) = 0
  EXPECT_GT(g.PosX[0], 20.0);
}

TEST(Field, ClearsTheSquareAndDrawsEachBubbleAfterItsMove) {
  Rig rig;
  auto& g = rig.g;
  for (auto& p : g.BackBuffer.Pixels()) p = 0x123456;
  g.Gone.fill(1);
  g.Gone[3] = 0;
  g.Radius[3] = 14;
  g.PosX[3] = 100.0;
  g.PosY[3] = 50.0;
  g.VelX[3] = 2.0;
  g.VelY[3] = 0.0;
  game::ClearField(g);
  game::MoveAndDrawBubbles(g);
  EXPECT_EQ(g.BackBuffer.At(398, 398), gfx::kBlack);
  EXPECT_EQ(g.BackBuffer.At(399, 10), 0x123456u);  // outside the square
  EXPECT_EQ(g.BackBuffer.At(10, 399), 0x123456u);
  // Box from T(102 - 14) = 88 to 116: the outline's leftmost column is 88.
  EXPECT_EQ(g.BackBuffer.At(88, 50), gfx::kWhite);
  EXPECT_EQ(g.BackBuffer.At(86, 50), gfx::kBlack);
  EXPECT_EQ(g.BackBuffer.At(115, 50), gfx::kWhite);
  EXPECT_EQ(g.BackBuffer.At(102, 50), gfx::kBlack);  // unfilled
  EXPECT_EQ(g.BackBuffer.Pen.Color, gfx::kWhite);
}

// The wall and box tests' short way must truncate exactly as the sum in extended precision
// does: near integers, at zero, past the short way's limits, and over a sweep of game values.
TEST(Truncation, SumOfAPositionAndARadiusAsInExtendedPrecision) {
  const auto check = [](double p, std::int64_t r) {
    ASSERT_EQ(game::TruncatedSum(p, r), game::T(game::Extended(p) + game::Extended(r)))
        << std::hexfloat << p << " + " << std::dec << r;
  };
  std::vector<double> ps = {0.0,      -0.0,      0.5,          -0.5,          0x1p-60,
                            -0x1p-60, 0x1p-1074, -0x1p-1074,   1.0 - 0x1p-53, -1.0 + 0x1p-53,
                            0x1p52,   -0x1p52,   0x1p52 - 0.5, 0x1p53,        1e300,
                            -1e300,   HUGE_VAL,  -HUGE_VAL,    std::nan("")};
  for (const double k : {1.0, 2.0, 13.0, 14.0, 15.0, 255.0, 256.0, 398.0, 399.0, 400.0, 1024.0,
                         -1.0, -14.0, -399.0}) {
    for (int steps = -3; steps <= 3; ++steps) {
      double p = k;
      for (int s = 0; s < std::abs(steps); ++s)
        p = std::nextafter(p, steps < 0 ? -HUGE_VAL : HUGE_VAL);
      ps.push_back(p);
    }
  }
  const std::int64_t rs[] = {
      0,    1,    -1,    14,   -14,   18,        -18,       127,
      -127, 1024, -1024, 1025, -1025, INT32_MAX, INT32_MIN, -std::int64_t{INT32_MIN}};
  for (const double p : ps)
    for (const std::int64_t r : rs) check(p, r);
  std::mt19937_64 rng(20261208);
  std::uniform_real_distribution<double> position(-500.0, 900.0);
  std::uniform_int_distribution<int> radius(-200, 200);
  for (int n = 0; n < 200000; ++n) check(position(rng), radius(rng));
}

TEST(Truncation, TowardZeroAndSaturating) {
  EXPECT_EQ(game::T(0.9L), 0);
  EXPECT_EQ(game::T(-0.9L), 0);
  EXPECT_EQ(game::T(-1.5L), -1);
  EXPECT_EQ(game::T(399.999L), 399);
  EXPECT_EQ(game::T(1e30L), INT64_MAX);
  EXPECT_EQ(game::T(-1e30L), INT64_MIN);
  EXPECT_EQ(game::T(std::nanl("")), 0);
}

}  // namespace
