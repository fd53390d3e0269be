#include <string>

#include "game/scenes.hpp"
#include "gfx/draw.hpp"

namespace game {
namespace {

// The table's ground covers the field and one column more; the side panel keeps what the
// previous scene left there.
constexpr int kGroundSize = 400;
// Column n (a level) and row r (a place), both from 1.
constexpr int HeaderX(int n) {
  return 65 * n + 12;
}
constexpr int EntryX(int n) {
  return 65 * n + 7;
}
constexpr int RowY(int r) {
  return 18 * r + 100;
}

}  // namespace

std::string TimeText(GameState& g, std::int32_t entry) {
  // Any value but -1 is written by the same rule, damaged ones included (10' 05'' for 1005).
  const std::int32_t seconds = entry % 100;
  g.SecondsText = TwoDigitSeconds(seconds);
  return std::to_string(entry / 100) + "' " + g.SecondsText + "''";
}

void RankingFrame(GameState& g, const Platform& p) {
  gfx::Image& back = g.BackBuffer;
  if (g.Phase == 0) {
    g.Phase = 1;
    back.Pen.Color = gfx::kBlack;
    back.Brush.Color = gfx::kBlack;
    gfx::FillRect(back, 0, 0, kGroundSize, kGroundSize);
    back.Font.Height = 16;
    back.Font.Color = gfx::kWhite;
    for (int n = 1; n <= kLevels; ++n)
      gfx::TextOut(back, p.text, HeaderX(n), 90, "Lv." + std::to_string(n));
    for (int r = 1; r <= store::kPlaces; ++r)
      gfx::TextOut(back, p.text, r < 10 ? 24 : 16, RowY(r), RankLabels[r]);
    gfx::TextOut(back, p.text, 130, 320, "Press mouse button");
    for (int n = 1; n <= kLevels; ++n) {
      for (int r = 1; r <= store::kPlaces; ++r) {
        const std::int32_t t = g.RankTable[n - 1][r - 1];
        if (t == store::kEmpty) {
          back.Font.Color = gfx::kGrey;
          gfx::TextOut(back, p.text, EntryX(n), RowY(r), "-----");
        } else {
          const std::string text = TimeText(g, t);
          back.Font.Color = gfx::kWhite;
          gfx::TextOut(back, p.text, EntryX(n), RowY(r), text);
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
