#include "tests/support.hpp"

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

}  // namespace testing_support
