#include <string>

#include "game/scenes.hpp"
#include "gfx/draw.hpp"
#include "gfx/masked_text.hpp"

namespace game {

namespace sheet = gfx::sheet;

namespace {

// Every control is drawn, unlit and lit, where its unlit look sits in the title picture.
void DrawAt(gfx::Image& back, const gfx::Rect& place, const gfx::Image& look) {
  gfx::DrawImage(back, place.X, place.Y, look);
}

// The chosen level, on the level box (over the right arrow's left edge: only glyphs change).
constexpr gfx::Stamp kLevelDigit{.TextX = 9, .X = 223, .Y = 313, .FontHeight = 18};
// The level on the play screen's side panel.
constexpr gfx::Stamp kPlayLevel{.TextX = 0, .X = 530, .Y = 130, .FontHeight = 18};

}  // namespace

// The buttons are hit exactly where they are drawn. The arrows are triangles within their
// images' columns; the right one's widest column reaches two rows above and one row below its
// image.
bool OverStartButton(std::int32_t x, std::int32_t y) {
  return gfx::Inside(sheet::StartButton, x, y);
}
bool OverRankingButton(std::int32_t x, std::int32_t y) {
  return gfx::Inside(sheet::RankingButton, x, y);
}
bool OverLevelDown(std::int32_t x, std::int32_t y) {
  const gfx::Rect& a = sheet::LevelDownArrow;
  return a.X <= x && x < a.X + a.W && 529 - x < y && y < x + 114;
}
bool OverLevelUp(std::int32_t x, std::int32_t y) {
  const gfx::Rect& a = sheet::LevelUpArrow;
  return a.X <= x && x < a.X + a.W && x + 56 < y && y < 586 - x;
}

void TitleFrame(GameState& g, Random& rng, const Platform& p) {
  gfx::Image& back = g.BackBuffer;
  gfx::Sprites& s = g.Sprites;
  if (g.Phase == 0) {
    g.Phase = 1;
    g.ClockStarted = 0;
    g.ElapsedMs = 0;
    DrawAt(back, sheet::TitleImage, s.TitleImage);
    g.BubblesLeft = BubbleCount;
    back.Font.Color = gfx::kWhite;
    back.Font.Height = 18;
  }

  // The unlit looks repeat the picture's own pixels, so they take away last frame's lit look.
  DrawAt(back, sheet::StartButton, s.StartButton);
  DrawAt(back, sheet::RankingButton, s.RankingButton);
  DrawAt(back, sheet::LevelDownArrow, s.LevelDownArrow);
  DrawAt(back, sheet::LevelUpArrow, s.LevelUpArrow);

  // The pointer is where it is now, not where the button was pressed. The tests after a start
  // or ranking click still run; the hit areas do not overlap, so one click acts once.
  const std::int32_t x = g.MouseX, y = g.MouseY;
  if (OverStartButton(x, y)) {
    DrawAt(back, sheet::StartButton, s.StartButtonLit);
    if (g.Clicked == 1) {
      g.Scene = kPlay;
      g.Phase = 0;
      // The level on the play screen's side panel: nothing redraws it during the game.
      gfx::OrPass(back, s.ShortTextTile, p.text, std::to_string(g.Level), kPlayLevel);
      p.cues.Play(Cue::Menu);
      SpawnBubbles(g, rng);
    }
  }
  if (OverRankingButton(x, y)) {
    DrawAt(back, sheet::RankingButton, s.RankingButtonLit);
    if (g.Clicked == 1) {
      g.Scene = kRanking;
      g.Phase = 0;
      p.cues.Play(Cue::Menu);
    }
  }
  if (OverLevelDown(x, y)) {  // the arrows are silent
    DrawAt(back, sheet::LevelDownArrow, s.LevelDownArrowLit);
    if (g.Clicked == 1 && (g.Level = WrapAdd(g.Level, -1)) == 0) g.Level = 1;
  }
  if (OverLevelUp(x, y)) {
    DrawAt(back, sheet::LevelUpArrow, s.LevelUpArrowLit);
    if (g.Clicked == 1 && (g.Level = WrapAdd(g.Level, 1)) == kLevels + 1) g.Level = kLevels;
  }

  // After the arrows, so a level change shows in the frame of its click.
  DrawAt(back, sheet::LevelBox, s.LevelBox);
  const std::string level = std::to_string(g.Level);
  gfx::AndPass(back, s.LevelDigitTile, p.text, level, kLevelDigit);
  gfx::OrPass(back, s.LevelDigitTile, p.text, level, kLevelDigit);

  g.Clicked = 0;  // a click away from every control is dropped, not kept for later
}

}  // namespace game
