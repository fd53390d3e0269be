#include "tests/support.hpp"

#include <algorithm>
#include <cmath>

namespace testing_support {

gfx::TtfText& Text() {
  static gfx::TtfText text(FROTHY_FONT_PATH);
  return text;
}

gfx::Image PatternSheet() {
  gfx::Image sheet(gfx::sheet::kWidth, gfx::sheet::kHeight);
  for (int y = 0; y < sheet.Height(); ++y)
    for (int x = 0; x < sheet.Width(); ++x)
      sheet.Row(y)[x] = static_cast<gfx::Rgb>((y << 12 | x) & 0xFFFFFF);
  return sheet;
}

Rig::Rig(std::int32_t level, std::uint32_t seed) {
  static const gfx::Sprites sprites = gfx::CutSprites(PatternSheet());
  g.Sprites = sprites;
  g.BackBuffer = gfx::Image(600, 400);
  g.DataDir = "./";
  const store::Record fresh = store::FreshRecord();
  g.RankTable = fresh.Ranks;
  g.Level = level;
  game::SeedRandom(rng, seed);
}

bool Shows(const gfx::Image& back, int x, int y, const gfx::Image& img) {
  for (int j = 0; j < img.Height(); ++j)
    for (int i = 0; i < img.Width(); ++i)
      if (back.At(x + i, y + j) != img.At(i, j)) return false;
  return true;
}

bool OverlapPoint(const game::GameState& g, int i, int j, std::int32_t& x, std::int32_t& y) {
  const auto lo = [&](const game::PerSlot<double>& p) {
    return static_cast<int>(std::floor(std::max(p[i] - g.Radius[i], p[j] - g.Radius[j])));
  };
  const auto hi = [&](const game::PerSlot<double>& p) {
    return static_cast<int>(std::ceil(std::min(p[i] + g.Radius[i], p[j] + g.Radius[j])));
  };
  for (int py = lo(g.PosY); py <= hi(g.PosY); ++py) {
    for (int px = lo(g.PosX); px <= hi(g.PosX); ++px) {
      if (game::BubbleHit(g, i, px, py) && game::BubbleHit(g, j, px, py)) {
        x = px;
        y = py;
        return true;
      }
    }
  }
  return false;
}

}  // namespace testing_support
