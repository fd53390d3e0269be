#include "app/run.hpp"

#include <SDL2/SDL.h>
#include <langinfo.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <chrono>
#include <clocale>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/form.hpp"
#include "app/tick_schedule.hpp"
#include "app/window.hpp"
#include "store/record.hpp"

#ifndef FROTHY_FONT_PATH
#error "FROTHY_FONT_PATH must name the game's TrueType face"
#endif

namespace app {
namespace {

std::int64_t NowUs() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::uint32_t UtcMsSinceMidnight() {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::system_clock::now().time_since_epoch())
                      .count();
  return static_cast<std::uint32_t>(ms % 86'400'000);
}

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

class Session {
 public:
  Session(Window& window, TForm1& form, std::string title)
      : window_(window), form_(form), title_(std::move(title)) {}

  // Errors raised in a handler end that handler and are reported; the program goes on.
  template <typename F>
  void Guard(F&& handler) {
    try {
      handler();
    } catch (const std::exception& e) {
      ShowErrorBox(title_, ErrorBoxText(e.what()), window_.Handle());
    }
  }

  void Loop() {
    TickSchedule ticks(NowUs());
    while (!quit_) {
      if (ticks.Due(NowUs())) {
        Guard([&] {
          form_.Timer1Timer();
          window_.Present(form_.G.BackBuffer);
        });
        ticks.Ran(NowUs());
        continue;
      }
      SDL_Event e;
      if (SDL_WaitEventTimeout(&e, ticks.WaitMs(NowUs())) == 1) Handle(e);
    }
  }

 private:
  void Handle(const SDL_Event& e) {
    switch (e.type) {
      case SDL_QUIT:  // the close button, and SIGINT, SIGTERM or the end of the session
        Guard([&] {
          form_.FormClose();
          quit_ = true;
        });
        break;
      case SDL_KEYDOWN:
        if (e.key.keysym.sym == SDLK_ESCAPE) Guard([&] { quit_ = form_.FormKeyDownEscape(); });
        break;
      case SDL_MOUSEMOTION: {
        const auto [x, y] = window_.PointerInClient();
        form_.FormMouseMove(x, y);
        break;
      }
      case SDL_MOUSEBUTTONDOWN: {
        const auto [x, y] = window_.PointerInClient();
        form_.FormMouseDown(x, y);
        break;
      }
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED) window_.Reshow();
        break;
      default:
        break;
    }
  }

  Window& window_;
  TForm1& form_;
  std::string title_;
  bool quit_ = false;
};

// The error texts are UTF-8, Japanese among them, and the X message box draws them with the
// font set of the locale it finds in the environment: under a plain C locale they would come out
// as blanks. Such a session gets the C.UTF-8 locale instead.
void UseUtf8Locale() {
  std::setlocale(LC_ALL, "");
  if (std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0) return;
  if (std::setlocale(LC_ALL, "C.UTF-8") != nullptr) ::setenv("LC_ALL", "C.UTF-8", 1);
}

}  // namespace

int Run(const char* argv0) {
  UseUtf8Locale();
  const std::string title = ApplicationTitle(ProgramPath(argv0));
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    ShowErrorBox(title, ErrorBoxText(SDL_GetError()), nullptr);
    return 1;
  }
  int status = 0;
  try {
    Window window("FROTHY!");
    TForm1 form(FROTHY_FONT_PATH);
    try {
      form.FormCreate(UtcMsSinceMidnight(), CurrentDirectory());
    } catch (const store::IoError& e) {
      // The record file is read last: everything the frame step needs is there, so play on
      // with the fresh table.
      ShowErrorBox(title, ErrorBoxText(e.what()), nullptr);
    }
    window.Show();
    Session session(window, form, title);
    session.Loop();
  } catch (const std::exception& e) {
    // A start-up step before the record file failed: the frame step would draw with images
    // that were never made, so the program ends after the report.
    ShowErrorBox(title, ErrorBoxText(e.what()), nullptr);
    status = 1;
  }
  SDL_Quit();
  return status;
}

}  // namespace app
