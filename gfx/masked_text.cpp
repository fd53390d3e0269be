#include "gfx/masked_text.hpp"

#include <algorithm>
#include <cstdint>

#include "gfx/draw.hpp"

namespace gfx {
namespace {

// A grey of the same level in all three channels.
constexpr Rgb Grey(unsigned level) {
  return level * 0x010101u;
}

// The AND pass's tile is white with the glyphs written black: a pixel of coverage a is the
// grey 255 - a, and the white ground keeps the target as it is.
void AndGlyphs(Rgb* __restrict d, const std::uint8_t* __restrict coverage, int n) {
  for (int i = 0; i < n; ++i) d[i] &= kWhite ^ Grey(coverage[i]);
}

// The OR pass's tile is black with the glyphs written white: coverage a is the grey a, and the
// black ground keeps the target as it is.
void OrGlyphs(Rgb* __restrict d, const std::uint8_t* __restrict coverage, int n) {
  for (int i = 0; i < n; ++i) d[i] |= Grey(coverage[i]);
}

// A pass stamps the tile filled with its ground and the text written on it. Only the text's
// cells differ from the ground, and the ground leaves the target unchanged under the pass's
// mode, so the cells are combined with the target straight from the glyph coverage: the tile
// lends its size, its font height and its drawing state, and its pixels are never needed.
void Pass(Image& target, Image& tile, TextRasterizer& text, std::string_view s, Stamp at,
          Rgb ground, Rgb ink, Rop mode) {
  tile.Pen.Color = ground;
  tile.Brush.Color = ground;
  tile.Font.Color = ink;
  if (at.FontHeight > 0) tile.Font.Height = at.FontHeight;
  const int height = tile.Font.Height > 0 ? tile.Font.Height : kDefaultFontHeight;
  const TextMask& mask = text.Render(s, height);
  // The cells within the tile, in the tile's coordinates (the text's top is the tile's)...
  const std::int64_t cx0 = std::max(at.TextX, 0);
  const std::int64_t cx1 =
      std::min<std::int64_t>(std::int64_t{at.TextX} + mask.Width, tile.Width());
  const std::int64_t cy1 = std::min(mask.Height, tile.Height());
  // ...and then within the target.
  const std::int64_t x0 = std::max<std::int64_t>(at.X + cx0, 0);
  const std::int64_t x1 = std::min<std::int64_t>(at.X + cx1, target.Width());
  const std::int64_t y0 = std::max<std::int64_t>(at.Y, 0);
  const std::int64_t y1 = std::min<std::int64_t>(at.Y + cy1, target.Height());
  if (x0 >= x1 || y0 >= y1) return;
  target.Damage(static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1),
                static_cast<int>(y1));
  const int n = static_cast<int>(x1 - x0);
  for (std::int64_t y = y0; y < y1; ++y) {
    const std::uint8_t* coverage = mask.Coverage.data() +
                                   static_cast<std::size_t>(y - at.Y) * mask.Width +
                                   static_cast<std::size_t>(x0 - at.X - at.TextX);
    Rgb* d = target.Row(static_cast<int>(y)) + x0;
    if (mode == SRCAND) {
      AndGlyphs(d, coverage, n);
    } else {
      OrGlyphs(d, coverage, n);
    }
  }
}

}  // namespace

void AndPass(Image& target, Image& tile, TextRasterizer& text, std::string_view s, Stamp at) {
  Pass(target, tile, text, s, at, kWhite, kBlack, SRCAND);
}

void OrPass(Image& target, Image& tile, TextRasterizer& text, std::string_view s, Stamp at) {
  Pass(target, tile, text, s, at, kBlack, kWhite, SRCPAINT);
}

}  // namespace gfx
