#include <string>

#include "game/scenes.hpp"
#include "gfx/draw.hpp"
#include "gfx/masked_text.hpp"

namespace game {

// Hit areas: every comparison is strict. The arrows are triangles; the right one's widest
// column reaches two rows above and one row below its image.
bool OverStartButton(std::int32_t x, std::int32_t y) {
  return 162 < x && x < 233 && 188 < y && y < 206;
}
bool OverRankingButton(std::int32_t x, std::int32_t y) {
  return 164 < x && x < 233 && 228 < y && y < 243;
}
bool OverLevelDown(std::int32_t x, std::int32_t y) {
  return 208 < x && x < 218 && 529 - x < y && y < x + 114;
}
bool OverLevelUp(std::int32_t x, std::int32_t y) {
  return 253 < x && x < 263 && x + 56 < y && y < 586 - x;
}

void TitleFrame(GameState& g, Random& rng, const Platform& p) {
  gfx::Image& back = g.BackBuffer;
  gfx::Sprites& s = g.Sprites;
  if (g.Phase == 0) {
    g.Phase = 1;
    g.ClockStarted = 0;
    g.ElapsedMs = 0;
    gfx::DrawImage(back, 0, 0, s.TitleImage);
    g.BubblesLeft = 50;
    back.Font.Color = gfx::kWhite;
    back.Font.Height = 18;
  }

  // The unlit looks repeat the picture's own pixels, so they take away last frame's lit look.
  gfx::DrawImage(back, 163, 189, s.StartButton);
  gfx::DrawImage(back, 165, 229, s.RankingButton);
  gfx::DrawImage(back, 209, 313, s.LevelDownArrow);
  gfx::DrawImage(back, 254, 313, s.LevelUpArrow);

  // The pointer is where it is now, not where the button was pressed. The tests after a start
  // or ranking click still run; the hit areas do not overlap, so one click acts once.
  const std::int32_t x = g.MouseX, y = g.MouseY;
  if (OverStartButton(x, y)) {
    gfx::DrawImage(back, 163, 189, s.StartButtonLit);
    if (g.Clicked == 1) {
      g.Scene = kPlay;
      g.Phase = 0;
      // The level on the play screen's side panel: nothing redraws it during the game.
      back.CopyMode = gfx::SRCPAINT;
      gfx::OrPass(back, s.ShortTextTile, p.text, std::to_string(g.Level),
                  {.TextX = 0, .X = 530, .Y = 130, .FontHeight = 18});
      back.CopyMode = gfx::SRCCOPY;
      p.cues.Play(Cue::Menu);
      SpawnBubbles(g, rng);
    }
  }
  if (OverRankingButton(x, y)) {
    gfx::DrawImage(back, 165, 229, s.RankingButtonLit);
    if (g.Clicked == 1) {
      g.Scene = kRanking;
      g.Phase = 0;
      p.cues.Play(Cue::Menu);
    }
  }
  if (OverLevelDown(x, y)) {  // the arrows are silent
    gfx::DrawImage(back, 209, 313, s.LevelDownArrowLit);
    if (g.Clicked == 1 && (g.Level = WrapAdd(g.Level, -1)) == 0) g.Level = 1;
  }
  if (OverLevelUp(x, y)) {
    gfx::DrawImage(back, 254, 313, s.LevelUpArrowLit);
    if (g.Clicked == 1 && (g.Level = WrapAdd(g.Level, 1)) == 6) g.Level = 5;
  }

  // After the arrows, so a level change shows in the frame of its click.
  gfx::DrawImage(back, 218, 313, s.LevelBox);
  const std::string level = std::to_string(g.Level);
  const gfx::Stamp digit{.TextX = 9, .X = 223, .Y = 313, .FontHeight = 18};
  back.CopyMode = gfx::SRCAND;
  gfx::AndPass(back, s.LevelDigitTile, p.text, level, digit);
  back.CopyMode = gfx::SRCPAINT;
  gfx::OrPass(back, s.LevelDigitTile, p.text, level, {.TextX = 9, .X = 223, .Y = 313});
  back.CopyMode = gfx::SRCCOPY;

  g.Clicked = 0;  // a click away from every control is dropped, not kept for later
}

}  // namespace game
