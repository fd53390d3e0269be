// The title screen: hit areas, lit controls, the level selector and leaving the scene.
#include <gtest/gtest.h>

#include <string>

#include "game/scenes.hpp"
#include "gfx/draw.hpp"
#include "support.hpp"

using testing_support::Rig;
using testing_support::Shows;

namespace {

enum Control { kNone, kStart, kRanking, kDown, kUp };

Control ControlAt(int x, int y) {
  const bool s = game::OverStartButton(x, y), r = game::OverRankingButton(x, y);
  const bool d = game::OverLevelDown(x, y), u = game::OverLevelUp(x, y);
  EXPECT_LE(s + r + d + u, 1) << "hit areas overlap at " << x << "," << y;
  return s ? kStart : r ? kRanking : d ? kDown : u ? kUp : kNone;
}

struct Point {
  int x, y;
  Control expected;
};

class HitAreaTest : public ::testing::TestWithParam<Point> {};

TEST_P(HitAreaTest, BoundaryPoint) {
  const Point p = GetParam();
  EXPECT_EQ(ControlAt(p.x, p.y), p.expected) << p.x << "," << p.y;
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, HitAreaTest,
    ::testing::Values(Point{163, 189, kStart}, Point{232, 205, kStart}, Point{162, 195, kNone},
                      Point{233, 195, kNone}, Point{200, 188, kNone}, Point{200, 206, kNone},
                      Point{165, 229, kRanking}, Point{232, 242, kRanking}, Point{164, 235, kNone},
                      Point{200, 243, kNone}, Point{209, 321, kDown}, Point{209, 322, kDown},
                      Point{209, 320, kNone}, Point{209, 323, kNone}, Point{217, 313, kDown},
                      Point{217, 330, kDown}, Point{217, 312, kNone}, Point{217, 331, kNone},
                      Point{208, 321, kNone}, Point{218, 321, kNone}, Point{254, 311, kUp},
                      Point{254, 331, kUp}, Point{254, 310, kNone}, Point{254, 332, kNone},
                      Point{262, 319, kUp}, Point{262, 323, kUp}, Point{262, 318, kNone},
                      Point{262, 324, kNone}, Point{253, 321, kNone}, Point{263, 321, kNone}),
    [](const auto& p) { return testing_support::CaseName("at", p.param.x, p.param.y); });

TEST(HitArea, NoPointOfTheWindowHitsTwoControls) {
  for (int y = -5; y < 405; ++y)
    for (int x = -5; x < 605; ++x) ControlAt(x, y);
}

TEST(HitArea, ArrowTrianglesHaveTheirColumnSpans) {
  for (int c = 0; c < 9; ++c) {
    int downRows = 0, upRows = 0, upTop = 999;
    for (int y = 300; y < 345; ++y) {
      downRows += game::OverLevelDown(209 + c, y);
      if (game::OverLevelUp(254 + c, y)) upRows++, upTop = std::min(upTop, y);
    }
    EXPECT_EQ(downRows, 2 + 2 * c) << "left arrow column " << c;
    EXPECT_EQ(upRows, 21 - 2 * c) << "right arrow column " << c;
    EXPECT_EQ(upTop, 311 + c);
  }
}

TEST(Title, FirstTickEntersAndShowsTheTitle) {
  Rig rig;
  rig.Tick();
  const auto& g = rig.g;
  EXPECT_EQ(g.Scene, game::kTitle);
  EXPECT_EQ(g.Phase, 1);
  EXPECT_EQ(g.BubblesLeft, 50);
  EXPECT_TRUE(Shows(g.BackBuffer, 163, 189, g.Sprites.StartButton));
  EXPECT_TRUE(Shows(g.BackBuffer, 254, 313, g.Sprites.LevelUpArrow));
  EXPECT_EQ(g.BackBuffer.At(599, 399), g.Sprites.TitleImage.At(599, 399));
  // The level digit is written white into the box (the box itself is the pattern sheet's).
  int white = 0;
  for (int y = 313; y < 331; ++y)
    for (int x = 218; x < 254; ++x) white += g.BackBuffer.At(x, y) == gfx::kWhite;
  EXPECT_GT(white, 5);
}

struct HoverCase {
  int x, y;
  int lit;  // index into the lit images below, -1 for none
};

class HoverTest : public ::testing::TestWithParam<HoverCase> {};

TEST_P(HoverTest, LightsOnlyTheControlUnderThePointerInTheSameFrame) {
  const HoverCase c = GetParam();
  Rig rig;
  rig.Tick();
  rig.g.MouseX = c.x;
  rig.g.MouseY = c.y;
  rig.Tick();
  const auto& s = rig.g.Sprites;
  const struct {
    int x, y;
    const gfx::Image& unlit;
    const gfx::Image& lit;
  } controls[] = {{163, 189, s.StartButton, s.StartButtonLit},
                  {165, 229, s.RankingButton, s.RankingButtonLit},
                  {209, 313, s.LevelDownArrow, s.LevelDownArrowLit}};
  for (int i = 0; i < 3; ++i) {
    const auto& ctl = controls[i];
    EXPECT_EQ(Shows(rig.g.BackBuffer, ctl.x, ctl.y, ctl.lit), i == c.lit) << "control " << i;
    EXPECT_EQ(Shows(rig.g.BackBuffer, ctl.x, ctl.y, ctl.unlit), i != c.lit) << "control " << i;
  }
  // Moving off puts the normal look back in the next frame.
  rig.g.MouseX = 0;
  rig.g.MouseY = 0;
  rig.Tick();
  for (const auto& ctl : controls) EXPECT_TRUE(Shows(rig.g.BackBuffer, ctl.x, ctl.y, ctl.unlit));
  EXPECT_EQ(rig.g.Scene, game::kTitle);
  EXPECT_TRUE(rig.cues.played.empty());
}

INSTANTIATE_TEST_SUITE_P(Controls, HoverTest,
                         ::testing::Values(HoverCase{200, 197, 0}, HoverCase{200, 235, 1},
                                           HoverCase{215, 322, 2}, HoverCase{300, 100, -1}),
                         [](const auto& p) {
                           return testing_support::CaseName("at", p.param.x, p.param.y);
                         });

TEST(Title, RightArrowLitLooksOnlyChangeArrowPixels) {
  // The digit's stamp overlaps the right arrow; the lit arrow must still show whole where the
  // digit has no ink.
  Rig rig;
  rig.Tick();
  rig.g.MouseX = 256;
  rig.g.MouseY = 321;
  rig.Tick();
  const auto& lit = rig.g.Sprites.LevelUpArrowLit;
  for (int y = 0; y < 18; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_EQ(rig.g.BackBuffer.At(254 + x, 313 + y), lit.At(x, y));
}

struct LevelCase {
  std::int32_t from;
  int x, y;
  std::int32_t to;
};

class LevelTest : public ::testing::TestWithParam<LevelCase> {};

std::string LevelName(const ::testing::TestParamInfo<LevelCase>& p) {
  return testing_support::CaseName("level", p.param.from, "click", p.param.x, p.param.y);
}

TEST_P(LevelTest, ArrowsMoveByOneWithinOneToFive) {
  const LevelCase c = GetParam();
  Rig rig(c.from);
  rig.Tick();
  rig.ClickAt(c.x, c.y);
  rig.Tick();
  EXPECT_EQ(rig.g.Level, c.to);
  EXPECT_EQ(rig.g.Clicked, 0);
  EXPECT_TRUE(rig.cues.played.empty());  // the arrows are silent
}

INSTANTIATE_TEST_SUITE_P(Clamping, LevelTest,
                         ::testing::Values(LevelCase{1, 213, 321, 1}, LevelCase{2, 213, 321, 1},
                                           LevelCase{5, 213, 321, 4}, LevelCase{4, 258, 321, 5},
                                           LevelCase{5, 258, 321, 5}, LevelCase{3, 100, 100, 3}),
                         LevelName);

// Out of reach of a loaded record (the load clamps), but the arrows wrap rather than overflow.
INSTANTIATE_TEST_SUITE_P(Wrapping, LevelTest,
                         ::testing::Values(LevelCase{INT32_MIN, 213, 321, INT32_MAX},
                                           LevelCase{INT32_MIN, 258, 321, INT32_MIN + 1},
                                           LevelCase{INT32_MAX, 258, 321, INT32_MIN},
                                           LevelCase{INT32_MAX, 213, 321, INT32_MAX - 1}),
                         LevelName);

TEST(Title, StartClickShowsTheFieldInTheSameTick) {
  Rig rig(2, 99);
  rig.Tick();
  game::Random spawnOnly;
  game::SeedRandom(spawnOnly, 99);
  rig.ClickAt(200, 197);
  rig.Tick();
  const auto& g = rig.g;
  EXPECT_EQ(g.Scene, game::kPlay);
  EXPECT_EQ(g.Phase, 0);
  EXPECT_EQ(rig.cues.played, std::vector{game::Cue::Menu});
  // Already moved once: never shown at the spawn position.
  game::GameState fresh;
  fresh.Level = 2;
  game::SpawnBubbles(fresh, spawnOnly);
  for (int i = 0; i < game::BubbleCount; ++i) {
    EXPECT_NE(g.PosX[i], fresh.PosX[i]);
    EXPECT_NEAR(std::abs(g.PosX[i] - fresh.PosX[i]), std::abs(fresh.VelX[i]), 1e-9);
  }
  EXPECT_EQ(g.BackBuffer.At(1, 1), gfx::kBlack);  // the field replaced the title
  EXPECT_EQ(g.BackBuffer.At(500, 50), g.Sprites.TitleImage.At(500, 50));  // panel kept
  // The level number on the side panel: white ink at (530, 130).
  int ink = 0;
  for (int y = 130; y < 148; ++y)
    for (int x = 530; x < 545; ++x) ink += g.BackBuffer.At(x, y) == gfx::kWhite;
  EXPECT_GT(ink, 5);
}

TEST(Title, RankingClickShowsTheRankingInTheSameTick) {
  Rig rig;
  rig.Tick();
  rig.ClickAt(200, 235);
  rig.Tick();
  EXPECT_EQ(rig.g.Scene, game::kRanking);
  EXPECT_EQ(rig.g.Phase, 1);
  EXPECT_EQ(rig.g.BackBuffer.At(5, 5), gfx::kBlack);
  EXPECT_EQ(rig.cues.played, std::vector{game::Cue::Menu});
}

TEST(Title, ClickAwayFromTheControlsIsDroppedNotKept) {
  Rig rig;
  rig.Tick();
  rig.ClickAt(50, 50);
  rig.Tick();
  EXPECT_EQ(rig.g.Clicked, 0);
  rig.g.MouseX = 200;
  rig.g.MouseY = 197;
  rig.Tick();
  EXPECT_EQ(rig.g.Scene, game::kTitle);
}

TEST(Title, PressThenMoveOffBeforeTheTickStartsNothing) {
  Rig rig;
  rig.Tick();
  rig.ClickAt(200, 197);
  rig.g.MouseX = 300;  // a move after the press, before the tick
  rig.Tick();
  EXPECT_EQ(rig.g.Scene, game::kTitle);
  EXPECT_EQ(rig.g.Clicked, 0);
}

TEST(Title, EntryResetsTheGameCounters) {
  Rig rig;
  rig.g.ClockStarted = 1;
  rig.g.ElapsedMs = 1234;
  rig.g.BubblesLeft = 7;
  rig.Tick();
  EXPECT_EQ(rig.g.ClockStarted, 0);
  EXPECT_EQ(rig.g.ElapsedMs, 0);
  EXPECT_EQ(rig.g.BubblesLeft, 50);
}

}  // namespace
