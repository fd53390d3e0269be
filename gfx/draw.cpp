#include "gfx/draw.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <numbers>

namespace gfx {
namespace {

// The part of a w x h block placed at (x, y) that lies on a surface of sw x sh, in
// destination coordinates. Computed in 64 bits so that any int position is safe.
struct Clip {
  int x0, y0, x1, y1;  // half-open
  bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

Clip ClipBlock(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h, int sw, int sh) {
  const std::int64_t x0 = std::max<std::int64_t>(x, 0);
  const std::int64_t y0 = std::max<std::int64_t>(y, 0);
  const std::int64_t x1 = std::min<std::int64_t>(x + w, sw);
  const std::int64_t y1 = std::min<std::int64_t>(y + h, sh);
  if (x0 >= x1 || y0 >= y1) return {0, 0, 0, 0};
  return {static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1), static_cast<int>(y1)};
}

// One row is filled pixel by pixel; the others are block copies of it, which run at the
// speed of the library's memory copy.
void FillSpan(Image& dst, const Clip& c, Rgb color) {
  if (c.Empty()) return;
  const std::size_t n = static_cast<std::size_t>(c.x1 - c.x0);
  if (color == 0) {  // black, the field's clear in every play frame: plain memory set
    for (int y = c.y0; y < c.y1; ++y) std::memset(dst.Row(y) + c.x0, 0, n * sizeof(Rgb));
    return;
  }
  Rgb* first = dst.Row(c.y0) + c.x0;
  std::fill(first, first + n, color);
  for (int y = c.y0 + 1; y < c.y1; ++y) std::memcpy(dst.Row(y) + c.x0, first, n * sizeof(Rgb));
}

void AndRow(Rgb* __restrict d, const Rgb* __restrict s, int n) {
  for (int i = 0; i < n; ++i) d[i] &= s[i];
}

void OrRow(Rgb* __restrict d, const Rgb* __restrict s, int n) {
  for (int i = 0; i < n; ++i) d[i] |= s[i];
}

// One channel of a glyph pixel: the background mixed toward the glyph colour by coverage.
constexpr Rgb Mix(Rgb fg, Rgb bg, unsigned a, int shift) {
  const unsigned f = (fg >> shift) & 0xFF;
  const unsigned b = (bg >> shift) & 0xFF;
  return static_cast<Rgb>((b * (255 - a) + f * a + 127) / 255) << shift;
}

}  // namespace

void DrawImage(Image& dst, int x, int y, const Image& src) {
  const Clip c = ClipBlock(x, y, src.Width(), src.Height(), dst.Width(), dst.Height());
  if (c.Empty()) return;
  dst.Damage(c.x0, c.y0, c.x1, c.y1);
  const int n = c.x1 - c.x0;
  for (int dy = c.y0; dy < c.y1; ++dy) {
    const Rgb* s = src.Row(dy - y) + (c.x0 - x);
    Rgb* d = dst.Row(dy) + c.x0;
    switch (dst.CopyMode) {
      case Rop::SRCAND:
        AndRow(d, s, n);
        break;
      case Rop::SRCPAINT:
        OrRow(d, s, n);
        break;
      case Rop::SRCCOPY:
      default:
        std::memcpy(d, s, static_cast<std::size_t>(n) * sizeof(Rgb));
        break;
    }
  }
}

void FillRect(Image& dst, int x1, int y1, int x2, int y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  const std::int64_t w = std::int64_t{x2} - x1;
  const std::int64_t h = std::int64_t{y2} - y1;
  if (w <= 0 || h <= 0) return;
  const Clip all = ClipBlock(x1, y1, w, h, dst.Width(), dst.Height());
  if (all.Empty()) return;
  dst.Damage(all.x0, all.y0, all.x1, all.y1);  // the border lies within the block
  FillSpan(dst, all, dst.Brush.Color);
  if (dst.Pen.Color == dst.Brush.Color) return;  // the border would change nothing
  const Rgb pen = dst.Pen.Color;
  FillSpan(dst, ClipBlock(x1, y1, w, 1, dst.Width(), dst.Height()), pen);
  FillSpan(dst, ClipBlock(x1, std::int64_t{y2} - 1, w, 1, dst.Width(), dst.Height()), pen);
  FillSpan(dst, ClipBlock(x1, y1, 1, h, dst.Width(), dst.Height()), pen);
  FillSpan(dst, ClipBlock(std::int64_t{x2} - 1, y1, 1, h, dst.Width(), dst.Height()), pen);
}

void TextOut(Image& dst, TextRasterizer& text, int x, int y, std::string_view utf8) {
  const int height = dst.Font.Height > 0 ? dst.Font.Height : kDefaultFontHeight;
  const TextMask& mask = text.Render(utf8, height);
  const Clip c = ClipBlock(x, y, mask.Width, mask.Height, dst.Width(), dst.Height());
  if (c.Empty()) return;
  dst.Damage(c.x0, c.y0, c.x1, c.y1);
  // The shades from the ground to the ink, one per coverage value. A few pairs are kept:
  // masked text alternates black on white and white on black in every frame.
  struct Shades {
    Rgb fg = 1, bg = 1;  // no pair yet: the top byte of a colour is always zero
    std::array<Rgb, 256> shade{};
  };
  static thread_local std::array<Shades, 4> kept;
  static thread_local std::size_t next = 0;
  const Rgb fg = dst.Font.Color;
  const Rgb bg = dst.Brush.Color;
  const Shades* found = nullptr;
  for (const Shades& s : kept)
    if (s.fg == fg && s.bg == bg) found = &s;
  if (!found) {
    Shades& s = kept[next];
    next = (next + 1) % kept.size();
    for (unsigned a = 0; a < 256; ++a)
      s.shade[a] = Mix(fg, bg, a, 16) | Mix(fg, bg, a, 8) | Mix(fg, bg, a, 0);
    s.fg = fg;
    s.bg = bg;
    found = &s;
  }
  const std::array<Rgb, 256>& shade = found->shade;
  for (int dy = c.y0; dy < c.y1; ++dy) {
    const std::uint8_t* m =
        mask.Coverage.data() + static_cast<std::size_t>(dy - y) * mask.Width + (c.x0 - x);
    Rgb* d = dst.Row(dy) + c.x0;
    for (int i = 0; i < c.x1 - c.x0; ++i) d[i] = shade[m[i]];
  }
}

namespace {

// The outline of the ellipse inscribed in columns x0 .. xe and rows y0 .. ye, point by point:
// an integer ellipse in a rectangle, four quadrants at once, with exact error terms. Every
// point lies within the box.
template <typename Put>
void EllipsePoints(std::int64_t x0, std::int64_t y0, std::int64_t xe, std::int64_t ye, Put put) {
  std::int64_t a = xe - x0, b = ye - y0, b1 = b & 1;
  std::int64_t dx = 4 * (1 - a) * b * b, dy = 4 * (b1 + 1) * a * a;
  std::int64_t err = dx + dy + b1 * a * a;
  y0 += (b + 1) / 2;
  ye = y0 - b1;
  a *= 8 * a;
  b1 = 8 * b * b;
  do {
    put(xe, y0);
    put(x0, y0);
    put(x0, ye);
    put(xe, ye);
    const std::int64_t e2 = 2 * err;
    if (e2 <= dy) {
      ++y0;
      --ye;
      err += dy += a;
    }
    if (e2 >= dx || 2 * err > dy) {
      ++x0;
      --xe;
      err += dx += b1;
    }
  } while (x0 <= xe);
  while (y0 - ye < b) {  // flat ellipses stop early: finish the tips
    put(x0 - 1, y0);
    put(xe + 1, y0++);
    put(x0 - 1, ye);
    put(xe + 1, ye--);
  }
}

// Arc, drawing only within `clip` (which lies within the surface).
void ClippedArc(Image& dst, const Rect& clip, int x1, int y1, int x2, int y2, int x3, int y3,
                int x4, int y4) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  // The outline runs through the box's outermost pixels: columns x1 .. x2-1, rows y1 .. y2-1.
  const std::int64_t x0 = x1, xe = std::int64_t{x2} - 1;
  const std::int64_t y0 = y1, ye = std::int64_t{y2} - 1;
  if (xe < x0 || ye < y0) return;
  if (xe < 0 || ye < 0 || x0 >= dst.Width() || y0 >= dst.Height()) return;
  // Nothing in the game comes near this size; the bound keeps the error terms in 64 bits.
  constexpr std::int64_t kMaxDiameter = 1 << 15;
  if (xe - x0 > kMaxDiameter || ye - y0 > kMaxDiameter) return;

  const double cx = (double(x1) + double(x2)) / 2.0;
  const double cy = (double(y1) + double(y2)) / 2.0;
  const double ax = x3 - cx, ay = y3 - cy, bx = x4 - cx, by = y4 - cy;
  const bool whole = ax * by - ay * bx == 0.0 && ax * bx + ay * by > 0.0;
  // The box within the clip holds every point drawn.
  const std::int64_t dx0 = std::max<std::int64_t>(x0, clip.X);
  const std::int64_t dy0 = std::max<std::int64_t>(y0, clip.Y);
  const std::int64_t dx1 = std::min<std::int64_t>(xe + 1, std::int64_t{clip.X} + clip.W);
  const std::int64_t dy1 = std::min<std::int64_t>(ye + 1, std::int64_t{clip.Y} + clip.H);
  if (dx0 >= dx1 || dy0 >= dy1) return;
  dst.Damage(static_cast<int>(dx0), static_cast<int>(dy0), static_cast<int>(dx1),
             static_cast<int>(dy1));
  const Rgb pen = dst.Pen.Color;
  Rgb* const pixels = dst.Pixels().data();
  const std::int64_t pitch = dst.Width();
  if (whole && Inside(clip, x0, y0) && Inside(clip, xe, ye)) {
    // Every bubble in play: the box lies within the clip, so no point needs a test.
    EllipsePoints(x0, y0, xe, ye,
                  [&](std::int64_t px, std::int64_t py) { pixels[py * pitch + px] = pen; });
    return;
  }
  // Angles on screen, counter-clockwise (y grows downward, hence the minus).
  double start = 0.0, sweep = 0.0;
  if (!whole) {
    start = std::atan2(-ay, ax);
    sweep = std::atan2(-by, bx) - start;
    if (sweep <= 0.0) sweep += 2.0 * std::numbers::pi;
  }
  EllipsePoints(x0, y0, xe, ye, [&](std::int64_t px, std::int64_t py) {
    if (!whole) {
      double t = std::atan2(-(double(py) + 0.5 - cy), double(px) + 0.5 - cx) - start;
      if (t < 0.0) t += 2.0 * std::numbers::pi;
      if (t > sweep) return;
    }
    if (Inside(clip, px, py)) pixels[py * pitch + px] = pen;
  });
}

}  // namespace

void Arc(Image& dst, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  ClippedArc(dst, Rect{0, 0, dst.Width(), dst.Height()}, x1, y1, x2, y2, x3, y3, x4, y4);
}

void EllipseIn(Image& dst, const Rect& clip, int x1, int y1, int x2, int y2) {
  const std::int64_t cx0 = std::max(clip.X, 0), cy0 = std::max(clip.Y, 0);
  const std::int64_t cx1 = std::min<std::int64_t>(std::int64_t{clip.X} + clip.W, dst.Width());
  const std::int64_t cy1 = std::min<std::int64_t>(std::int64_t{clip.Y} + clip.H, dst.Height());
  if (cx0 >= cx1 || cy0 >= cy1) return;
  const Rect onSurface{static_cast<int>(cx0), static_cast<int>(cy0), static_cast<int>(cx1 - cx0),
                       static_cast<int>(cy1 - cy0)};
  ClippedArc(dst, onSurface, x1, y1, x2, y2, x1, y1, x1, y1);
}

}  // namespace gfx
