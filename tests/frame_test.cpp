// The frame step as a whole: scene dispatch, the click latch, and one whole game replayed
// headlessly from the title to the ranking screen.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "game/scenes.hpp"
#include "posix/record_file.hpp"
#include "support.hpp"

using testing_support::Rig;

namespace {

TEST(FrameStep, TwoPressesBeforeATickAreOneClick) {
  Rig rig(3);
  rig.Tick();
  rig.ClickAt(258, 321);
  rig.ClickAt(258, 321);
  rig.Tick();
  EXPECT_EQ(rig.g.Level, 4);
}

TEST(FrameStep, PlayToTitleTakesEffectInTheNextTick) {
  Rig rig;
  rig.Tick();
  rig.ClickAt(200, 197);
  rig.Tick();
  ASSERT_EQ(rig.g.Scene, game::kPlay);
  EXPECT_FALSE(game::EscapeToTitle(rig.g));
  const gfx::Image field = rig.g.BackBuffer;
  EXPECT_EQ(rig.g.BackBuffer.At(1, 1), gfx::kBlack);
  rig.Tick();
  EXPECT_EQ(rig.g.Phase, 1);
  EXPECT_EQ(rig.g.BackBuffer.At(1, 1), rig.g.Sprites.TitleImage.At(1, 1));
}

TEST(FrameStep, PlayTickWithoutAClickLeavesTheLatchAlone) {
  Rig rig;
  rig.Tick();
  rig.ClickAt(200, 197);
  rig.Tick();
  rig.Run(3);
  EXPECT_EQ(rig.g.Clicked, 0);
  EXPECT_EQ(rig.cues.played.size(), 1u);
}

// Plays whole games by clicking, in every frame, the first overlap found in the state the
// player would see; the clock advances 25 ms a tick.
struct Replay {
  explicit Replay(std::uint32_t seed) : rig(1, seed) {}

  void Play() {
    rig.Tick();
    rig.ClickAt(200, 197);
    rig.clock.Advance(25);
    rig.Tick();
    while (rig.g.Phase == 0 && ticks < 20000) {
      ClickFirstOverlap();
      rig.clock.Advance(25);
      rig.Tick();
      ++ticks;
    }
    atFinish = rig.g.PosX;
  }

  void ClickFirstOverlap() {
    std::int32_t x = 0, y = 0;
    if (game::FirstMergePoint(rig.g, x, y)) {
      rig.ClickAt(x, y);
      ++clicks;
    }
  }

  Rig rig;
  int ticks = 0;
  int clicks = 0;
  game::PerSlot<double> atFinish{};
};

TEST(WholeGame, FromTheTitleThroughTheFinishToTheRankingScreen) {
  Replay replay(20261208);
  replay.Play();
  auto& rig = replay.rig;
  auto& g = rig.g;
  ASSERT_EQ(g.Phase, 1) << "no finish after " << replay.ticks << " ticks";
  EXPECT_EQ(g.BubblesLeft, 1);
  int left = 0;
  for (int i = 0; i < game::BubbleCount; ++i) left += g.Gone[i] == 0;
  EXPECT_EQ(left, 1);
  const std::int32_t time = g.FinishTime;
  EXPECT_EQ(time, g.ClockMinutes * 100 + g.ClockSeconds);
  EXPECT_EQ(g.RankPos, 1);
  EXPECT_EQ(g.RankTable[0][0], time);

  // Banner, then the final click on the one bubble left.
  while (g.Phase == 1) rig.Run(1);
  int last = 0;
  while (g.Gone[last] != 0) ++last;
  rig.ClickAt(static_cast<int>(g.PosX[last] + g.VelX[last]),
              static_cast<int>(g.PosY[last] + g.VelY[last]));
  rig.Run(1);
  ASSERT_EQ(g.Phase, 3);
  EXPECT_EQ(g.Gone[last], 1);
  while (g.Scene == game::kPlay) rig.Run(1);
  EXPECT_EQ(g.Scene, game::kRanking);
  EXPECT_EQ(g.Phase, 1);

  // Merge sounds for merging clicks only, one menu sound, one pop.
  const auto count = [&](game::Cue c) {
    return std::count(rig.cues.played.begin(), rig.cues.played.end(), c);
  };
  EXPECT_EQ(count(game::Cue::Menu), 1);
  EXPECT_EQ(count(game::Cue::Pop), 1);
  EXPECT_EQ(count(game::Cue::Merge), replay.clicks);
  // The known end of this seed's game: a drift in the arithmetic of spawn, motion or merge
  // shows here first.
  EXPECT_EQ(replay.clicks, 47);
  EXPECT_EQ(replay.ticks, 1250);
  EXPECT_EQ(time, 31);

  // Saved, the first four bytes are the time, little-endian; the rest stays empty.
  const testing_support::TempDir temp;
  const auto path = temp.Path() / "b_data.dat";
  store::Save(path.string(), store::Record{g.RankTable, g.Level});
  std::ifstream in(path, std::ios::binary);
  const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
  ASSERT_EQ(bytes.size(), 204u);
  EXPECT_EQ(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | bytes[3] << 24, time);
  for (std::size_t i = 4; i < 200; ++i) EXPECT_EQ(bytes[i], 0xFF) << i;
  EXPECT_EQ(bytes[200], 1);

  // The same seed replays to the same end.
  Replay again(20261208);
  again.Play();
  EXPECT_EQ(again.rig.g.FinishTime, time);
  EXPECT_EQ(again.ticks, replay.ticks);
  EXPECT_EQ(again.atFinish, replay.atFinish);
  std::printf("replay: %d ticks, %d merging clicks, finishing time %d\n", replay.ticks,
              replay.clicks, time);
}

// The play frame takes away only what its previous frame drew on the field. Whole games are
// played twice from one seed, once so and once with the whole field filled black in every frame
// (the reference), through the title, the merges, the banner, the final click, the ranking, a
// game left by Escape and a second game; every frame's back buffer must be the same.
class FieldClearingTest : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(FieldClearingTest, EveryFrameAsAfterClearingTheWholeField) {
  const std::int32_t level = GetParam();
  Rig fast(level, 777u * static_cast<std::uint32_t>(level));
  Rig reference(level, 777u * static_cast<std::uint32_t>(level));
  int frames = 0;
  const auto tick = [&] {
    reference.g.Trace.Valid = false;  // the whole field, every time
    fast.clock.Advance(25);
    reference.clock.Advance(25);
    fast.Tick();
    reference.Tick();
    ++frames;
    ASSERT_EQ(fast.g.Scene, reference.g.Scene);
    ASSERT_TRUE(fast.g.BackBuffer.Pixels() == reference.g.BackBuffer.Pixels())
        << "frame " << frames << ", scene " << fast.g.Scene << ", phase " << fast.g.Phase;
  };
  const auto click = [&](std::int32_t x, std::int32_t y) {
    fast.ClickAt(x, y);
    reference.ClickAt(x, y);
  };
  const auto playToTheFinish = [&] {
    click(200, 197);
    tick();
    for (int t = 0; t < 20000 && fast.g.Scene == game::kPlay && fast.g.Phase == 0; ++t) {
      std::int32_t x = 0, y = 0;
      if (t % 3 == 0 && game::FirstMergePoint(fast.g, x, y)) click(x, y);
      tick();
      if (HasFatalFailure()) return;
    }
  };

  tick();
  playToTheFinish();
  ASSERT_EQ(fast.g.Phase, 1);
  click(10, 10);  // a click during the banner is used up
  for (int t = 0; t < 400 && fast.g.Phase == 1 && !HasFatalFailure(); ++t) tick();
  int last = 0;
  while (fast.g.Gone[last] != 0) ++last;
  for (int t = 0; t < 400 && fast.g.Phase == 2 && !HasFatalFailure(); ++t) {
    click(static_cast<int>(fast.g.PosX[last]), static_cast<int>(fast.g.PosY[last]));
    tick();
  }
  for (int t = 0; t < 400 && fast.g.Scene == game::kPlay && !HasFatalFailure(); ++t) tick();
  ASSERT_EQ(fast.g.Scene, game::kRanking);
  click(5, 5);
  tick();
  tick();

  // A game left by Escape, then a second one played to its finish.
  click(200, 197);
  for (int t = 0; t < 40 && !HasFatalFailure(); ++t) tick();
  EXPECT_FALSE(game::EscapeToTitle(fast.g));
  EXPECT_FALSE(game::EscapeToTitle(reference.g));
  tick();
  playToTheFinish();
  for (int t = 0; t < 10 && !HasFatalFailure(); ++t) tick();
  EXPECT_GT(frames, 300);
}

INSTANTIATE_TEST_SUITE_P(Levels, FieldClearingTest, ::testing::Values(1, 3, 5),
                         [](const auto& p) { return testing_support::CaseName("level", p.param); });

}  // namespace
