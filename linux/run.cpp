#include "desktop/run.hpp"

#include <SDL2/SDL.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "desktop/main_loop.hpp"
#include "desktop/window.hpp"
#include "desktop/x11_session.hpp"
#include "shell/form.hpp"
#include "shell/sdl_window.hpp"
#include "shell/shell.hpp"

#ifndef FROTHY_FONT_PATH
#error "FROTHY_FONT_PATH must name the game's TrueType face"
#endif

namespace desktop {
namespace {

std::string CurrentDirectory() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) throw std::runtime_error(std::strerror(errno));
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

std::string ProgramPath(const char* argv0) {
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n > 0) return std::string(buffer.data(), static_cast<std::size_t>(n));
  return argv0 ? argv0 : "frothy";
}

// The error texts are UTF-8, Japanese among them. The X message box draws them with the font
// set of the locale it takes from the environment when it opens, so under a locale that is not
// UTF-8 they would come out as blanks: such a session's environment gets LC_ALL=C.UTF-8. The
// game itself stays in the C locale, because Xlib stores a window title set under a UTF-8
// locale as WM_NAME of a type named "UTF-8", which window managers and tools cannot read.
void GiveTheErrorBoxAUtf8Locale() {
  const bool utf8 =
      std::setlocale(LC_ALL, "") != nullptr && std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
  if (!utf8 && std::setlocale(LC_ALL, "C.UTF-8") != nullptr) ::setenv("LC_ALL", "C.UTF-8", 1);
  std::setlocale(LC_ALL, "C");
}

}  // namespace

int Run(const char* argv0, std::function<bool(std::int64_t)> afterTick) {
  GiveTheErrorBoxAUtf8Locale();
  const std::string title = shell::ApplicationTitle(ProgramPath(argv0));
  // Every press in the client area is a click, the one that brings the window to the front
  // included: SDL would drop a press that it takes within 10 ms of the window's gaining focus.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  CatchSessionSignals();
  PassOverXErrors();
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    ShowErrorBox(title, shell::ErrorBoxText(SDL_GetError()), nullptr);
    return 1;
  }
  int status = 0;
  try {
    const std::string cwd = CurrentDirectory();
    DesktopPlatform platform(shell::DataDirFor(cwd), FROTHY_FONT_PATH);
    shell::Shell shell(platform, title);
    // Before the window and before the record is read: a second game in this folder reports
    // and ends without having touched a file. The lock is held until Run returns.
    if (shell.LockFolder(shell::kAlreadyRunning) != shell::Shell::Start::Running) {
      SDL_Quit();
      return 1;
    }
    // The frame timer is armed as the window is made, before start-up runs.
    const std::int64_t armed = platform.NowUs();
    shell::SdlWindow window("FROTHY!", DesktopScale());
    SetIcon(window.Handle());
    platform.Attach(window);
    switch (shell.StartUp(armed, shell::UtcMsSinceMidnight(), cwd)) {
      case shell::Shell::Start::Running: {
        window.Show();
        platform.WindowShown();
        RunMainLoop(platform, shell, std::move(afterTick));
        if (shell.SessionSaveFailed()) status = 1;
        break;
      }
      case shell::Shell::Start::AlreadyRunning:
      case shell::Shell::Start::Failed:
        status = 1;
        break;
    }
  } catch (const std::exception& e) {
    // No window could be made, or the folder could not be read.
    ShowErrorBox(title, shell::ErrorBoxText(e.what()), nullptr);
    status = 1;
  }
  SDL_Quit();
  return status;
}

}  // namespace desktop
