#include <SDL2/SDL.h>

#include "shell/scale.hpp"

namespace shell {

ScaleHints DisplayHints() {
  ScaleHints hints;
  hints.displayName = SDL_GetDisplayName(0);
  float dpi = 0;
  if (SDL_GetDisplayDPI(0, &dpi, nullptr, nullptr) == 0) hints.displayDpi = dpi;
  SDL_Rect usable{};
  if (SDL_GetDisplayUsableBounds(0, &usable) == 0) {
    hints.usableWidth = usable.w;
    hints.usableHeight = usable.h;
  }
  return hints;
}

}  // namespace shell
