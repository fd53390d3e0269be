#include <string>

#include "game/scenes.hpp"
#include "gfx/draw.hpp"

namespace game {

std::string TimeText(GameState& g, std::int32_t entry) {
  // Any value but -1 is written by the same rule, damaged ones included (10' 05'' for 1005).
  const std::int32_t seconds = entry % 100;
  g.SecondsText = (seconds < 10 ? "0" : "") + std::to_string(seconds);
  return std::to_string(entry / 100) + "' " + g.SecondsText + "''";
}

void RankingFrame(GameState& g, const Platform& p) {
  gfx::Image& back = g.BackBuffer;
  if (g.Phase == 0) {
    g.Phase = 1;
    // Only the left 400 x 400: the side panel keeps what the previous scene left there.
    back.Pen.Color = gfx::kBlack;
    back.Brush.Color = gfx::kBlack;
    gfx::FillRect(back, 0, 0, 400, 400);
    back.Font.Height = 16;
    back.Font.Color = gfx::kWhite;
    for (int n = 1; n <= 5; ++n)
      gfx::TextOut(back, p.text, 65 * n + 12, 90, "Lv." + std::to_string(n));
    for (int r = 1; r <= 10; ++r)
      gfx::TextOut(back, p.text, r < 10 ? 24 : 16, 18 * r + 100, RankLabels[r]);
    gfx::TextOut(back, p.text, 130, 320, "Press mouse button");
    for (int n = 1; n <= 5; ++n) {
      for (int r = 1; r <= 10; ++r) {
        const std::int32_t t = g.RankTable[n - 1][r - 1];
        if (t == store::kEmpty) {
          back.Font.Color = gfx::kGrey;
          gfx::TextOut(back, p.text, 65 * n + 7, 18 * r + 100, "-----");
        } else {
          const std::string text = TimeText(g, t);
          back.Font.Color = gfx::kWhite;
          gfx::TextOut(back, p.text, 65 * n + 7, 18 * r + 100, text);
        }
      }
    }
  }
  // Tested in the entry frame too, after the drawing: the table is shown for a frame at least.
  if (g.Clicked == 1) {
    g.Clicked = 0;
    g.Scene = kTitle;
    g.Phase = 0;
  }
}

}  // namespace game
