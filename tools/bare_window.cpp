// The yardstick for the game loop's cost: a bare SDL window of the game's size that puts a
// changing 600 x 399 frame on screen on the same 25 ms schedule, and does nothing else, through
// the window's own surface, as the game does (the default), or through SDL's renderer with a
// streaming texture.
//   bare_window [seconds] [surface|renderer]
#include <SDL2/SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "sdl_owned.hpp"
#include "shell/platform.hpp"
#include "shell/tick_schedule.hpp"

namespace {

// The tick loop both paths share: a changing 600 x 400 frame handed to `show` on the 25 ms grid
// for `seconds`. `show` returns false when it cannot go on.
template <typename Show>
int RunTicks(double seconds, Show show) {
  std::vector<std::uint32_t> frame(std::size_t{600} * 400);
  const std::int64_t end = shell::SteadyNowUs() + static_cast<std::int64_t>(seconds * 1e6);
  shell::TickSchedule ticks(shell::SteadyNowUs());
  std::uint32_t n = 0;
  while (shell::SteadyNowUs() < end) {
    const std::int64_t now = shell::SteadyNowUs();
    if (ticks.Due(now)) {
      ++n;
      frame[(std::size_t{n} * 7919) % frame.size()] = n;  // a different frame every tick
      if (!show(frame)) return 1;
      ticks.Ran(shell::SteadyNowUs());
      continue;
    }
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, ticks.WaitMs(now)) == 1 && e.type == SDL_QUIT) break;
  }
  std::printf("bare_window: %u frames\n", n);
  return 0;
}

int PresentBySurface(double seconds) {
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");  // as the game's window
  const sdl::Owned<SDL_Window, SDL_DestroyWindow> window(
      SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 600, 399, 0));
  if (!window) {
    std::fprintf(stderr, "bare_window: %s\n", SDL_GetError());
    return 1;
  }
  return RunTicks(seconds, [&](const std::vector<std::uint32_t>& frame) {
    SDL_Surface* s = SDL_GetWindowSurface(window.get());
    if (!s) return false;
    for (int y = 0; y < 399; ++y)
      std::memcpy(static_cast<std::uint8_t*>(s->pixels) + std::ptrdiff_t{y} * s->pitch,
                  &frame[std::size_t{600} * y], 2400);
    SDL_UpdateWindowSurface(window.get());
    return true;
  });
}

int Present(double seconds) {
  const sdl::Owned<SDL_Window, SDL_DestroyWindow> window(
      SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 600, 399, 0));
  const sdl::Owned<SDL_Renderer, SDL_DestroyRenderer> renderer(
      window ? SDL_CreateRenderer(window.get(), -1, 0) : nullptr);
  const sdl::Owned<SDL_Texture, SDL_DestroyTexture> texture(
      renderer ? SDL_CreateTexture(renderer.get(), SDL_PIXELFORMAT_RGB888,
                                   SDL_TEXTUREACCESS_STREAMING, 600, 400)
               : nullptr);
  if (!texture) {
    std::fprintf(stderr, "bare_window: %s\n", SDL_GetError());
    return 1;
  }
  return RunTicks(seconds, [&](const std::vector<std::uint32_t>& frame) {
    SDL_UpdateTexture(texture.get(), nullptr, frame.data(), 600 * 4);
    const SDL_Rect visible{0, 0, 600, 399};
    SDL_RenderClear(renderer.get());
    SDL_RenderCopy(renderer.get(), texture.get(), &visible, nullptr);
    SDL_RenderPresent(renderer.get());
    return true;
  });
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "bare_window: %s\n", SDL_GetError());
    return 1;
  }
  const bool surface = argc <= 2 || std::strcmp(argv[2], "renderer") != 0;
  const int status = surface ? PresentBySurface(seconds) : Present(seconds);
  SDL_Quit();
  return status;
}
