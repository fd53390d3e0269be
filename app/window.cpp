#include "app/window.hpp"

#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "app/icon.hpp"
#include "app/scale.hpp"
#include "app/x11_session.hpp"

namespace app {

int DesktopScale() {
  ScaleHints hints;
  hints.gdkScale = std::getenv("GDK_SCALE");
  hints.qtScaleFactor = std::getenv("QT_SCALE_FACTOR");
  hints.qtScreenScaleFactors = std::getenv("QT_SCREEN_SCALE_FACTORS");
  const std::optional<std::string> xftDpi = XftDpiResource();
  if (xftDpi) hints.xftDpi = xftDpi->c_str();
  hints.displayName = SDL_GetDisplayName(0);
  float ddpi = 0;
  if (SDL_GetDisplayDPI(0, &ddpi, nullptr, nullptr) == 0) hints.displayDpi = ddpi;
  SDL_Rect usable{};
  if (SDL_GetDisplayUsableBounds(0, &usable) == 0) {
    hints.usableWidth = usable.w;
    hints.usableHeight = usable.h;
  }
  return ChooseScale(hints);
}

Window::Window(const std::string& caption, int scale) : scale_(scale < 1 ? 1 : scale) {
  // Scaled pixels stay sharp squares.
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  window_.reset(SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                 kClientWidth * scale_, kClientHeight * scale_, SDL_WINDOW_HIDDEN));
  if (!window_) throw std::runtime_error(SDL_GetError());
  renderer_.reset(SDL_CreateRenderer(window_.get(), -1, 0));
  if (!renderer_) throw std::runtime_error(SDL_GetError());
  texture_.reset(SDL_CreateTexture(renderer_.get(), SDL_PIXELFORMAT_RGB888,
                                   SDL_TEXTUREACCESS_STREAMING, kClientWidth, kClientHeight + 1));
  if (!texture_) throw std::runtime_error(SDL_GetError());
  const sdl::Owned<SDL_Surface, SDL_FreeSurface> icon(
      SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint32_t*>(kIconPixels), kIconSize,
                                         kIconSize, 32, kIconSize * 4, SDL_PIXELFORMAT_ARGB8888));
  if (icon) SDL_SetWindowIcon(window_.get(), icon.get());
}

void Window::Show() {
  SDL_ShowWindow(window_.get());
}

void Window::Present(const gfx::Image& frame) {
  if (frame.Width() != kClientWidth || frame.Height() < kClientHeight) return;
  const auto& pixels = frame.Pixels();
  // An unchanged frame costs a compare instead of an upload and a swap.
  if (shown_ == pixels) return;
  shown_ = pixels;
  SDL_UpdateTexture(texture_.get(), nullptr, pixels.data(), kClientWidth * 4);
  Reshow();
}

void Window::Reshow() {
  if (shown_.empty()) return;
  const SDL_Rect visible{0, 0, kClientWidth, kClientHeight};  // the last row never shows
  SDL_RenderClear(renderer_.get());
  SDL_RenderCopy(renderer_.get(), texture_.get(), &visible, nullptr);
  SDL_RenderPresent(renderer_.get());
}

std::pair<std::int32_t, std::int32_t> Window::PointerInClient() const {
  // SDL's own pointer state is where the pointer is as of every event it has taken from the
  // window system so far, newer than the event being handled; while a button is held the
  // window captures the pointer and the position goes on beyond the client area.
  int x = 0, y = 0;
  SDL_GetMouseState(&x, &y);
  return ToClient(x, y, scale_);
}

bool Window::ButtonHeld() const {
  return SDL_GetMouseState(nullptr, nullptr) != 0;
}

SDL_Window* Window::BoxParent() const {
  return IsFramed(window_.get()) ? window_.get() : nullptr;
}

bool Window::PointerOver() const {
  return SDL_GetMouseFocus() == window_.get();
}

void ShowErrorBox(const std::string& title, const std::string& message, SDL_Window* parent) {
  if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), message.c_str(), parent) != 0)
    std::fprintf(stderr, "%s: %s\n", title.c_str(), message.c_str());
}

}  // namespace app
