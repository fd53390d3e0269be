#pragma once
// The error box on X11, drawn with Xlib on a connection of its own. SDL's box waits for its OK
// button alone, so a session that ended meanwhile (logout, a closed terminal) left the game and
// its box behind; this one also ends when the session does.
#include <string>

struct SDL_Window;

namespace desktop {

// Shows the modal box (the message, one OK button) centred over `parent`, or over the screen
// when `parent` is null, and returns when the player closes it (OK, Return, Escape, the window
// manager's close) or as soon as a session signal has come (desktop::SessionEnding). Returns false,
// having shown nothing, where it cannot be shown: SDL does not run on X11, there is no display,
// or no font for the session's locale.
bool ShowX11ErrorBox(const std::string& title, const std::string& message, SDL_Window* parent);

}  // namespace desktop
