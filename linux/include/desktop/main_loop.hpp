#pragma once
// The event loop: the game's SDL loop (shell/sdl_window.hpp) with the desktop's pointer rule and
// its session signals; and the desktop as the shell sees it.
#include <cstdint>
#include <functional>
#include <string>

#include "posix/file_layer.hpp"
#include "shell/sdl_window.hpp"

namespace desktop {

// Whether a pointer move reaches FormMouseMove. SDL reports the pointer leaving the window as a
// move to the nearest edge pixel, after which the pointer is no longer over the window; with no
// button held that is not a move in the client area, so the last position inside stays (and
// with it a hover light). A drag, button held, has the pointer captured and reports every
// position, outside ones included.
bool IsClientAreaMove(std::int32_t x, std::int32_t y, bool pointerOver, bool buttonHeld);

// Turns SIGTERM, SIGHUP and SIGINT into the end of the session that the loop handles between
// events; SDL's own handlers, which made them a close request, must be off.
void CatchSessionSignals();

// Whether one of them has come. An error box that is up ends when it turns true, and the loop
// then saves and ends.
bool SessionEnding();
// A descriptor that turns readable when one has come, whichever thread it came to, for a wait
// in poll; -1 when none could be made.
int SessionEndingFd();

// The desktop as the shell sees it: the window, the play folder on disk and the X error box.
class DesktopPlatform final : public shell::SdlPlatform {
 public:
  DesktopPlatform(const std::string& dataDir, std::string fontPath)
      : SdlPlatform(std::move(fontPath)), files_(dataDir) {}

  shell::FileLayer& Files() override { return files_; }
  // Over the game window once it is on screen, else centred on the screen.
  void ShowError(const std::string& title, const std::string& text) override;

 private:
  store::PosixFileLayer files_;
};

// Runs the game in the platform's window until it ends (Escape on the title, a close request,
// the end of the session). `afterTick`, for measuring tools, is called after every frame step
// with the time it started; returning false ends the loop.
void RunMainLoop(DesktopPlatform& platform, shell::Shell& shell,
                 std::function<bool(std::int64_t startUs)> afterTick = {});

}  // namespace desktop
