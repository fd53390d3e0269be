#pragma once
// The game on Windows: the game's SDL window (shell/sdl_window.hpp) with the system menu and the
// minimise button only, the pointer as Windows tells it, Windows' own message box; and the play
// folder on disk. The shell does the rest.
#include <string>
#include <utility>

#include "shell/sdl_window.hpp"
#include "win/file_layer.hpp"

namespace win {

// A window handle (HWND), kept apart from <windows.h>, whose GDI names are the raster's own.
using WindowHandle = void*;

// The scale the monitor asks for: its DPI / 96, by the shell's whole-number rule.
int MonitorScale();

class WinPlatform final : public shell::SdlPlatform {
 public:
  WinPlatform(const std::string& dataDir, std::string fontPath)
      : SdlPlatform(std::move(fontPath)), files_(dataDir) {}

  shell::FileLayer& Files() override { return files_; }
  void ShowError(const std::string& title, const std::string& text) override;

 private:
  WinFileLayer files_;
};

// The modal message box, MB_ICONSTOP and OK, over `owner` (may be null).
void ShowErrorBox(const std::string& title, const std::string& text, WindowHandle owner);

// The program: returns its exit status.
int Run();

}  // namespace win
