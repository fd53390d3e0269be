// The yardstick for the game loop's cost: a bare SDL window of the game's size that uploads and
// presents a changing 600 x 400 frame on the same 25 ms schedule, and does nothing else.
//   bare_window [seconds]
#include <SDL2/SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/main_loop.hpp"
#include "app/tick_schedule.hpp"

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "bare_window: %s\n", SDL_GetError());
    return 1;
  }
  SDL_Window* window =
      SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 600, 399, 0);
  SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, 0) : nullptr;
  SDL_Texture* texture = renderer ? SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGB888,
                                                      SDL_TEXTUREACCESS_STREAMING, 600, 400)
                                  : nullptr;
  if (!texture) {
    std::fprintf(stderr, "bare_window: %s\n", SDL_GetError());
    return 1;
  }
  std::vector<std::uint32_t> frame(600 * 400);
  const std::int64_t end = app::NowUs() + static_cast<std::int64_t>(seconds * 1e6);
  app::TickSchedule ticks(app::NowUs());
  std::uint32_t n = 0;
  while (app::NowUs() < end) {
    const std::int64_t now = app::NowUs();
    if (ticks.Due(now)) {
      ++n;
      frame[(n * 7919) % frame.size()] = n;  // a different frame every tick
      SDL_UpdateTexture(texture, nullptr, frame.data(), 600 * 4);
      const SDL_Rect visible{0, 0, 600, 399};
      SDL_RenderClear(renderer);
      SDL_RenderCopy(renderer, texture, &visible, nullptr);
      SDL_RenderPresent(renderer);
      ticks.Ran(app::NowUs());
      continue;
    }
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, ticks.WaitMs(now)) == 1 && e.type == SDL_QUIT) break;
  }
  std::printf("bare_window: %u frames\n", n);
  SDL_DestroyTexture(texture);
  SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}
