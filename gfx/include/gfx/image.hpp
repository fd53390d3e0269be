#pragma once
// Images for the software raster: an owning width x height array of 0xRRGGBB pixels, row-major
// with pitch == width, origin top-left, y downward. Each image carries the drawing state of its
// own surface (pen, brush, font, copy mode), which persists between drawing calls.
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace gfx {

// 0xRRGGBB; the top byte is always zero.
using Rgb = std::uint32_t;
inline constexpr Rgb kWhite = 0xFFFFFF;
inline constexpr Rgb kBlack = 0x000000;
inline constexpr Rgb kGrey = 0x808080;

// Bitwise raster operations, with the codes of the classic ternary raster operations.
enum class Rop : std::uint32_t {
  SRCCOPY = 0xCC0020,   // destination := source
  SRCAND = 0x8800C6,    // destination := source AND destination
  SRCPAINT = 0xEE0086,  // destination := source OR destination
};
inline constexpr Rop SRCCOPY = Rop::SRCCOPY;
inline constexpr Rop SRCAND = Rop::SRCAND;
inline constexpr Rop SRCPAINT = Rop::SRCPAINT;

struct PenState {
  Rgb Color = kBlack;  // outlines: rectangle borders, arcs; always one pixel wide
};
struct BrushState {
  Rgb Color = kWhite;  // rectangle interiors and the opaque background of text
};
struct FontState {
  Rgb Color = kBlack;
  int Height = 0;  // character cell height in pixels (ascent + descent); 0 until set
};

// A block of pixels: top-left corner and size.
struct Rect {
  int X, Y, W, H;
};

// Whether (x, y) is one of the rectangle's pixels.
constexpr bool Inside(const Rect& r, std::int64_t x, std::int64_t y) {
  return r.X <= x && x < std::int64_t{r.X} + r.W && r.Y <= y && y < std::int64_t{r.Y} + r.H;
}

// A failure of the platform under the raster (file, bitmap or font), with a readable message.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The blocks to show for a list of damaged ones: each clipped to `bounds`, and any two merged
// into their bounding block when that covers no more pixels than the two do apart (a bubble's
// old and new outlines, say). Every pixel of the input within `bounds` is covered.
std::vector<Rect> CoveringBlocks(const std::vector<Rect>& blocks, const Rect& bounds);

class Image {
 public:
  // An absent image: 0 x 0, nothing to draw.
  Image() = default;
  // A new image: every pixel white, the surface in its initial state.
  Image(int width, int height);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return pixels_.empty(); }

  Rgb* Row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  const Rgb* Row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  Rgb At(int x, int y) const { return Row(y)[x]; }
  std::vector<Rgb>& Pixels() { return pixels_; }
  const std::vector<Rgb>& Pixels() const { return pixels_; }

  PenState Pen;
  BrushState Brush;
  FontState Font;
  Rop CopyMode = SRCCOPY;  // how images drawn onto this surface combine with it

  // Damage: the blocks that may have changed since whoever shows the image last took them, so
  // that only those are compared and put on screen. Every drawing operation records the block
  // it writes, clipped to the image; code that writes through Row() or Pixels() records its
  // own. A new image, more than kMaxDamage blocks or DamageAll() make the whole image count.
  static constexpr std::size_t kMaxDamage = 256;
  void Damage(int x0, int y0, int x1, int y1);  // columns x0 .. x1-1, rows y0 .. y1-1
  void DamageAll();
  bool WhollyDamaged() const { return wholly_; }
  const std::vector<Rect>& Damaged() const { return damage_; }
  void ClearDamage();

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<Rgb> pixels_;
  bool wholly_ = true;
  std::vector<Rect> damage_;
};

}  // namespace gfx
