#include "gfx/image.hpp"

namespace gfx {

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
