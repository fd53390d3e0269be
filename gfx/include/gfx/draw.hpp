#pragma once
// The four drawing operations of a surface. All coordinates are pixels of the destination;
// everything outside the destination is clipped silently, and negative positions are fine.
#include <string_view>

#include "gfx/image.hpp"
#include "gfx/text.hpp"

namespace gfx {

// Puts the whole of `src` with its top-left corner at (x, y), pixel for pixel, combining each
// pixel with the destination by dst.CopyMode.
void DrawImage(Image& dst, int x, int y, const Image& src);

// The classic Rectangle: a one-pixel border in Pen.Color around an interior in Brush.Color,
// together covering columns x1 .. x2-1 and rows y1 .. y2-1 (right and bottom edges excluded).
void FillRect(Image& dst, int x1, int y1, int x2, int y2);

// One line of text with the top-left corner of its first cell at (x, y): glyphs in Font.Color,
// the cells' background (text width x cell height) opaque in Brush.Color.
void TextOut(Image& dst, TextRasterizer& text, int x, int y, std::string_view utf8);

// The one-pixel outline, in Pen.Color, of the ellipse inscribed in the box from (x1, y1) to
// (x2, y2) (columns x1 .. x2-1, rows y1 .. y2-1), counter-clockwise from the ray through
// (x3, y3) to the ray through (x4, y4), both from the box's centre. When both points lie on
// one ray the whole ellipse is drawn. The interior is not touched.
void Arc(Image& dst, int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);

// The same whole outline as Arc with both rays at (x1, y1), with every pixel outside `clip`
// left alone: drawn again in the ground's colour, it takes away exactly what Arc drew there.
void EllipseIn(Image& dst, const Rect& clip, int x1, int y1, int x2, int y2);

// Cell height used when a surface's Font.Height was never set.
inline constexpr int kDefaultFontHeight = 12;

}  // namespace gfx
