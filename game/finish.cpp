#include <string>
#include <string_view>

#include "game/scenes.hpp"
#include "gfx/draw.hpp"
#include "gfx/masked_text.hpp"

namespace game {
namespace {

// The clock's panel and its figures, on the side panel. The tile keeps the height the start
// click gave it.
constexpr int kClockX = 450;
constexpr int kClockY = 190;

// The banner's three texts, each stamped by both passes at one place.
constexpr gfx::Stamp kGood{.X = 87, .Y = 100, .FontHeight = 92};
constexpr gfx::Stamp kPrompt{.X = 143, .Y = 220, .FontHeight = 18};
constexpr gfx::Stamp kRank{.X = 162, .Y = 195, .FontHeight = 18};
constexpr std::string_view kGoodText = "Good!";
constexpr std::string_view kPromptText = "Let's final click !";

void ClockDisplay(GameState& g, const Platform& p) {
  gfx::Image& back = g.BackBuffer;
  gfx::DrawImage(back, kClockX, kClockY, g.Sprites.ClockPanel);
  const std::string text = ClockText(g);
  // The AND pass one pixel right and down of the OR pass gives the figures a black shadow.
  gfx::AndPass(back, g.Sprites.ShortTextTile, p.text, text, {.X = kClockX + 1, .Y = kClockY + 1});
  gfx::OrPass(back, g.Sprites.ShortTextTile, p.text, text, {.X = kClockX, .Y = kClockY});
}

void FinishTest(GameState& g, const Platform& p) {
  if (g.BubblesLeft != 1) return;
  g.Phase = 1;
  g.FinishTime = g.ClockMinutes * 100 + g.ClockSeconds;  // the time just shown
  g.PhaseStart = p.clock.NowMs();
  // Only in memory: the record file is written when the program ends.
  g.RankPos = EnterRanking(g.RankTable.at(static_cast<std::size_t>(g.Level - 1)), g.FinishTime);
}

void BannerDisplay(GameState& g, const Platform& p) {
  gfx::Image& back = g.BackBuffer;
  gfx::Sprites& s = g.Sprites;
  const bool ranked = g.RankPos <= 10;
  const std::string rank =
      ranked ? "Rank in " + std::string(RankLabels.at(static_cast<std::size_t>(g.RankPos))) : "";
  // All AND passes first, then all OR passes at the same places: plain white text through which
  // the field and the bubble show.
  gfx::AndPass(back, s.BannerTile, p.text, kGoodText, kGood);
  gfx::AndPass(back, s.MessageTile, p.text, kPromptText, kPrompt);
  if (ranked) gfx::AndPass(back, s.MessageTile, p.text, rank, kRank);
  // Only glyph pixels change, all within the tiles' blocks.
  TraceBlock(g, {kGood.X, kGood.Y, s.BannerTile.Width(), s.BannerTile.Height()});
  TraceBlock(g, {kPrompt.X, kPrompt.Y, s.MessageTile.Width(), s.MessageTile.Height()});
  if (ranked) TraceBlock(g, {kRank.X, kRank.Y, s.MessageTile.Width(), s.MessageTile.Height()});
  gfx::OrPass(back, s.BannerTile, p.text, kGoodText, kGood);
  gfx::OrPass(back, s.MessageTile, p.text, kPromptText, kPrompt);
  if (ranked) gfx::OrPass(back, s.MessageTile, p.text, rank, kRank);
}

void FinalClick(GameState& g, const Platform& p) {
  g.Clicked = 0;
  // The visit goes on after a hit; with one bubble left a click pops one at most.
  for (int i = 0; i < BubbleCount; ++i) {
    if (!BubbleHit(g, i, g.MouseX, g.MouseY)) continue;
    p.cues.Play(Cue::Pop);
    g.Gone[i] = 1;
    g.PhaseStart = p.clock.NowMs();
    g.Phase = 3;
  }
}

}  // namespace

void ClockUpdate(GameState& g, const Platform& p) {
  if (g.ClockStarted == 1) g.ElapsedMs = MsBetween(g.ClockStart, p.clock.NowMs());
  if (g.ElapsedMs > kClockCapMs) g.ElapsedMs = kClockCapMs;
  g.ClockMinutes = g.ElapsedMs / 60000;
  g.ClockSeconds = (g.ElapsedMs % 60000) / 1000;
  g.SecondsText = TwoDigitSeconds(g.ClockSeconds);
}

std::string TwoDigitSeconds(std::int32_t seconds) {
  return (seconds < 10 ? "0" : "") + std::to_string(seconds);
}

std::string ClockText(const GameState& g) {
  return std::to_string(g.ClockMinutes) + "\u2019" + g.SecondsText + "\u201D";
}

std::int32_t EnterRanking(std::array<std::int32_t, 10>& row, std::int32_t time) {
  // Two downward sweeps: the lowest empty place, then, winning over it, the lowest place whose
  // time is equal or slower.
  std::int32_t pos = kNotRanked;
  for (int place = 10; place >= 1; --place)
    if (row[place - 1] == store::kEmpty) pos = place;
  for (int place = 10; place >= 1; --place)
    if (row[place - 1] >= time) pos = place;
  if (pos <= 9)
    for (int place = 9; place >= pos; --place) row[place] = row[place - 1];
  if (pos <= 10) row[pos - 1] = time;
  return pos;
}

void ClockAndFinish(GameState& g, const Platform& p) {
  ClockUpdate(g, p);
  if (g.Phase == 0) {
    ClockDisplay(g, p);
    FinishTest(g, p);
  }
  if (g.Phase == 1 && MsBetween(g.PhaseStart, p.clock.NowMs()) > kBannerMs) g.Phase = 2;
  if (g.Phase == 1) BannerDisplay(g, p);  // tested again: not in the frame the banner ends
  if (g.Phase == 2 && g.Clicked == 1) FinalClick(g, p);
  if (g.Phase == 3 && MsBetween(g.PhaseStart, p.clock.NowMs()) > kPauseMs) {
    g.Scene = g.RankPos <= 10 ? kRanking : kTitle;
    g.Phase = 0;
    g.Clicked = 0;  // a click during the pause does not reach the next scene
  }
}

}  // namespace game
