#include "win/platform.hpp"

#include <SDL2/SDL_syswm.h>
#include <windows.h>

#include <cstdint>
#include <exception>
#include <string>
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

std::string ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  DWORD n = 0;
  while ((n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) >=
         path.size())
    path.resize(path.size() * 2);
  path.resize(n);
  return Utf8(path);
}

HWND Hwnd(const shell::SdlWindow& window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  return SDL_GetWindowWMInfo(window.Handle(), &info) ? info.info.win.window : nullptr;
}

// The pointer where it is now, in client pixels (not clamped), as GetCursorPos and
// ScreenToClient tell it. Moves in the client area count, and every move of a drag (the window
// has captured the pointer); the move SDL reports as the pointer leaves is neither, and the
// last position inside stays.
shell::PointerState Pointer(const shell::SdlWindow& window) {
  POINT screen{};
  ::GetCursorPos(&screen);
  POINT p = screen;
  RECT client{};
  const HWND hwnd = Hwnd(window);
  if (hwnd) {
    ::ScreenToClient(hwnd, &p);
    ::GetClientRect(hwnd, &client);
  }
  const bool inside = hwnd && ::PtInRect(&client, p) && ::WindowFromPoint(screen) == hwnd;
  const auto [x, y] = shell::ToClient(p.x, p.y, window.Scale());
  return {x, y, inside || window.ButtonHeld()};
}

}  // namespace

int MonitorScale() {
  return shell::ChooseScale(shell::DisplayHints());
}

void ShowErrorBox(const std::string& title, const std::string& text, WindowHandle owner) {
  ::MessageBoxW(static_cast<HWND>(owner), Wide(text).c_str(), Wide(title).c_str(),
                MB_OK | MB_ICONSTOP);
}

void WinPlatform::ShowError(const std::string& title, const std::string& text) {
  ShowErrorBox(title, text, ShownWindow() ? Hwnd(*ShownWindow()) : nullptr);
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
    if (shell.LockFolder(shell::kAlreadyRunning) != shell::Shell::Start::Running) {
      SDL_Quit();
      return 1;
    }
    const std::int64_t armed = platform.NowUs();
    shell::SdlWindow window("FROTHY!", MonitorScale());
    platform.Attach(window);
    // The shell reads every file through the layer; DataDir is the play folder without its
    // backslash, which the shell gives its own separator.
    std::string dir = folder.dir;
    dir.pop_back();
    if (shell.StartUp(armed, shell::UtcMsSinceMidnight(), dir) == shell::Shell::Start::Running) {
      window.Show();
      platform.WindowShown();
      g_shell = &shell;
      const HWND hwnd = Hwnd(window);
      if (hwnd)
        g_sdlProc = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
            hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SessionEndingProc)));
      shell::SdlLoopHooks hooks;
      hooks.pointer = [&window] { return Pointer(window); };
      shell::RunSdlLoop(platform, shell, hooks);
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
