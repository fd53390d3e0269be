#include "desktop/main_loop.hpp"

#include <SDL2/SDL.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <utility>

namespace desktop {

std::int64_t NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool IsClientAreaMove(std::int32_t x, std::int32_t y, bool pointerOver, bool buttonHeld) {
  return buttonHeld || (pointerOver && x >= 0 && x < kClientWidth && y >= 0 && y < kClientHeight);
}

namespace {

volatile std::sig_atomic_t g_sessionEnding = 0;
shell::Shell* g_running = nullptr;

extern "C" void OnSessionSignal(int /*signal*/) {
  g_sessionEnding = 1;
}

// The display's library ends the process with exit() when its connection is lost; the loop
// never sees an event about it. The save runs here instead, once.
void SaveOnExitDuringTheLoop() {
  if (shell::Shell* shell = std::exchange(g_running, nullptr)) shell->EndSession();
}

}  // namespace

void CatchSessionSignals() {
  struct sigaction action {};
  action.sa_handler = OnSessionSignal;
  sigemptyset(&action.sa_mask);
  for (const int sig : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(sig, &action, nullptr);
}

void DesktopPlatform::ShowError(const std::string& title, const std::string& text) {
  ShowErrorBox(title, text, shown_ && window_ ? window_->BoxParent() : nullptr);
}

void MainLoop::Run() {
  static const bool registered = std::atexit(SaveOnExitDuringTheLoop) == 0;
  (void)registered;
  g_running = &shell_;
  while (!shell_.Ended() && !stop_) {
    if (g_sessionEnding) {
      g_running = nullptr;
      shell_.EndSession();
      break;
    }
    const std::int64_t now = NowUs();
    if (shell_.TickDue(now)) {
      shell_.Tick();
      if (afterTick && !afterTick(now)) stop_ = true;
      continue;
    }
    SDL_Event e;
    if (SDL_WaitEventTimeout(&e, shell_.WaitMs(now)) == 1) Handle(e);
  }
  g_running = nullptr;
}

void MainLoop::Handle(const SDL_Event& e) {
  switch (e.type) {
    case SDL_QUIT:  // the window's close request
      shell_.Close();
      break;
    case SDL_KEYDOWN:
      if (e.key.keysym.sym == SDLK_ESCAPE) shell_.Escape();
      break;
    case SDL_MOUSEMOTION: {
      const auto [x, y] = window_.PointerInClient();
      if (IsClientAreaMove(x, y, window_.PointerOver(), window_.ButtonHeld()))
        shell_.MouseMove(x, y);
      break;
    }
    case SDL_MOUSEBUTTONDOWN: {
      const auto [x, y] = window_.PointerInClient();
      shell_.MouseDown(x, y);
      break;
    }
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED) window_.Reshow();
      break;
    default:
      break;
  }
}

}  // namespace desktop
