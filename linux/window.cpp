#include "desktop/window.hpp"

#include <SDL2/SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "desktop/x11_box.hpp"
#include "desktop/x11_session.hpp"
#include "sdl_owned.hpp"
#include "shell/icon.hpp"
#include "shell/scale.hpp"

namespace desktop {

int DesktopScale() {
  shell::ScaleHints hints = shell::DisplayHints();
  hints.gdkScale = std::getenv("GDK_SCALE");
  hints.qtScaleFactor = std::getenv("QT_SCALE_FACTOR");
  hints.qtScreenScaleFactors = std::getenv("QT_SCREEN_SCALE_FACTORS");
  const std::optional<std::string> xftDpi = XftDpiResource();
  if (xftDpi) hints.xftDpi = xftDpi->c_str();
  return shell::ChooseScale(hints);
}

void SetIcon(SDL_Window* window) {
  const sdl::Owned<SDL_Surface, SDL_FreeSurface> icon(SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<std::uint32_t*>(shell::kIconPixels), shell::kIconSize, shell::kIconSize, 32,
      shell::kIconSize * 4, SDL_PIXELFORMAT_ARGB8888));
  if (icon) SDL_SetWindowIcon(window, icon.get());
}

SDL_Window* BoxParent(SDL_Window* window) {
  return window && IsFramed(window) ? window : nullptr;
}

void ShowErrorBox(const std::string& title, const std::string& message, SDL_Window* parent) {
  // On X11 the box of our own, which also ends with the session; SDL's elsewhere.
  if (ShowX11ErrorBox(title, message, parent)) return;
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), message.c_str(), parent) != 0)
    std::fprintf(stderr, "%s: %s\n", title.c_str(), message.c_str());
}

}  // namespace desktop
