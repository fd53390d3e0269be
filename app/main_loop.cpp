#include "app/main_loop.hpp"

#include <SDL2/SDL.h>

#include <chrono>
#include <exception>

#include "app/tick_schedule.hpp"

namespace app {

std::int64_t NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool IsClientAreaMove(std::int32_t x, std::int32_t y, bool pointerOver, bool buttonHeld) {
  return buttonHeld || (pointerOver && x >= 0 && x < kClientWidth && y >= 0 && y < kClientHeight);
}

template <typename F>
void MainLoop::Guard(F&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowErrorBox(title_, ErrorBoxText(e.what()), window_.BoxParent());
  }
}

void MainLoop::Run() {
  TickSchedule ticks(armedUs_);
  while (!quit_) {
    const std::int64_t now = NowUs();
    if (ticks.Due(now)) {
      Guard([&] {
        form_.Timer1Timer();
        window_.Present(form_.G.BackBuffer);
      });
      if (afterTick && !afterTick(now)) quit_ = true;
      ticks.Ran(NowUs());
      continue;
    }
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, ticks.WaitMs(now)) == 1) Handle(e);
  }
}

void MainLoop::Handle(const SDL_Event& e) {
  switch (e.type) {
    case SDL_QUIT:  // the close button, and SIGINT, SIGTERM or the end of the session
      Guard([&] {
        form_.FormClose();
        quit_ = true;
      });
      break;
    case SDL_KEYDOWN:
      if (e.key.keysym.sym == SDLK_ESCAPE) Guard([&] { quit_ = form_.FormKeyDownEscape(); });
      break;
    case SDL_MOUSEMOTION: {
      const auto [x, y] = window_.PointerInClient();
      if (IsClientAreaMove(x, y, window_.PointerOver(), window_.ButtonHeld()))
        form_.FormMouseMove(x, y);
      break;
    }
    case SDL_MOUSEBUTTONDOWN: {
      const auto [x, y] = window_.PointerInClient();
      form_.FormMouseDown(x, y);
      break;
    }
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED) window_.Reshow();
      break;
    default:
      break;
  }
}

}  // namespace app
