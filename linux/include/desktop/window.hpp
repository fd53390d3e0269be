#pragma once
// The one main window: a fixed 600 x 399 client area, centred, not resizable, captioned
// "FROTHY!". It shows the top 399 rows of a 600 x 400 frame.
#include <SDL2/SDL.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "game/state.hpp"
#include "gfx/image.hpp"
#include "sdl_owned.hpp"
#include "shell/platform.hpp"

namespace desktop {

using game::kClientHeight;
using game::kClientWidth;

class Window {
 public:
  // Created hidden, `scale` window pixels to a client pixel; throws std::runtime_error with
  // SDL's text when there is no display.
  Window(const std::string& caption, int scale);
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  void Show();
  SDL_Window* Handle() const { return window_.get(); }

  // Shows the frame in the window's surface: of the blocks the frame's damage names, those whose
  // pixels differ from the screen's are copied and updated. Takes the frame's damage.
  void Present(gfx::Image& frame);
  // The two halves of Present, for the shell: where the shown pixels are kept, and putting the
  // blocks that changed there on screen.
  shell::Screen BeginPresent();
  void ShowBlocks(const std::vector<gfx::Rect>& blocks);

  // Puts the frame last presented back on screen (after the window was uncovered or restored).
  // Before the first frame there is nothing to put back.
  void Reshow();

  // The pointer's current position in client pixels, wherever it is (not clamped).
  std::pair<std::int32_t, std::int32_t> PointerInClient() const;
  // Whether any mouse button is down, in the same pointer state.
  bool ButtonHeld() const;
  // The parent for an error box over the game: this window once a window manager has framed
  // it, else none. SDL places a box over an unframed parent at twice the parent's offset, off
  // the game window; a box without a parent is centred on the screen, as the game window is.
  SDL_Window* BoxParent() const;

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

// The scale the desktop asks for, from the environment and what SDL knows of the display.
int DesktopScale();

// The modal error box (error kind, OK button). Falls back to standard error when no box can be
// shown. `parent` may be null.
void ShowErrorBox(const std::string& title, const std::string& message, SDL_Window* parent);

}  // namespace desktop
