#include "gfx/sheet.hpp"

#include "gfx/draw.hpp"

namespace gfx {

Image Cut(const Image& sheet, const Rect& region) {
  Image image(region.W, region.H);
  DrawImage(image, -region.X, -region.Y, sheet);
  return image;
}

Sprites CutSprites(const Image& sheet) {
  Sprites s;
  s.TitleImage = Cut(sheet, sheet::TitleImage);
  s.StartButton = Cut(sheet, sheet::StartButton);
  s.StartButtonLit = Cut(sheet, sheet::StartButtonLit);
  s.RankingButton = Cut(sheet, sheet::RankingButton);
  s.RankingButtonLit = Cut(sheet, sheet::RankingButtonLit);
  s.LevelDownArrow = Cut(sheet, sheet::LevelDownArrow);
  s.LevelUpArrow = Cut(sheet, sheet::LevelUpArrow);
  s.LevelDownArrowLit = Cut(sheet, sheet::LevelDownArrowLit);
  s.LevelUpArrowLit = Cut(sheet, sheet::LevelUpArrowLit);
  s.LevelBox = Cut(sheet, sheet::LevelBox);
  s.LevelDigitTile = Image(36, 18);
  s.ShortTextTile = Image(80, 18);
  s.MessageTile = Image(120, 18);
  s.BannerTile = Image(300, 92);
  s.ClockPanel = Cut(sheet, sheet::ClockPanel);
  return s;
}

}  // namespace gfx
