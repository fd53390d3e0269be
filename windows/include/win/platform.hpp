#pragma once
// The game on Windows: one SDL window with a fixed client area of 600 x 399 pixels times a
// whole-number scale, captioned "FROTHY!", centred, with the system menu and the minimise
// button only; Windows' own message box; and the play folder on disk. The shell does the rest.
#include <SDL2/SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "sdl_owned.hpp"
#include "shell/platform.hpp"
#include "shell/shell.hpp"
#include "win/file_layer.hpp"

namespace win {

// A window handle (HWND), kept apart from <windows.h>, whose GDI names are the raster's own.
using WindowHandle = void*;

class Window {
 public:
  // Made hidden; throws std::runtime_error with SDL's text.
  Window(const std::string& caption, int scale);
  void Show() { SDL_ShowWindow(window_.get()); }
  WindowHandle Handle() const;

  shell::Screen BeginPresent();
  void ShowBlocks(const std::vector<gfx::Rect>& blocks);
  // The pointer where it is now, in client pixels (not clamped), as GetCursorPos and
  // ScreenToClient tell it; and whether it is over the client area.
  std::pair<std::int32_t, std::int32_t> PointerInClient(bool& inside) const;

 private:
  sdl::Owned<SDL_Window, SDL_DestroyWindow> window_;
  int scale_;
  SDL_Surface* surface_ = nullptr;
  bool direct_ = false;          // the surface holds client pixels one to one
  std::vector<gfx::Rgb> shown_;  // otherwise the client pixels on view, scaled into the surface
  std::vector<SDL_Rect> rects_;
};

// The scale the monitor asks for: its DPI / 96, by the shell's whole-number rule.
int MonitorScale();

class WinPlatform final : public shell::Platform {
 public:
  WinPlatform(const std::string& dataDir, std::string fontPath)
      : files_(dataDir), fontPath_(std::move(fontPath)) {}
  void Attach(Window& window) { window_ = &window; }
  void WindowShown() { shown_ = true; }

  shell::FileLayer& Files() override { return files_; }
  std::string FontPath() override { return fontPath_; }
  shell::Screen BeginPresent() override { return window_->BeginPresent(); }
  void ShowBlocks(const std::vector<gfx::Rect>& blocks) override { window_->ShowBlocks(blocks); }
  void ShowError(const std::string& title, const std::string& text) override;

 private:
  WinFileLayer files_;
  std::string fontPath_;
  Window* window_ = nullptr;
  bool shown_ = false;
};

// The modal message box, MB_ICONSTOP and OK, over `owner` (may be null).
void ShowErrorBox(const std::string& title, const std::string& text, WindowHandle owner);

// The program: returns its exit status.
int Run();

}  // namespace win
