#pragma once
// The event loop: input events and 25 ms frame steps handled one at a time on the one thread,
// with no busy waiting, all of them through the portable shell.
#include <cstdint>
#include <functional>
#include <string>

#include "desktop/window.hpp"
#include "posix/file_layer.hpp"
#include "shell/shell.hpp"

namespace desktop {

// Microseconds of the monotonic clock the loop schedules by.
std::int64_t NowUs();

// Whether a pointer move reaches FormMouseMove. SDL reports the pointer leaving the window as a
// move to the nearest edge pixel, after which the pointer is no longer over the window; with no
// button held that is not a move in the client area, so the last position inside stays (and
// with it a hover light). A drag, button held, has the pointer captured and reports every
// position, outside ones included.
bool IsClientAreaMove(std::int32_t x, std::int32_t y, bool pointerOver, bool buttonHeld);

// Turns SIGTERM, SIGHUP and SIGINT into the end of the session that the loop handles between
// events; SDL's own handlers, which made them a close request, must be off.
void CatchSessionSignals();

// The desktop as the shell sees it: the window, the play folder on disk and the X error box.
class DesktopPlatform final : public shell::Platform {
 public:
  DesktopPlatform(const std::string& dataDir, std::string fontPath)
      : files_(dataDir), fontPath_(std::move(fontPath)) {}
  // The window comes after the play folder's lock.
  void Attach(Window& window) { window_ = &window; }

  std::int64_t NowUs() override { return desktop::NowUs(); }
  shell::FileLayer& Files() override { return files_; }
  std::string FontPath() override { return fontPath_; }
  shell::Screen BeginPresent() override { return window_->BeginPresent(); }
  void ShowBlocks(const std::vector<gfx::Rect>& blocks) override { window_->ShowBlocks(blocks); }
  // Over the game window once it is on screen, else centred on the screen.
  void ShowError(const std::string& title, const std::string& text) override;
  void WindowShown() { shown_ = true; }

 private:
  Window* window_ = nullptr;
  store::PosixFileLayer files_;
  std::string fontPath_;
  bool shown_ = false;
};

class MainLoop {
 public:
  MainLoop(Window& window, shell::Shell& shell) : window_(window), shell_(shell) {}

  // Runs until the game ends (Escape on the title, a close request, the end of the session).
  void Run();

  // For measuring tools: called after every frame step with the time it started; returning
  // false ends the loop.
  std::function<bool(std::int64_t startUs)> afterTick;

 private:
  void Handle(const SDL_Event& e);

  Window& window_;
  shell::Shell& shell_;
  bool stop_ = false;
};

}  // namespace desktop
