// The ranking screen: its texts, what it repaints and how it is left.
#include <gtest/gtest.h>

#include "game/scenes.hpp"
#include "gfx/draw.hpp"
#include "support.hpp"

using testing_support::Rig;
using testing_support::Shows;

namespace {

struct TimeCase {
  std::int32_t entry;
  const char* text;
};

class TimeTextTest : public ::testing::TestWithParam<TimeCase> {};

TEST_P(TimeTextTest, MinutesApostropheSpaceTwoDigitSecondsTwoApostrophes) {
  Rig rig;
  EXPECT_EQ(game::TimeText(rig.g, GetParam().entry), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, TimeTextTest,
    ::testing::Values(TimeCase{0, "0' 00''"}, TimeCase{5, "0' 05''"}, TimeCase{130, "1' 30''"},
                      TimeCase{959, "9' 59''"}, TimeCase{1005, "10' 05''"},
                      TimeCase{99, "0' 99''"},  // damaged entries follow the same rule
                      TimeCase{-105, "-1' 0-5''"}, TimeCase{INT32_MIN, "-21474836' 0-48''"},
                      TimeCase{INT32_MAX, "21474836' 47''"}),
    [](const auto& p) { return testing_support::CaseName("entry", p.param.entry); });

// Renders one text the way the screen does, to compare with the back buffer.
gfx::Image Expected(const char* text, gfx::Rgb color) {
  const gfx::TextMask& m = testing_support::Text().Render(text, 16);
  gfx::Image img(m.Width, m.Height);
  img.Brush.Color = gfx::kBlack;
  img.Font.Color = color;
  img.Font.Height = 16;
  gfx::TextOut(img, testing_support::Text(), 0, 0, text);
  return img;
}

TEST(Ranking, LaysOutHeadersLabelsEntriesAndFooter) {
  Rig rig;
  rig.g.RankTable[0][0] = 130;
  rig.g.RankTable[4][9] = 1005;
  rig.g.Scene = game::kRanking;
  for (auto& p : rig.g.BackBuffer.Pixels()) p = 0x336699;
  rig.Tick();
  const auto& back = rig.g.BackBuffer;
  EXPECT_EQ(rig.g.Phase, 1);
  EXPECT_TRUE(Shows(back, 77, 90, Expected("Lv.1", gfx::kWhite)));
  EXPECT_TRUE(Shows(back, 337, 90, Expected("Lv.5", gfx::kWhite)));
  EXPECT_TRUE(Shows(back, 24, 118, Expected("1st", gfx::kWhite)));
  EXPECT_TRUE(Shows(back, 24, 262, Expected("9th", gfx::kWhite)));
  EXPECT_TRUE(Shows(back, 16, 280, Expected("10th", gfx::kWhite)));
  EXPECT_TRUE(Shows(back, 130, 320, Expected("Press mouse button", gfx::kWhite)));
  EXPECT_TRUE(Shows(back, 72, 118, Expected("1' 30''", gfx::kWhite)));
  EXPECT_TRUE(Shows(back, 137, 118, Expected("-----", gfx::kGrey)));
  EXPECT_TRUE(Shows(back, 332, 280, Expected("10' 05''", gfx::kWhite)));
  EXPECT_TRUE(Shows(back, 267, 280, Expected("-----", gfx::kGrey)));
  EXPECT_EQ(back.At(399, 399), gfx::kBlack);
  EXPECT_EQ(back.At(400, 0), 0x336699u);  // the side panel keeps what was there
}

TEST(Ranking, DrawsOnceThenWaitsForAClickThatReturnsInTheNextTick) {
  Rig rig;
  rig.g.Scene = game::kRanking;
  rig.Tick();
  rig.g.BackBuffer.Row(5)[5] = 0xABCDEF;  // nothing redraws while the screen is shown
  rig.Tick();
  EXPECT_EQ(rig.g.BackBuffer.At(5, 5), 0xABCDEFu);
  rig.ClickAt(590, 390);  // any place, any button
  rig.Tick();
  EXPECT_EQ(rig.g.Scene, game::kTitle);
  EXPECT_EQ(rig.g.Phase, 0);
  EXPECT_EQ(rig.g.Clicked, 0);
  EXPECT_EQ(rig.g.BackBuffer.At(5, 5), 0xABCDEFu);  // the table stays for the rest of the frame
  rig.Tick();
  EXPECT_EQ(rig.g.BackBuffer.At(5, 5), rig.g.Sprites.TitleImage.At(5, 5));
}

TEST(Ranking, EntryFrameAlreadyTestsTheClickAfterDrawing) {
  Rig rig;
  rig.g.Scene = game::kRanking;
  rig.ClickAt(1, 1);
  rig.Tick();
  EXPECT_EQ(rig.g.Scene, game::kTitle);
  EXPECT_EQ(rig.g.BackBuffer.At(1, 1), gfx::kBlack);  // drawn before it was left
}

}  // namespace
