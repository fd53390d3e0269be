#pragma once
// Masked text: white text stamped onto a picture so that only glyph pixels change. A tile is
// filled white and written black, then ANDed onto the target (glyphs turn black); the same text
// written white on black is then ORed at the same place (glyphs turn white). With the AND pass
// one pixel right and down of the OR pass the text gets a one-pixel black shadow.
//
// Each pass combines by the operation it needs whatever target.CopyMode is, and leaves that mode
// alone, so no caller can leave the back buffer combining its next drawing by AND or OR. The
// tile gives the stamp its size and keeps the font height between passes; a pass combines only
// the text's cells, where the tile would differ from its ground, and never writes the tile's
// pixels.
#include <string_view>

#include "gfx/image.hpp"
#include "gfx/text.hpp"

namespace gfx {

struct Stamp {
  int TextX = 0;       // where the text starts inside the tile (its top is always 0)
  int X = 0, Y = 0;    // where the tile lands on the target
  int FontHeight = 0;  // given to the tile before writing; 0 keeps the tile's height
};

void AndPass(Image& target, Image& tile, TextRasterizer& text, std::string_view s, Stamp at);
void OrPass(Image& target, Image& tile, TextRasterizer& text, std::string_view s, Stamp at);

}  // namespace gfx
