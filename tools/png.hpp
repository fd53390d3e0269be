#pragma once
// PNG files for the tools: screen pictures and icons. Deterministic: no time or text chunks.
#include <cstdint>
#include <string>
#include <vector>

#include "gfx/image.hpp"

namespace tools {

// An opaque picture of the image's top `rows` rows (all of them when 0). Throws gfx::Error.
void WritePng(const gfx::Image& image, const std::string& path, int rows = 0);

// A square 0xAARRGGBB picture with alpha. Throws gfx::Error.
void WritePngArgb(const std::vector<std::uint32_t>& argb, int size, const std::string& path);

}  // namespace tools
