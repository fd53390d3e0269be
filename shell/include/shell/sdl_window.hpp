#pragma once
// The game in an SDL window, as the desktops have it (the Linux desktop, Windows; the browser
// has a canvas instead): the one main window with a fixed 600 x 399 client area times a
// whole-number scale, centred, not resizable, captioned "FROTHY!", showing the top 399 rows of
// the 600 x 400 frame in its own surface; and the loop that feeds SDL's events to the shell
// between its 25 ms frame steps. A platform adds what differs: how it reads the pointer, what
// ends its session, its icon and its error box.
#include <SDL2/SDL.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gfx/image.hpp"
#include "sdl_owned.hpp"
#include "shell/platform.hpp"
#include "shell/shell.hpp"

namespace shell {

// What a second game started in the same play folder reports.
inline constexpr const char* kAlreadyRunning = "FROTHY! is already running in this folder";

class SdlWindow {
 public:
  // Created hidden, `scale` window pixels to a client pixel; throws std::runtime_error with
  // SDL's text when there is no display.
  SdlWindow(const std::string& caption, int scale);
  SdlWindow(const SdlWindow&) = delete;
  SdlWindow& operator=(const SdlWindow&) = delete;

  void Show() { SDL_ShowWindow(window_.get()); }
  SDL_Window* Handle() const { return window_.get(); }
  int Scale() const { return scale_; }

  // Shows the frame in the window's surface: of the blocks the frame's damage names, those whose
  // pixels differ from the screen's are copied and updated. Takes the frame's damage.
  void Present(gfx::Image& frame);
  // The two halves of Present, for the shell: where the shown pixels are kept, and putting the
  // blocks that changed there on screen.
  Screen BeginPresent();
  void ShowBlocks(const std::vector<gfx::Rect>& blocks);

  // Puts the frame last presented back on screen (after the window was uncovered or restored).
  // Before the first frame there is nothing to put back.
  void Reshow();

  // The pointer's current position in client pixels as SDL knows it, wherever it is (not
  // clamped).
  std::pair<std::int32_t, std::int32_t> PointerInClient() const;
  // Whether any mouse button is down, in the same pointer state.
  bool ButtonHeld() const;
  // Whether the pointer is over this window (it has not left it).
  bool PointerOver() const;

 private:
  // Copies the block `r` (client pixels) of shown_ into the surface, scaled.
  void Put(SDL_Surface& surface, const gfx::Rect& r);

  sdl::Owned<SDL_Window, SDL_DestroyWindow> window_;  // owns its surface too
  int scale_ = 1;
  SDL_Surface* surface_ = nullptr;  // the surface last shown into (the window's), none yet
  std::vector<gfx::Rgb> shown_;     // the frame on screen, when the surface cannot hold it 1:1
  std::vector<gfx::Rgb> row_;       // one scaled row
  std::vector<SDL_Rect> updates_;
  std::vector<gfx::Rect> blocks_;
  bool inSurface_ = false;  // the surface itself holds the shown pixels
};

// A platform whose client area is an SdlWindow. The window is attached once it is made, after
// the play folder's lock.
class SdlPlatform : public Platform {
 public:
  explicit SdlPlatform(std::string fontPath) : fontPath_(std::move(fontPath)) {}
  std::string FontPath() override { return fontPath_; }

  void Attach(SdlWindow& window) { window_ = &window; }
  // The window is on screen: error boxes go over it from now on.
  void WindowShown() { shown_ = true; }
  SdlWindow& Window() const { return *window_; }

  Screen BeginPresent() override { return window_->BeginPresent(); }
  void ShowBlocks(const std::vector<gfx::Rect>& blocks) override { window_->ShowBlocks(blocks); }

 protected:
  // The window once it is on screen, else none.
  SdlWindow* ShownWindow() const { return shown_ ? window_ : nullptr; }

 private:
  std::string fontPath_;
  SdlWindow* window_ = nullptr;
  bool shown_ = false;
};

// Where the pointer is for an event, as the platform reads it.
struct PointerState {
  std::int32_t x = 0, y = 0;    // client pixels, not clamped
  bool clientAreaMove = false;  // a move reported now reaches MouseMove
};

// What the loop asks the platform; only `pointer` is needed.
struct SdlLoopHooks {
  std::function<PointerState()> pointer;
  // Asked before each turn: true when the session is ending. The loop then ends it
  // (Shell::EndSession) and returns.
  std::function<bool()> sessionEnding;
  // For measuring tools: called after every frame step with the time it started; returning
  // false ends the loop without a save.
  std::function<bool(std::int64_t startUs)> afterTick;
};

// Runs the game in the platform's window until it ends (Escape on the title, a close request,
// the end of the session): input events and 25 ms frame steps handled one at a time on the one
// thread, on the platform's clock, with no busy waiting.
void RunSdlLoop(SdlPlatform& platform, Shell& shell, const SdlLoopHooks& hooks);

}  // namespace shell
