#pragma once
// Whole-number scaling of the 600 x 399 client area on screens the desktop scales. Every
// drawing and hit box stays in client pixels; only the window and the pointer are scaled.
#include <cstdint>
#include <optional>
#include <utility>

namespace shell {

struct ScaleHints {
  const char* gdkScale = nullptr;         // GDK_SCALE: the desktop's integer scale for X11 apps
  const char* qtScaleFactor = nullptr;    // QT_SCALE_FACTOR
  std::optional<float> displayDpi;        // what SDL reports for the display, if anything
  int usableWidth = 0, usableHeight = 0;  // the display's usable area, 0 when unknown
  // QT_SCREEN_SCALE_FACTORS (KDE): "2", "2;1" by screen, or "eDP-1=2;HDMI-1=1" by name
  const char* qtScreenScaleFactors = nullptr;
  const char* xftDpi = nullptr;       // the Xft.dpi X resource (GNOME, Xfce, Cinnamon, KDE)
  const char* displayName = nullptr;  // the display's name, to pick its QT_SCREEN_SCALE_FACTORS
};

// The nearest whole-number scale the desktop asks for, 1 when it asks for none, and never so
// large that the window would not fit on the display. Asked, in this order: GDK_SCALE; Qt's
// QT_SCALE_FACTOR times the display's QT_SCREEN_SCALE_FACTORS entry; Xft.dpi / 96; the
// display's own density / 96.
int ChooseScale(const ScaleHints& hints);

// What SDL (its video part started) knows of the first display: its name, its density and its
// usable area. A platform adds what its desktop says on top.
ScaleHints DisplayHints();

// A window pixel at `scale` back to the client pixel it shows (floor division, so a pointer
// left of or above the window stays negative).
std::pair<std::int32_t, std::int32_t> ToClient(std::int32_t x, std::int32_t y, int scale);

}  // namespace shell
