#pragma once
// Whole-number scaling of the 600 x 399 client area on screens the desktop scales. Every
// drawing and hit box stays in client pixels; only the window and the pointer are scaled.
#include <cstdint>
#include <optional>
#include <utility>

namespace app {

struct ScaleHints {
  const char* gdkScale = nullptr;         // GDK_SCALE: the desktop's integer scale for X11 apps
  const char* qtScaleFactor = nullptr;    // QT_SCALE_FACTOR
  std::optional<float> displayDpi;        // what SDL reports for the display, if anything
  int usableWidth = 0, usableHeight = 0;  // the display's usable area, 0 when unknown
};

// The nearest whole-number scale the desktop asks for, 1 when it asks for none, and never so
// large that the window would not fit on the display.
int ChooseScale(const ScaleHints& hints);

// A window pixel at `scale` back to the client pixel it shows (floor division, so a pointer
// left of or above the window stays negative).
std::pair<std::int32_t, std::int32_t> ToClient(std::int32_t x, std::int32_t y, int scale);

}  // namespace app
