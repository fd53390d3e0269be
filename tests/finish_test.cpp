// The play clock, the finish with its ranking entry, the banner, the final click and the pause.
#include <gtest/gtest.h>

#include "game/scenes.hpp"
#include "support.hpp"

using testing_support::Rig;

namespace {

constexpr std::int32_t E = store::kEmpty;
using Row = std::array<std::int32_t, 10>;

struct RankCase {
  const char* what;
  Row before;
  std::int32_t time;
  std::int32_t pos;
  Row after;
};

class RankTest : public ::testing::TestWithParam<RankCase> {};

TEST_P(RankTest, SearchShiftAndInsert) {
  const RankCase c = GetParam();
  Row row = c.before;
  EXPECT_EQ(game::EnterRanking(row, c.time), c.pos) << c.what;
  EXPECT_EQ(row, c.after) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RankTest,
    ::testing::Values(
        RankCase{
            "empty row", {E, E, E, E, E, E, E, E, E, E}, 123, 1, {123, E, E, E, E, E, E, E, E, E}},
        RankCase{"between",
                 {100, 200, E, E, E, E, E, E, E, E},
                 150,
                 2,
                 {100, 150, 200, E, E, E, E, E, E, E}},
        RankCase{"equal goes ahead",
                 {100, 200, E, E, E, E, E, E, E, E},
                 200,
                 2,
                 {100, 200, 200, E, E, E, E, E, E, E}},
        RankCase{"after the last time",
                 {100, 200, E, E, E, E, E, E, E, E},
                 250,
                 3,
                 {100, 200, 250, E, E, E, E, E, E, E}},
        RankCase{"full, slower than all",
                 {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
                 11,
                 11,
                 {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        RankCase{"full, equal to the tenth",
                 {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
                 10,
                 10,
                 {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        RankCase{"full, slower than ninth",
                 {1, 2, 3, 4, 5, 6, 7, 8, 9, 20},
                 15,
                 10,
                 {1, 2, 3, 4, 5, 6, 7, 8, 9, 15}},
        RankCase{"full, fastest: the tenth is lost",
                 {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
                 0,
                 1,
                 {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        // A damaged row: a slower time found by the second sweep wins over an earlier hole.
        RankCase{"hole before a slower time",
                 {100, E, 300, E, E, E, E, E, E, E},
                 200,
                 3,
                 {100, E, 200, 300, E, E, E, E, E, E}},
        RankCase{"extremes",
                 {INT32_MIN, INT32_MAX, E, E, E, E, E, E, E, E},
                 0,
                 2,
                 {INT32_MIN, 0, INT32_MAX, E, E, E, E, E, E, E}}),
    [](const auto& p) { return testing_support::CaseName(p.param.what); });

struct ClockCase {
  std::int32_t elapsed;
  std::int32_t minutes, seconds;
  const char* text;
};

class ClockTest : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ClockTest, MinutesPlainSecondsTwoDigitsCapped) {
  const ClockCase c = GetParam();
  Rig rig;
  rig.g.ClockStarted = 1;
  rig.g.ClockStart = rig.clock.now;
  rig.clock.Advance(c.elapsed);
  game::ClockUpdate(rig.g, rig.platform);
  EXPECT_EQ(rig.g.ClockMinutes, c.minutes);
  EXPECT_EQ(rig.g.ClockSeconds, c.seconds);
  EXPECT_EQ(game::ClockText(rig.g), c.text);
}

INSTANTIATE_TEST_SUITE_P(Readings, ClockTest,
                         ::testing::Values(ClockCase{0, 0, 0, "0\u201900\u201D"},
                                           ClockCase{999, 0, 0, "0\u201900\u201D"},
                                           ClockCase{83400, 1, 23, "1\u201923\u201D"},
                                           ClockCase{125000, 2, 5, "2\u201905\u201D"},
                                           ClockCase{599999, 9, 59, "9\u201959\u201D"},
                                           ClockCase{600000, 9, 59, "9\u201959\u201D"},
                                           ClockCase{2000000000, 9, 59, "9\u201959\u201D"}),
                         [](const auto& p) {
                           return testing_support::CaseName("after", p.param.elapsed, "ms");
                         });

TEST(Clock, ReadsZeroUntilTheFirstMergeAndSurvivesTheWrap) {
  Rig rig;
  rig.clock.now = INT32_MAX - 100;
  game::ClockUpdate(rig.g, rig.platform);
  EXPECT_EQ(game::ClockText(rig.g), "0\u201900\u201D");
  rig.g.ClockStarted = 1;
  rig.g.ClockStart = rig.clock.now;
  rig.clock.Advance(61500);  // past the wrap of the 32-bit count
  EXPECT_LT(rig.clock.now, 0);
  game::ClockUpdate(rig.g, rig.platform);
  EXPECT_EQ(rig.g.ElapsedMs, 61500);
  EXPECT_EQ(game::ClockText(rig.g), "1\u201901\u201D");
}

TEST(MsBetween, DifferencesAcrossTheWrap) {
  EXPECT_EQ(game::MsBetween(INT32_MAX, INT32_MIN), 1);
  EXPECT_EQ(game::MsBetween(-1, 0), 1);
  EXPECT_EQ(game::MsBetween(INT32_MAX - 5, INT32_MIN + 6494), 6500);
  EXPECT_EQ(game::MsBetween(100, 50), -50);
}

// A play field with two bubbles that one click merges into the last one.
Rig AboutToFinish(std::int32_t level = 1) {
  Rig rig(level);
  auto& g = rig.g;
  g.Scene = game::kPlay;
  g.Phase = 0;
  g.Gone.fill(1);
  for (int i : {0, 1}) {
    g.Gone[i] = 0;
    g.Radius[i] = 14;
    g.Area[i] = 196;
    g.PosX[i] = 200 + 4 * i;
    g.PosY[i] = 200;
  }
  g.BubblesLeft = 2;
  return rig;
}

TEST(Finish, FirstMergeThatLeavesOneFinishesWithTimeZeroInTheSameFrame) {
  Rig rig = AboutToFinish();
  rig.ClickAt(202, 200);
  rig.Tick();
  const auto& g = rig.g;
  EXPECT_EQ(g.Phase, 1);
  EXPECT_EQ(g.FinishTime, 0);
  EXPECT_EQ(g.RankPos, 1);
  EXPECT_EQ(g.RankTable[0][0], 0);
  EXPECT_EQ(g.PhaseStart, rig.clock.now);
  // The banner is drawn in the frame of the finish: white ink over the black field.
  int ink = 0;
  for (int y = 100; y < 192; ++y)
    for (int x = 87; x < 387; ++x) ink += g.BackBuffer.At(x, y) == gfx::kWhite;
  EXPECT_GT(ink, 500);
  EXPECT_EQ(g.BackBuffer.CopyMode, gfx::SRCCOPY);
}

TEST(Finish, TimeGoesIntoTheRowOfTheLevel) {
  Rig rig = AboutToFinish(4);
  rig.g.ClockStarted = 1;
  rig.g.ClockStart = rig.clock.now - 83456;
  rig.ClickAt(202, 200);
  rig.Tick();
  EXPECT_EQ(rig.g.FinishTime, 123);
  EXPECT_EQ(rig.g.RankTable[3][0], 123);
  EXPECT_EQ(rig.g.RankTable[0][0], E);
}

// The banner, the final click and the pause, tick by tick with the fake clock.
TEST(Finish, BannerFinalClickPauseThenRanking) {
  Rig rig = AboutToFinish();
  rig.ClickAt(202, 200);
  rig.Tick();
  auto& g = rig.g;
  const std::int32_t finishedAt = rig.clock.now;
  // A click during the banner is used up and can never be the final click, even in the
  // frame in which the banner ends.
  rig.clock.now = finishedAt + 6500;
  rig.ClickAt(static_cast<int>(g.PosX[0]), static_cast<int>(g.PosY[0]));
  rig.Tick();
  EXPECT_EQ(g.Phase, 1);  // exactly 6500 ms is not enough
  EXPECT_EQ(g.Clicked, 0);
  rig.clock.now = finishedAt + 6501;
  rig.ClickAt(static_cast<int>(g.PosX[0]), static_cast<int>(g.PosY[0]));
  rig.Tick();
  EXPECT_EQ(g.Phase, 2);
  EXPECT_EQ(g.Clicked, 0);
  EXPECT_EQ(g.Gone[0], 0);
  // A miss in Phase 2 does nothing; a hit pops.
  rig.ClickAt(390, 20);
  rig.Tick();
  EXPECT_EQ(g.Phase, 2);
  EXPECT_EQ(g.Clicked, 0);
  rig.ClickAt(static_cast<int>(g.PosX[0]), static_cast<int>(g.PosY[0]));  // it stands still
  rig.Tick();
  EXPECT_EQ(g.Phase, 3);
  EXPECT_EQ(g.Gone[0], 1);
  EXPECT_EQ(g.BubblesLeft, 1);
  EXPECT_EQ(rig.cues.played.back(), game::Cue::Pop);
  const std::int32_t poppedAt = g.PhaseStart;
  // The pause: clicks stay latched and are dropped with the change of scene.
  rig.ClickAt(10, 10);
  rig.clock.now = poppedAt + 4000;
  rig.Tick();
  EXPECT_EQ(g.Phase, 3);
  EXPECT_EQ(g.Clicked, 1);
  rig.clock.now = poppedAt + 4001;
  rig.Tick();
  EXPECT_EQ(g.Scene, game::kRanking);  // ranked: the ranking is drawn in this same tick
  EXPECT_EQ(g.Phase, 1);
  EXPECT_EQ(g.Clicked, 0);
}

TEST(Finish, UnrankedTimeReturnsToTheTitleWithoutARankLine) {
  Rig rig = AboutToFinish();
  rig.g.RankTable[0] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  rig.g.ClockStarted = 1;
  rig.g.ClockStart = rig.clock.now - 5000;
  rig.ClickAt(202, 200);
  rig.Tick();
  EXPECT_EQ(rig.g.RankPos, game::kNotRanked);
  // No "Rank in" line: the message tile's place stays dark.
  int ink = 0;
  for (int y = 195; y < 213; ++y)
    for (int x = 162; x < 282; ++x) ink += rig.g.BackBuffer.At(x, y) == gfx::kWhite;
  EXPECT_LT(ink, 40);  // only the bubble's outline may cross it
  rig.clock.Advance(6501);
  rig.Tick();
  rig.ClickAt(static_cast<int>(rig.g.PosX[0]), static_cast<int>(rig.g.PosY[0]));
  rig.Tick();
  ASSERT_EQ(rig.g.Phase, 3);
  rig.clock.Advance(4001);
  rig.Tick();
  EXPECT_EQ(rig.g.Scene, game::kTitle);
  EXPECT_EQ(rig.g.Phase, 0);
  rig.Tick();
  EXPECT_EQ(rig.g.Phase, 1);  // the title shows in the next tick
}

TEST(Finish, ClockStaysOnTheFinishingTimeAfterTheFinish) {
  Rig rig = AboutToFinish();
  rig.g.ClockStarted = 1;
  rig.g.ClockStart = rig.clock.now - 7000;
  rig.ClickAt(202, 200);
  rig.Tick();
  const gfx::Image shown = rig.g.BackBuffer;
  rig.clock.Advance(3000);
  rig.Tick();
  EXPECT_EQ(rig.g.ClockSeconds, 10);  // still counted
  for (int y = 190; y < 210; ++y)     // but no longer drawn
    for (int x = 450; x < 531; ++x) ASSERT_EQ(rig.g.BackBuffer.At(x, y), shown.At(x, y));
}

}  // namespace
