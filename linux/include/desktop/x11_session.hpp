#pragma once
// What the X server knows of the desktop beyond what SDL asks it: the Xft.dpi resource the
// desktop publishes for its scale, and whether a window manager has framed the game's window.
#include <optional>
#include <string>

struct SDL_Window;

namespace desktop {

// An X protocol error is reported on standard error and the program goes on, instead of Xlib's
// default of ending it; for every connection, SDL's and ours. Set before SDL opens its own,
// whose handler hands errors on to this one.
void PassOverXErrors();

// The Xft.dpi entry of the X server's resource database (the RESOURCE_MANAGER property that
// the desktop or xrdb sets), read through Xlib's resource manager; nothing when SDL does not
// run on X11, there is no X server, or the entry is absent.
std::optional<std::string> XftDpiResource();

// Whether the window has been put in a window manager's frame. True when that cannot be told
// (not X11): SDL's own placement of a box over its parent is then left as it is.
bool IsFramed(SDL_Window* window);

}  // namespace desktop
