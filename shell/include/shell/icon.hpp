#pragma once
// The window icon, 32 x 32 pixels 0xAARRGGBB, drawn by tools/make_art at build time.
#include <cstdint>

namespace shell {
inline constexpr int kIconSize = 32;
extern const std::uint32_t kIconPixels[kIconSize * kIconSize];
}  // namespace shell
