#include "app/scale.hpp"

#include <charconv>
#include <cmath>
#include <cstring>

namespace app {
namespace {

constexpr int kClientWidth = 600;
constexpr int kClientHeight = 399;
constexpr int kMaxScale = 8;

// Whatever the locale's decimal mark, a scale is written with a point ("1.5").
std::optional<double> Number(const char* text) {
  if (!text || !*text) return std::nullopt;
  const char* end = text + std::strlen(text);
  double v = 0;
  const auto [stop, err] = std::from_chars(text, end, v);
  if (err != std::errc{} || stop != end || !std::isfinite(v) || v <= 0) return std::nullopt;
  return v;
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
  } else if (auto qt = Number(hints.qtScaleFactor)) {
    wanted = *qt;
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

}  // namespace app
