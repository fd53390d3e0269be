#include "shell/sdl_window.hpp"

#include <algorithm>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "game/state.hpp"
#include "shell/present.hpp"
#include "shell/scale.hpp"

namespace shell {

using game::kClientHeight;
using game::kClientWidth;

SdlWindow::SdlWindow(const std::string& caption, int scale) : scale_(std::max(scale, 1)) {
  // Frames go to the window's own surface, not to a texture: on X11 shared memory the server
  // copies from, on Windows a DIB section that GDI copies from, a fraction of the cost of a
  // texture drawn by software OpenGL where there is no GPU. (Set before the first surface is
  // asked for; SDL decides once.)
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // Not resizable: a fixed border, the system menu and the minimise button, no maximise.
  window_.reset(SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                 kClientWidth * scale_, kClientHeight * scale_, SDL_WINDOW_HIDDEN));
  if (!window_) throw std::runtime_error(SDL_GetError());
}

Screen SdlWindow::BeginPresent() {
  SDL_Surface* surface = SDL_GetWindowSurface(window_.get());
  if (!surface) throw std::runtime_error(SDL_GetError());
  // What is on screen is compared in the surface itself when it holds the client pixels one to
  // one (scale 1, the frame's own format): no copy of the frame to keep, and a third less
  // memory touched per frame. Otherwise a copy at client size is kept, and put scaled.
  inSurface_ = scale_ == 1 && surface->format->format == SDL_PIXELFORMAT_RGB888 &&
               surface->w >= kClientWidth && surface->h >= kClientHeight;
  bool fresh = surface != surface_;
  surface_ = surface;
  if (inSurface_)
    return {static_cast<gfx::Rgb*>(surface->pixels), surface->pitch / std::ptrdiff_t{4}, fresh};
  const std::size_t visible = static_cast<std::size_t>(kClientWidth) * kClientHeight;
  if (shown_.size() != visible) {
    shown_.assign(visible, 0);
    fresh = true;
  }
  return {shown_.data(), kClientWidth, fresh};
}

void SdlWindow::ShowBlocks(const std::vector<gfx::Rect>& blocks) {
  if (!surface_) return;
  updates_.clear();
  for (const gfx::Rect& r : blocks) {
    if (!inSurface_) Put(*surface_, r);
    updates_.push_back({r.X * scale_, r.Y * scale_, r.W * scale_, r.H * scale_});
  }
  if (!updates_.empty())
    SDL_UpdateWindowSurfaceRects(window_.get(), updates_.data(), static_cast<int>(updates_.size()));
}

void SdlWindow::Present(gfx::Image& frame) {
  ComparePresent(frame, BeginPresent(), blocks_);
  ShowBlocks(blocks_);
}

void SdlWindow::Reshow() {
  if (!surface_) return;  // nothing presented yet
  SDL_Surface* surface = SDL_GetWindowSurface(window_.get());
  if (!surface) throw std::runtime_error(SDL_GetError());
  if (surface != surface_) {
    // A new surface holds nothing yet: the next frame is shown whole.
    surface_ = nullptr;
    return;
  }
  if (!shown_.empty()) Put(*surface, {0, 0, kClientWidth, kClientHeight});
  SDL_UpdateWindowSurface(window_.get());
}

void SdlWindow::Put(SDL_Surface& surface, const gfx::Rect& r) {
  // Each client pixel becomes a scale x scale block; one scaled row is made, then repeated.
  const int s = scale_;
  const int w = r.W * s;
  if (surface.w < (r.X + r.W) * s || surface.h < (r.Y + r.H) * s) return;
  const bool direct = surface.format->format == SDL_PIXELFORMAT_RGB888;
  row_.resize(static_cast<std::size_t>(w));
  auto* base = static_cast<std::uint8_t*>(surface.pixels);
  for (int y = r.Y; y < r.Y + r.H; ++y) {
    const gfx::Rgb* src = shown_.data() + static_cast<std::size_t>(y) * kClientWidth + r.X;
    std::uint8_t* first = base + static_cast<std::ptrdiff_t>(y) * s * surface.pitch +
                          static_cast<std::ptrdiff_t>(r.X) * s * surface.format->BytesPerPixel;
    const gfx::Rgb* scaled = src;
    if (s > 1) {
      for (int x = 0; x < r.W; ++x)
        std::fill_n(row_.data() + static_cast<std::ptrdiff_t>(x) * s, s, src[x]);
      scaled = row_.data();
    }
    for (int k = 0; k < s; ++k) {
      std::uint8_t* dst = first + static_cast<std::ptrdiff_t>(k) * surface.pitch;
      if (direct) {
        std::memcpy(dst, scaled, static_cast<std::size_t>(w) * sizeof(gfx::Rgb));
      } else {
        SDL_ConvertPixels(w, 1, SDL_PIXELFORMAT_RGB888, scaled, w * 4, surface.format->format, dst,
                          surface.pitch);
      }
    }
  }
}

std::pair<std::int32_t, std::int32_t> SdlWindow::PointerInClient() const {
  // SDL's own pointer state is where the pointer is as of every event it has taken from the
  // window system so far, newer than the event being handled; while a button is held the
  // window captures the pointer and the position goes on beyond the client area.
  int x = 0, y = 0;
  SDL_GetMouseState(&x, &y);
  return ToClient(x, y, scale_);
}

bool SdlWindow::ButtonHeld() const {
  return SDL_GetMouseState(nullptr, nullptr) != 0;
}

bool SdlWindow::PointerOver() const {
  return SDL_GetMouseFocus() == window_.get();
}

namespace {

void Handle(const SDL_Event& e, SdlWindow& window, Shell& shell, const SdlLoopHooks& hooks) {
  switch (e.type) {
    case SDL_QUIT:  // the window's close request: its close box, the window menu's Close
      shell.Close();
      break;
    case SDL_KEYDOWN:
      if (e.key.keysym.sym == SDLK_ESCAPE) shell.Escape();
      break;
    case SDL_MOUSEMOTION: {
      const PointerState p = hooks.pointer();
      if (p.clientAreaMove) shell.MouseMove(p.x, p.y);
      break;
    }
    case SDL_MOUSEBUTTONDOWN: {
      const PointerState p = hooks.pointer();
      shell.MouseDown(p.x, p.y);
      break;
    }
    case SDL_WINDOWEVENT:
      // A window that cannot be shown again now is shown by the next tick's present, which
      // reports what is wrong; the loop goes on.
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
        try {
          window.Reshow();
        } catch (const std::exception&) {
        }
      }
      break;
    default:
      break;
  }
}

}  // namespace

void RunSdlLoop(SdlPlatform& platform, Shell& shell, const SdlLoopHooks& hooks) {
  while (!shell.Ended()) {
    if (hooks.sessionEnding && hooks.sessionEnding()) {
      shell.EndSession();
      return;
    }
    const std::int64_t now = platform.NowUs();
    if (shell.TickDue(now)) {
      shell.Tick();
      if (hooks.afterTick && !hooks.afterTick(now)) return;
      continue;
    }
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, shell.WaitMs(now)) == 1)
      Handle(e, platform.Window(), shell, hooks);
  }
}

}  // namespace shell
