#include "gfx/image.hpp"

#include <algorithm>
#include <cstdint>

namespace gfx {
namespace {

std::int64_t Area(const Rect& r) {
  return std::int64_t{r.W} * r.H;
}

Rect Union(const Rect& a, const Rect& b) {
  const int x0 = std::min(a.X, b.X), y0 = std::min(a.Y, b.Y);
  const int x1 = std::max(a.X + a.W, b.X + b.W), y1 = std::max(a.Y + a.H, b.Y + b.H);
  return {x0, y0, x1 - x0, y1 - y0};
}

}  // namespace

std::vector<Rect> CoveringBlocks(const std::vector<Rect>& blocks, const Rect& bounds) {
  std::vector<Rect> out;
  out.reserve(blocks.size());  // one allocation a frame, not one per doubling
  for (const Rect& r : blocks) {
    const std::int64_t x0 = std::max<std::int64_t>(r.X, bounds.X);
    const std::int64_t y0 = std::max<std::int64_t>(r.Y, bounds.Y);
    const std::int64_t x1 = std::min(std::int64_t{r.X} + r.W, std::int64_t{bounds.X} + bounds.W);
    const std::int64_t y1 = std::min(std::int64_t{r.Y} + r.H, std::int64_t{bounds.Y} + bounds.H);
    if (x0 >= x1 || y0 >= y1) continue;
    Rect b{static_cast<int>(x0), static_cast<int>(y0), static_cast<int>(x1 - x0),
           static_cast<int>(y1 - y0)};
    // A grown block may now merge with one it passed before: look again until none merges.
    for (bool merged = true; merged;) {
      merged = false;
      for (std::size_t k = 0; k < out.size(); ++k) {
        const Rect u = Union(out[k], b);
        if (Area(u) <= Area(out[k]) + Area(b)) {
          b = u;
          out.erase(out.begin() + static_cast<std::ptrdiff_t>(k));
          merged = true;
          break;
        }
      }
    }
    out.push_back(b);
  }
  return out;
}

Image::Image(int width, int height)
    : width_(width > 0 && height > 0 ? width : 0),
      height_(width > 0 && height > 0 ? height : 0),
      pixels_(static_cast<std::size_t>(width_) * height_, kWhite) {}

void Image::Damage(int x0, int y0, int x1, int y1) {
  if (wholly_ || x0 >= x1 || y0 >= y1) return;
  if (damage_.size() >= kMaxDamage) {
    DamageAll();
    return;
  }
  damage_.push_back({x0, y0, x1 - x0, y1 - y0});
}

void Image::DamageAll() {
  wholly_ = true;
  damage_.clear();
}

void Image::ClearDamage() {
  wholly_ = false;
  damage_.clear();
}

}  // namespace gfx
