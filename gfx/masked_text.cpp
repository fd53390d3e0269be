#include "gfx/masked_text.hpp"

#include "gfx/draw.hpp"

namespace gfx {
namespace {

void Pass(Image& target, Image& tile, TextRasterizer& text, std::string_view s, Stamp at,
          Rgb ground, Rgb ink, Rop mode) {
  tile.Pen.Color = ground;
  tile.Brush.Color = ground;
  FillRect(tile, 0, 0, tile.Width(), tile.Height());
  tile.Font.Color = ink;
  if (at.FontHeight > 0) tile.Font.Height = at.FontHeight;
  TextOut(tile, text, at.TextX, 0, s);
  const Rop before = target.CopyMode;
  target.CopyMode = mode;
  DrawImage(target, at.X, at.Y, tile);
  target.CopyMode = before;
}

}  // namespace

void AndPass(Image& target, Image& tile, TextRasterizer& text, std::string_view s, Stamp at) {
  Pass(target, tile, text, s, at, kWhite, kBlack, SRCAND);
}

void OrPass(Image& target, Image& tile, TextRasterizer& text, std::string_view s, Stamp at) {
  Pass(target, tile, text, s, at, kBlack, kWhite, SRCPAINT);
}

}  // namespace gfx
