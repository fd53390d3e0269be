#pragma once
// What the X server knows of the desktop beyond what SDL asks it: the Xft.dpi resource the
// desktop publishes for its scale, and whether a window manager has framed the game's window.
#include <optional>
#include <string>

struct SDL_Window;

namespace desktop {

// The Xft.dpi entry of the X server's resource database (the RESOURCE_MANAGER property that
// the desktop or xrdb sets), read through Xlib's resource manager; nothing when SDL does not
// run on X11, there is no X server, or the entry is absent.
std::optional<std::string> XftDpiResource();

// Whether the window has been put in a window manager's frame. True when that cannot be told
// (not X11): SDL's own placement of a box over its parent is then left as it is.
bool IsFramed(SDL_Window* window);

}  // namespace desktop
