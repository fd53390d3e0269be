#include "desktop/main_loop.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <utility>

#include "desktop/window.hpp"
#include "game/state.hpp"

namespace desktop {

bool IsClientAreaMove(std::int32_t x, std::int32_t y, bool pointerOver, bool buttonHeld) {
  return buttonHeld ||
         (pointerOver && x >= 0 && x < game::kClientWidth && y >= 0 && y < game::kClientHeight);
}

namespace {

volatile std::sig_atomic_t g_sessionEnding = 0;
shell::Shell* g_running = nullptr;
// A pipe that a session signal writes a byte into: a wait in poll on its other end wakes up
// whichever thread the signal was delivered to (a sound thread may take it).
int g_wakeRead = -1;
int g_wakeWrite = -1;

extern "C" void OnSessionSignal(int /*signal*/) {
  g_sessionEnding = 1;
  const int saved = errno;
  if (g_wakeWrite >= 0) (void)!::write(g_wakeWrite, "!", 1);
  errno = saved;
}

// The display's library ends the process with exit() when its connection is lost; the loop
// never sees an event about it. The save runs here instead, once.
void SaveOnExitDuringTheLoop() {
  if (shell::Shell* shell = std::exchange(g_running, nullptr)) shell->EndSession();
}

}  // namespace

void CatchSessionSignals() {
  int wake[2];
  if (g_wakeRead < 0 && ::pipe2(wake, O_CLOEXEC | O_NONBLOCK) == 0) {
    g_wakeRead = wake[0];
    g_wakeWrite = wake[1];
  }
  struct sigaction action {};
  action.sa_handler = OnSessionSignal;
  sigemptyset(&action.sa_mask);
  for (const int sig : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(sig, &action, nullptr);
}

bool SessionEnding() {
  return g_sessionEnding != 0;
}

int SessionEndingFd() {
  return g_wakeRead;
}

void DesktopPlatform::ShowError(const std::string& title, const std::string& text) {
  ShowErrorBox(title, text, ShownWindow() ? BoxParent(ShownWindow()->Handle()) : nullptr);
}

void RunMainLoop(DesktopPlatform& platform, shell::Shell& shell,
                 std::function<bool(std::int64_t startUs)> afterTick) {
  static const bool registered = std::atexit(SaveOnExitDuringTheLoop) == 0;
  (void)registered;
  g_running = &shell;
  const shell::SdlWindow& window = platform.Window();
  const auto pointer = [&window] {
    const auto [x, y] = window.PointerInClient();
    return shell::PointerState{x, y,
                               IsClientAreaMove(x, y, window.PointerOver(), window.ButtonHeld())};
  };
  const auto sessionEnding = [] {
    if (!g_sessionEnding) return false;
    g_running = nullptr;  // the loop saves, once
    return true;
  };
  shell::RunSdlLoop(platform, shell, {pointer, sessionEnding, std::move(afterTick)});
  g_running = nullptr;
}

}  // namespace desktop
