#include "shell/scale.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <locale>
#include <sstream>
#include <string>
#include <string_view>

#include "game/state.hpp"

namespace shell {
namespace {

using game::kClientHeight;
using game::kClientWidth;
constexpr int kMaxScale = 8;

// Whatever the locale's decimal mark, a scale is written with a point ("1.5"). Blanks around
// it are allowed; anything else makes it unreadable.
std::optional<double> Number(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  // A stream in the classic locale rather than from_chars: the browser build's library has no
  // floating-point from_chars.
  std::istringstream in{std::string(text)};
  in.imbue(std::locale::classic());
  double v = 0;
  in >> std::noskipws >> v;
  if (in.fail() || in.peek() != std::char_traits<char>::eof() || !std::isfinite(v) || v <= 0)
    return std::nullopt;
  return v;
}

std::optional<double> Number(const char* text) {
  if (!text) return std::nullopt;
  return Number(std::string_view(text));
}

// The entry of QT_SCREEN_SCALE_FACTORS named like the display, else its first readable entry
// (Qt's first screen, the one the window opens on).
std::optional<double> ScreenFactor(const char* list, const char* displayName) {
  if (!list) return std::nullopt;
  std::optional<double> first;
  std::string_view rest(list);
  while (!rest.empty()) {
    const auto semicolon = rest.find(';');
    const std::string_view entry = rest.substr(0, semicolon);
    rest = semicolon == std::string_view::npos ? std::string_view{} : rest.substr(semicolon + 1);
    const auto equals = entry.find('=');
    const std::string_view name =
        equals == std::string_view::npos ? std::string_view{} : entry.substr(0, equals);
    const auto factor = Number(equals == std::string_view::npos ? entry : entry.substr(equals + 1));
    if (!factor) continue;
    if (displayName && !name.empty() && name == displayName) return factor;
    if (!first) first = factor;
  }
  return first;
}

std::int32_t FloorDiv(std::int32_t v, int d) {
  const std::int32_t q = v / d;
  return (v % d != 0 && v < 0) ? q - 1 : q;
}

}  // namespace

int ChooseScale(const ScaleHints& hints) {
  double wanted = 1.0;
  if (auto gdk = Number(hints.gdkScale)) {
    wanted = *gdk;
  } else if (const auto qt = Number(hints.qtScaleFactor),
             screen = ScreenFactor(hints.qtScreenScaleFactors, hints.displayName);
             qt || screen) {
    wanted = qt.value_or(1.0) * screen.value_or(1.0);
  } else if (auto xft = Number(hints.xftDpi)) {
    wanted = *xft / 96.0;
  } else if (hints.displayDpi && *hints.displayDpi > 0) {
    wanted = *hints.displayDpi / 96.0;
  }
  int scale = static_cast<int>(std::lround(std::min<double>(wanted, kMaxScale)));
  if (scale < 1) scale = 1;
  while (scale > 1 && hints.usableWidth > 0 &&
         (kClientWidth * scale > hints.usableWidth || kClientHeight * scale > hints.usableHeight))
    --scale;
  return scale;
}

std::pair<std::int32_t, std::int32_t> ToClient(std::int32_t x, std::int32_t y, int scale) {
  if (scale <= 1) return {x, y};
  return {FloorDiv(x, scale), FloorDiv(y, scale)};
}

}  // namespace shell
