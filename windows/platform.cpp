#include "win/platform.hpp"

#include <SDL2/SDL_syswm.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "shell/form.hpp"
#include "shell/scale.hpp"
#include "win/play_folder.hpp"
#include "win/utf16.hpp"

#ifndef FROTHY_FONT_FILE
#error "FROTHY_FONT_FILE must name the text face shipped beside the program"
#endif

namespace win {
namespace {

constexpr const char* kAlreadyRunning = "FROTHY! is already running in this folder";

std::string ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  DWORD n = 0;
  while ((n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) >=
         path.size())
    path.resize(path.size() * 2);
  path.resize(n);
  return Utf8(path);
}

}  // namespace

int MonitorScale() {
  return shell::ChooseScale(shell::DisplayHints());
}

Window::Window(const std::string& caption, int scale) : scale_(std::max(scale, 1)) {
  // Frames go to the window's own surface (a DIB section that GDI copies from), not to a
  // texture: nothing in the game needs a GPU.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // Not resizable: a fixed border, the system menu and the minimise button, no maximise.
  window_.reset(SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                 game::kClientWidth * scale_, game::kClientHeight * scale_,
                                 SDL_WINDOW_HIDDEN));
  if (!window_) throw std::runtime_error(SDL_GetError());
}

WindowHandle Window::Handle() const {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  return SDL_GetWindowWMInfo(window_.get(), &info) ? info.info.win.window : nullptr;
}

shell::Screen Window::BeginPresent() {
  SDL_Surface* surface = SDL_GetWindowSurface(window_.get());
  if (!surface) throw std::runtime_error(SDL_GetError());
  bool fresh = surface != surface_;
  surface_ = surface;
  direct_ = scale_ == 1 && surface->format->format == SDL_PIXELFORMAT_RGB888 &&
            surface->w >= game::kClientWidth && surface->h >= game::kClientHeight;
  if (direct_)
    return {static_cast<gfx::Rgb*>(surface->pixels), surface->pitch / std::ptrdiff_t{4}, fresh};
  const std::size_t size = static_cast<std::size_t>(game::kClientWidth) * game::kClientHeight;
  if (shown_.size() != size) {
    shown_.assign(size, 0);
    fresh = true;
  }
  return {shown_.data(), game::kClientWidth, fresh};
}

void Window::ShowBlocks(const std::vector<gfx::Rect>& blocks) {
  if (!surface_) return;
  rects_.clear();
  const int s = scale_;
  for (const gfx::Rect& r : blocks) {
    if (!direct_) {
      // Each client pixel becomes an s x s square of the surface, in the surface's format.
      std::vector<gfx::Rgb> row(static_cast<std::size_t>(r.W) * s);
      for (int y = r.Y; y < r.Y + r.H; ++y) {
        const gfx::Rgb* from = shown_.data() + static_cast<std::size_t>(y) * game::kClientWidth;
        for (int x = 0; x < r.W; ++x)
          std::fill_n(row.begin() + static_cast<std::ptrdiff_t>(x) * s, s, from[r.X + x]);
        for (int k = 0; k < s; ++k) {
          auto* to = static_cast<std::uint8_t*>(surface_->pixels) +
                     static_cast<std::ptrdiff_t>(y * s + k) * surface_->pitch +
                     static_cast<std::ptrdiff_t>(r.X) * s * surface_->format->BytesPerPixel;
          SDL_ConvertPixels(r.W * s, 1, SDL_PIXELFORMAT_RGB888, row.data(), r.W * s * 4,
                            surface_->format->format, to, surface_->pitch);
        }
      }
    }
    rects_.push_back({r.X * s, r.Y * s, r.W * s, r.H * s});
  }
  if (!rects_.empty())
    SDL_UpdateWindowSurfaceRects(window_.get(), rects_.data(), static_cast<int>(rects_.size()));
}

std::pair<std::int32_t, std::int32_t> Window::PointerInClient(bool& inside) const {
  POINT screen{};
  ::GetCursorPos(&screen);
  POINT p = screen;
  RECT client{};
  const auto hwnd = static_cast<HWND>(Handle());
  if (hwnd) {
    ::ScreenToClient(hwnd, &p);
    ::GetClientRect(hwnd, &client);
  }
  inside = hwnd && ::PtInRect(&client, p) && ::WindowFromPoint(screen) == hwnd;
  return shell::ToClient(p.x, p.y, scale_);
}

void ShowErrorBox(const std::string& title, const std::string& text, WindowHandle owner) {
  ::MessageBoxW(static_cast<HWND>(owner), Wide(text).c_str(), Wide(title).c_str(),
                MB_OK | MB_ICONSTOP);
}

void WinPlatform::ShowError(const std::string& title, const std::string& text) {
  ShowErrorBox(title, text, shown_ && window_ ? window_->Handle() : nullptr);
}

namespace {

shell::Shell* g_shell = nullptr;
WNDPROC g_sdlProc = nullptr;

// Logging off or shutting down: Windows sends this to the window (it never reaches SDL's event
// queue) and ends the process once it has been handled, so the record is saved now, once,
// whatever its result.
LRESULT CALLBACK SessionEndingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ENDSESSION && wParam && g_shell) std::exchange(g_shell, nullptr)->EndSession();
  return ::CallWindowProcW(g_sdlProc, hwnd, message, wParam, lParam);
}

void HandleEvent(const SDL_Event& e, Window& window, shell::Shell& shell) {
  switch (e.type) {
    case SDL_QUIT:  // the close box, the system menu's Close, Alt+F4
      shell.Close();
      break;
    case SDL_KEYDOWN:
      if (e.key.keysym.sym == SDLK_ESCAPE) shell.Escape();
      break;
    case SDL_MOUSEMOTION: {
      // Moves in the client area, and every move of a drag (the window has captured the
      // pointer); the move SDL reports as the pointer leaves is neither, and the last position
      // inside stays.
      bool inside = false;
      const auto [x, y] = window.PointerInClient(inside);
      if (inside || SDL_GetMouseState(nullptr, nullptr) != 0) shell.MouseMove(x, y);
      break;
    }
    case SDL_MOUSEBUTTONDOWN: {
      bool inside = false;
      const auto [x, y] = window.PointerInClient(inside);
      shell.MouseDown(x, y);
      break;
    }
    case SDL_WINDOWEVENT:
      // The surface still holds the frame: put it back on the uncovered window.
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED)
        SDL_UpdateWindowSurface(SDL_GetWindowFromID(e.window.windowID));
      break;
    default:
      break;
  }
}

}  // namespace

int Run() {
  SDL_SetMainReady();
  // The title is the program's file name: the shell's rule knows no backslashes.
  const std::string program = ProgramPath();
  const std::string title =
      shell::ApplicationTitle(program.substr(program.find_last_of("\\/") + 1));
  // The window's icon is the program's own (resource 1).
  SDL_SetHint(SDL_HINT_WINDOWS_INTRESOURCE_ICON, "1");
  SDL_SetHint(SDL_HINT_WINDOWS_INTRESOURCE_ICON_SMALL, "1");
  // Every press in the client area is a click, the one that activates the window included.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    ShowErrorBox(title, shell::ErrorBoxText(SDL_GetError()), nullptr);
    return 1;
  }
  int status = 0;
  try {
    const std::string programDir = ProgramFolder();
    const PlayFolder folder = ChoosePlayFolder(programDir);
    if (folder.made)
      ::MessageBoxW(nullptr,
                    Wide("The folder " + programDir + " cannot be written, so FROTHY! plays in " +
                         folder.dir + ": your times are kept there.")
                        .c_str(),
                    Wide(title).c_str(), MB_OK | MB_ICONINFORMATION);
    WinPlatform platform(folder.dir, programDir + FROTHY_FONT_FILE);
    shell::Shell shell(platform, title);
    // Before the window and before the record is read: a second game in this folder reports
    // and ends without having touched a file.
    if (shell.LockFolder(kAlreadyRunning) != shell::Shell::Start::Running) {
      SDL_Quit();
      return 1;
    }
    const std::int64_t armed = platform.NowUs();
    Window window("FROTHY!", MonitorScale());
    platform.Attach(window);
    // The shell reads every file through the layer; DataDir is the play folder without its
    // backslash, which the shell gives its own separator.
    std::string dir = folder.dir;
    dir.pop_back();
    if (shell.StartUp(armed, shell::UtcMsSinceMidnight(), dir) == shell::Shell::Start::Running) {
      window.Show();
      platform.WindowShown();
      g_shell = &shell;
      const auto hwnd = static_cast<HWND>(window.Handle());
      if (hwnd)
        g_sdlProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
            hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SessionEndingProc)));
      while (!shell.Ended()) {
        const std::int64_t now = platform.NowUs();
        if (shell.TickDue(now)) {
          shell.Tick();
          continue;
        }
        SDL_Event e;
        if (SDL_WaitEventTimeout(&e, shell.WaitMs(now)) == 1) HandleEvent(e, window, shell);
      }
      if (g_sdlProc) ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_sdlProc));
      g_shell = nullptr;
      if (shell.SessionSaveFailed()) status = 1;
    } else {
      status = 1;
    }
  } catch (const std::exception& e) {
    ShowErrorBox(title, shell::ErrorBoxText(e.what()), nullptr);
    status = 1;
  }
  SDL_Quit();
  return status;
}

}  // namespace win
