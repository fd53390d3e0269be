#pragma once
// What the Linux desktop adds to the game's SDL window (shell/sdl_window.hpp): the scale the
// desktop asks for, the icon, and the error box.
#include <SDL2/SDL.h>

#include <string>

namespace desktop {

// The scale the desktop asks for, from the environment and what SDL knows of the display.
int DesktopScale();

// Gives the window the game's icon (shell/icon.hpp).
void SetIcon(SDL_Window* window);

// The parent for an error box over the game: `window` once a window manager has framed it, else
// none. SDL places a box over an unframed parent at twice the parent's offset, off the game
// window; a box without a parent is centred on the screen, as the game window is.
SDL_Window* BoxParent(SDL_Window* window);

// The modal error box (error kind, OK button). Falls back to standard error when no box can be
// shown. `parent` may be null.
void ShowErrorBox(const std::string& title, const std::string& message, SDL_Window* parent);

}  // namespace desktop
