#pragma once
// The event loop: input events and 25 ms frame steps handled one at a time on the one thread,
// with no busy waiting. Errors raised in a handler end that handler and are reported.
#include <cstdint>
#include <functional>
#include <string>

#include "app/form.hpp"
#include "app/window.hpp"

namespace app {

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

// Whether one of them has come. An error box that is up ends when it turns true, and the loop
// then saves and ends.
bool SessionEnding();
// A descriptor that turns readable when one has come, whichever thread it came to, for a wait
// in poll; -1 when none could be made.
int SessionEndingFd();

class MainLoop {
 public:
  // The frame timer counts from `armedUs`, when the window was made: a start-up that takes
  // longer than a period has its first frame step as soon as the loop runs.
  MainLoop(Window& window, TForm1& form, std::string title, std::int64_t armedUs)
      : window_(window), form_(form), title_(std::move(title)), armedUs_(armedUs) {}

  // Runs until the program is asked to end (Escape on the title, a close request, the end of
  // the session).
  void Run();

  // The session is ending (SIGTERM at logout, SIGHUP from a closed terminal, SIGINT, or a lost
  // display connection): the save is tried once and the loop ends whatever its result, since
  // nobody is left to answer a box. The window's own close keeps a failed save's game open.
  void EndSession();
  bool SessionSaveFailed() const { return sessionSaveFailed_; }

  // For measuring tools: called after every frame step with the time it started; returning
  // false ends the loop.
  std::function<bool(std::int64_t startUs)> afterTick;

 private:
  template <typename F>
  void Guard(F&& handler);
  void Handle(const SDL_Event& e);

  Window& window_;
  TForm1& form_;
  std::string title_;
  std::int64_t armedUs_;
  bool quit_ = false;
  bool sessionSaveFailed_ = false;
};

}  // namespace app
