#pragma once
// The sprite sheet's layout and the images cut from it. The sheet is 600 x 418: its top
// 600 x 400 is the title picture with every control in its unlit look at the place where the
// title draws it; rows 400 to 417 hold the lit looks side by side from x = 0.
#include "gfx/image.hpp"

namespace gfx {

// Sheet regions (top-left, size). The unlit controls are cut from where they are drawn.
namespace sheet {
inline constexpr int kWidth = 600;
inline constexpr int kHeight = 418;
inline constexpr Rect TitleImage{0, 0, 600, 400};
inline constexpr Rect StartButton{163, 189, 70, 17};
inline constexpr Rect StartButtonLit{18, 400, 70, 17};
inline constexpr Rect RankingButton{165, 229, 68, 14};
inline constexpr Rect RankingButtonLit{88, 400, 68, 14};
inline constexpr Rect LevelDownArrow{209, 313, 9, 18};
inline constexpr Rect LevelDownArrowLit{0, 400, 9, 18};
inline constexpr Rect LevelUpArrow{254, 313, 9, 18};
inline constexpr Rect LevelUpArrowLit{9, 400, 9, 18};
inline constexpr Rect LevelBox{218, 313, 36, 18};
inline constexpr Rect ClockPanel{405, 0, 80, 19};
}  // namespace sheet

// Every image made at start-up besides the back buffer: the sprites cut from the sheet and the
// tiles that give masked text its block and its font height.
struct Sprites {
  Image TitleImage, StartButton, StartButtonLit, RankingButton, RankingButtonLit;
  Image LevelDownArrow, LevelDownArrowLit, LevelUpArrow, LevelUpArrowLit, LevelBox;
  Image LevelDigitTile;  // 36 x 18
  Image ShortTextTile;   // 80 x 18
  Image ClockPanel;      // 80 x 19
  Image BannerTile;      // 300 x 92
  Image MessageTile;     // 120 x 18
};

// A new w x h image filled from the sheet's region at (x, y) by a plain copy of the sheet drawn
// at (-x, -y); whatever the sheet does not cover stays white.
Image Cut(const Image& sheet, const Rect& region);

// Cuts every sprite and creates the tiles, in start-up order. A sheet smaller than 600 x 418 is
// not an error: the missing pixels stay white.
Sprites CutSprites(const Image& sheet);

}  // namespace gfx
