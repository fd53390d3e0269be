#include "shell/present.hpp"

#include <cstring>

#include "game/state.hpp"

namespace shell {

void ComparePresent(gfx::Image& frame, const Screen& screen, std::vector<gfx::Rect>& changed) {
  changed.clear();
  if (frame.Width() != game::kClientWidth || frame.Height() < game::kClientHeight || !screen.pixels)
    return;
  constexpr gfx::Rect kClient{0, 0, game::kClientWidth, game::kClientHeight};
  const bool whole = screen.fresh || frame.WhollyDamaged();
  // Only the blocks drawn on since the last frame can differ from the screen; of those, only
  // the ones whose pixels did change are copied and put on view.
  const std::vector<gfx::Rect> blocks =
      whole ? std::vector<gfx::Rect>{kClient} : gfx::CoveringBlocks(frame.Damaged(), kClient);
  for (const gfx::Rect& b : blocks) {
    const int x0 = b.X, x1 = b.X + b.W, y0 = b.Y, y1 = b.Y + b.H;
    const std::size_t bytes = static_cast<std::size_t>(x1 - x0) * sizeof(gfx::Rgb);
    bool differs = whole;
    for (int y = y0; y < y1; ++y) {
      const gfx::Rgb* from = frame.Row(y) + x0;
      gfx::Rgb* to = screen.pixels + std::ptrdiff_t{y} * screen.pitch + x0;
      if (differs || std::memcmp(to, from, bytes) != 0) {
        std::memcpy(to, from, bytes);
        differs = true;
      }
    }
    if (differs) changed.push_back({x0, y0, x1 - x0, y1 - y0});
  }
  frame.ClearDamage();
}

}  // namespace shell
